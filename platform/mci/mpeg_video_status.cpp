// The MPEGVideo device's queries: status and capability, and the status items.
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
    out = std::to_string(info_.frameRate().milliFps);
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

}  // namespace stillmar::mci
