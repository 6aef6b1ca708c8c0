// The MPEGVideo device's queries and its video window: status, capability, put, where,
// window, capture.
#include <array>

#include "platform/mci/mpeg_video_device.h"

namespace stillmar::mci {
namespace {

using D = MpegVideoDevice;

constexpr auto kStatusRows =
    joined(fileStatusRows<D>(), std::array<StatusRow<D>, 4>{{
                                    {"frame rate", &D::statusFrameRate},
                                    {"speed", &D::statusSpeed},
                                    {"window handle", &D::statusWindowHandle},
                                    {"window visible", &D::statusWindowVisible},
                                }});

constexpr auto kCapabilityRows = joined(kFileCapabilities, std::array<CapabilityRow, 6>{{
                                                               {"can freeze", "false"},
                                                               {"can lock", "false"},
                                                               {"can reverse", "false"},
                                                               {"can stretch", "true"},
                                                               {"device type", "digitalvideo"},
                                                               {"has video", "true"},
                                                           }});

constexpr auto kStatusKeys = itemKeywords(kStatusRows);
constexpr auto kCapabilityKeys = itemKeywords(kCapabilityRows);

std::string rectText(Rect r) {
    return std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.w) + " " +
           std::to_string(r.h);
}

}  // namespace

std::span<const KeywordSpec> MpegVideoDevice::statusKeywords() {
    return kStatusKeys;
}
std::span<const KeywordSpec> MpegVideoDevice::capabilityKeywords() {
    return kCapabilityKeys;
}

uint32_t MpegVideoDevice::status(const Args& args, std::string& reply) {
    return answerStatus<D>(kStatusRows, *this, engine_ != nullptr, args, reply);
}

uint32_t MpegVideoDevice::capability(const Args& args, std::string& reply) {
    return answerCapability(kCapabilityRows, args, reply);
}

uint32_t MpegVideoDevice::statusLength(std::string& out) const {
    out = std::to_string(lengthInFormat());
    return err::kOk;
}

uint32_t MpegVideoDevice::statusPosition(std::string& out) const {
    out = std::to_string(toFormat(engine_->positionMs()));
    return err::kOk;
}

uint32_t MpegVideoDevice::statusMode(std::string& out) const {
    if (!engine_) {
        out = "not ready";
        return err::kOk;
    }
    switch (engine_->mode()) {
        case EngineMode::Stopped:
            out = "stopped";
            break;
        case EngineMode::Playing:
            out = "playing";
            break;
        case EngineMode::Paused:
            out = "paused";
            break;
        case EngineMode::Seeking:
            out = "seeking";
            break;
    }
    return err::kOk;
}

uint32_t MpegVideoDevice::statusTimeFormat(std::string& out) const {
    out = format_ == TimeFormat::Frames ? "frames" : "milliseconds";
    return err::kOk;
}

uint32_t MpegVideoDevice::statusFrameRate(std::string& out) const {
    out = std::to_string(info_.frameRateMilli);
    return err::kOk;
}

uint32_t MpegVideoDevice::statusSpeed(std::string& out) const {
    out = std::to_string(engine_->speed());
    return err::kOk;
}

uint32_t MpegVideoDevice::statusWindowHandle(std::string& out) const {
    if (!surface_) return err::kNoWindow;
    out = std::to_string(surface_->handle());
    return err::kOk;
}

uint32_t MpegVideoDevice::statusReady(std::string& out) const {
    out = engine_ ? "true" : "false";
    return err::kOk;
}

uint32_t MpegVideoDevice::statusStartPosition(std::string& out) const {
    // One character rather than a literal: g++ 12 at -O3 warns falsely (-Wrestrict) on that.
    out.assign(1, '0');
    return err::kOk;
}

uint32_t MpegVideoDevice::statusWindowVisible(std::string& out) const {
    if (!surface_) return err::kNoWindow;
    out = surface_->isVisible() ? "true" : "false";
    return err::kOk;
}

void MpegVideoDevice::placeWindow(Rect r) {
    surface_->setWindowRect(r);
    if (!destinationSet_) surface_->setDestination({0, 0, r.w, r.h});
}

uint32_t MpegVideoDevice::put(const Args& args, std::string&) {
    if (!surface_) return err::kNoWindow;
    const ArgValue* window = args.find("window at");
    const ArgValue* destination = args.find("destination at");
    if (!window && !destination && !args.has("window") && !args.has("destination")) {
        return err::kMissingParameter;
    }
    const auto rectOf = [](const ArgValue* v) {
        return Rect{int32_t(v->numbers[0]), int32_t(v->numbers[1]), int32_t(v->numbers[2]),
                    int32_t(v->numbers[3])};
    };
    Rect w = surface_->windowRect();
    if (window) {
        w = rectOf(window);
        if (w.w < 0 || w.h < 0) return err::kOutOfRange;
        // A zero size keeps the video's own size, as a window without a size would get.
        if (w.w == 0) w.w = info_.videoSize.w;
        if (w.h == 0) w.h = info_.videoSize.h;
    } else if (args.has("window")) {
        w = {w.x, w.y, info_.videoSize.w, info_.videoSize.h};
    }
    Rect d;
    if (destination) {
        d = rectOf(destination);
        if (d.w <= 0 || d.h <= 0) return err::kOutOfRange;
    }
    placeWindow(w);
    if (destination) {
        destinationSet_ = true;
        surface_->setDestination(d);
    } else if (args.has("destination")) {
        destinationSet_ = false;
        surface_->setDestination({0, 0, w.w, w.h});
    }
    engine_->refresh();
    return err::kOk;
}

uint32_t MpegVideoDevice::where(const Args& args, std::string& reply) {
    if (!surface_) return err::kNoWindow;
    if (args.has("window")) {
        reply = rectText(surface_->windowRect());
    } else if (args.has("destination")) {
        reply = rectText(surface_->destination());
    } else if (args.has("source")) {
        reply = rectText({0, 0, info_.videoSize.w, info_.videoSize.h});
    } else {
        return err::kMissingParameter;
    }
    return err::kOk;
}

uint32_t MpegVideoDevice::window(const Args& args, std::string&) {
    if (!surface_) return err::kNoWindow;
    if (args.has("state show")) {
        surface_->setVisible(true);
        engine_->refresh();
    } else if (args.has("state hide")) {
        surface_->setVisible(false);
    } else {
        return err::kMissingParameter;
    }
    return err::kOk;
}

uint32_t MpegVideoDevice::capture(const Args& args, std::string&) {
    if (!surface_) return err::kNoWindow;
    const std::string& path = args.text("as");
    if (path.empty()) return err::kUnnamedResource;
    return engine_->captureFrame(path) == EngineStatus::Ok ? err::kOk : err::kFileWrite;
}

}  // namespace stillmar::mci
