// The MPEGVideo device's video window: where it stands and what part of it the video fills
// (put, where), and whether it shows (window).
#include "platform/mci/mpeg_video_device.h"

namespace stillmar::mci {
namespace {

std::string rectText(Rect r) {
    return std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.w) + " " +
           std::to_string(r.h);
}

}  // namespace

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

}  // namespace stillmar::mci
