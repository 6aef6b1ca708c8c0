// The MPEGVideo device's transport of its own: play (in its time format), step (by frames) and
// set (time format, speed, channels); pause, resume, stop, seek and setaudio are the shared
// ones.
#include <algorithm>

#include "platform/mci/mpeg_video_device.h"

namespace stillmar::mci {
namespace {

constexpr int32_t kMaxSpeed = 100000;

}  // namespace

uint32_t MpegVideoDevice::play(const Args& args, std::string&) {
    const int64_t length = lengthInFormat();
    const int64_t from = std::clamp<int64_t>(
        args.has("from") ? args.number("from") : toFormat(engine_->positionMs()), 0, length);
    const int64_t to = std::clamp<int64_t>(args.has("to") ? args.number("to") : length, 0, length);
    if (to < from) return err::kOutOfRange;
    if (surface_) surface_->setVisible(true);
    engine_->play(args.has("from") ? fromFormat(from) : -1, args.has("to") ? fromFormat(to) : -1);
    waitIfAsked(args, [this] {
        const EngineMode mode = engine_->mode();
        return mode == EngineMode::Playing || mode == EngineMode::Seeking;
    });
    return err::kOk;
}

// "step A [by N] [reverse]": N frames (1 by default) after the one shown, or before it.
uint32_t MpegVideoDevice::step(const Args& args, std::string&) {
    if (!surface_) return err::kNoWindow;
    const int64_t frames = args.has("by") ? args.number("by") : 1;
    if (frames < 0) return err::kOutOfRange;
    engine_->step(args.has("reverse") ? -frames : frames);
    return err::kOk;
}

uint32_t MpegVideoDevice::timeArg(const Args& args, std::string_view keyword, int64_t& ms) const {
    ms = std::min(fromFormat(std::clamp<int64_t>(args.number(keyword), 0, lengthInFormat())),
                  info_.lengthMs);
    return err::kOk;
}

uint32_t MpegVideoDevice::set(const Args& args, std::string&) {
    if (args.has("door open") || args.has("door closed")) return err::kUnsupportedFunction;
    if (const uint32_t code = checkChannels(args)) return code;
    if (!hasChannels(args) && !args.has("time format") && !args.has("speed")) {
        return err::kMissingParameter;
    }
    // Everything is checked before anything changes.
    TimeFormat format = format_;
    if (const ArgValue* v = args.find("time format")) {
        if (!v->known) return err::kBadConstant;
        if (v->text == "ms" || v->text == "milliseconds") {
            format = TimeFormat::Milliseconds;
        } else if (v->text == "frames" && info_.frameRate().known()) {
            format = TimeFormat::Frames;
        } else {
            return err::kBadTimeFormat;
        }
    }
    if (args.has("speed") && (args.number("speed") <= 0 || args.number("speed") > kMaxSpeed)) {
        return err::kOutOfRange;
    }
    format_ = format;
    if (args.has("speed")) engine_->setSpeed(int32_t(args.number("speed")));
    applyChannels(args);
    return err::kOk;
}

}  // namespace stillmar::mci
