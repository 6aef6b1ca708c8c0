#include "platform/mci/mpeg_video_device.h"

#include <algorithm>
#include <chrono>

#include "platform/mci/device_types.h"

namespace stillmar::mci {
namespace {

using D = MpegVideoDevice;

constexpr KeywordSpec kPlayKeys[] = {{"from", ArgKind::Integer}, {"to", ArgKind::Integer}};
constexpr KeywordSpec kSeekKeys[] = {
    {"to", ArgKind::Integer, 1}, {"to start", ArgKind::Flag, 1}, {"to end", ArgKind::Flag, 1}};
constexpr KeywordSpec kSetKeys[] = {
    {"time format", ArgKind::Constant, 0, kTimeFormatWords},
    {"speed", ArgKind::Integer},
    {"audio all", ArgKind::Flag, 1},
    {"audio left", ArgKind::Flag, 1},
    {"audio right", ArgKind::Flag, 1},
    {"on", ArgKind::Flag, 2},
    {"off", ArgKind::Flag, 2},
    {"door open", ArgKind::Flag, 3},
    {"door closed", ArgKind::Flag, 3},
};
constexpr KeywordSpec kSetaudioKeys[] = {
    {"left", ArgKind::Flag, 1}, {"right", ArgKind::Flag, 1}, {"volume to", ArgKind::Integer},
    {"on", ArgKind::Flag, 2},   {"off", ArgKind::Flag, 2},
};
constexpr KeywordSpec kPutKeys[] = {
    {"window at", ArgKind::Rect, 1},
    {"window", ArgKind::Flag, 1},
    {"destination at", ArgKind::Rect, 2},
    {"destination", ArgKind::Flag, 2},
};
constexpr KeywordSpec kWhereKeys[] = {
    {"window", ArgKind::Flag, 1}, {"destination", ArgKind::Flag, 1}, {"source", ArgKind::Flag, 1}};
constexpr KeywordSpec kWindowKeys[] = {{"state hide", ArgKind::Flag, 1},
                                       {"state show", ArgKind::Flag, 1}};
constexpr KeywordSpec kCaptureKeys[] = {{"as", ArgKind::Text}};
constexpr KeywordSpec kNoKeys[] = {{"", ArgKind::Flag}};  // matches nothing

constexpr int32_t kMaxSpeed = 100000;

const std::span<const CommandRow<D>> commandTable() {
    static const CommandRow<D> table[] = {
        {"play", kPlayKeys, &D::play},
        {"pause", std::span(kNoKeys, 0), &D::pause},
        {"resume", std::span(kNoKeys, 0), &D::resume},
        {"stop", std::span(kNoKeys, 0), &D::stop},
        {"seek", kSeekKeys, &D::seek},
        {"set", kSetKeys, &D::set},
        {"setaudio", kSetaudioKeys, &D::setaudio},
        {"status", D::statusKeywords(), &D::status, err::kBadConstant},
        {"capability", D::capabilityKeywords(), &D::capability, err::kBadConstant},
        {"put", kPutKeys, &D::put},
        {"where", kWhereKeys, &D::where},
        {"window", kWindowKeys, &D::window},
        {"capture", kCaptureKeys, &D::capture},
    };
    return table;
}

}  // namespace

uint32_t openMpegVideo(const OpenRequest& request, const DeviceEnvironment& env,
                       std::unique_ptr<Device>& out) {
    if (request.path.empty()) {
        out = std::make_unique<MpegVideoDevice>(nullptr, nullptr);
        return err::kOk;
    }
    std::unique_ptr<MediaEngine> engine = env.createEngine ? env.createEngine() : nullptr;
    if (!engine) return err::kCannotLoadDriver;
    switch (engine->open(request.path)) {
        case EngineStatus::Ok:
            break;
        case EngineStatus::FileNotFound:
            return err::kFileNotFound;
        case EngineStatus::Unsupported:
            return err::kInvalidFile;
        case EngineStatus::Io:
            return err::kFileRead;
    }
    const MediaInfo info = engine->info();
    std::unique_ptr<VideoSurface> surface;
    if (info.hasVideo) {
        SurfaceFactory* factory = surfaceFactory();
        surface = factory ? factory->createSurface(request.parent, request.child, info.videoSize)
                          : makeOffscreenSurface(info.videoSize);
        if (!surface) return err::kCreateWindow;
        surface->setVisible(false);
        engine->setSurface(surface.get());
    }
    out = std::make_unique<MpegVideoDevice>(std::move(engine), std::move(surface));
    return err::kOk;
}

MpegVideoDevice::MpegVideoDevice(std::unique_ptr<MediaEngine> engine,
                                 std::unique_ptr<VideoSurface> surface)
    : surface_(std::move(surface)), engine_(std::move(engine)) {
    if (engine_) info_ = engine_->info();
}

MpegVideoDevice::~MpegVideoDevice() {
    if (!engine_) return;
    engine_->stop();
    engine_->setSurface(nullptr);
    engine_.reset();
}

uint32_t MpegVideoDevice::execute(std::string_view verb, std::span<const Token> rest,
                                  std::string& reply) {
    // A device opened without a file answers its status and capabilities, nothing else.
    if (!engine_ && !equalsNoCase(verb, "status") && !equalsNoCase(verb, "capability")) {
        for (const CommandRow<D>& row : commandTable()) {
            if (equalsNoCase(row.verb, verb)) return err::kDeviceNotReady;
        }
    }
    return dispatch(commandTable(), *this, verb, rest, reply);
}

int64_t MpegVideoDevice::toFormat(int64_t ms) const {
    if (format_ == TimeFormat::Milliseconds || info_.frameRateMilli <= 0) return ms;
    return ms * info_.frameRateMilli / 1000000;
}

// The first millisecond inside frame `value`, so that toFormat(fromFormat(n)) == n.
int64_t MpegVideoDevice::fromFormat(int64_t value) const {
    if (format_ == TimeFormat::Milliseconds || info_.frameRateMilli <= 0) return value;
    return (value * 1000000 + info_.frameRateMilli - 1) / info_.frameRateMilli;
}

int64_t MpegVideoDevice::lengthInFormat() const {
    if (format_ == TimeFormat::Frames && info_.frameCount > 0) return info_.frameCount;
    return toFormat(info_.lengthMs);
}

uint32_t MpegVideoDevice::play(const Args& args, std::string&) {
    const int64_t length = lengthInFormat();
    const int64_t from = std::clamp<int64_t>(
        args.has("from") ? args.number("from") : toFormat(engine_->positionMs()), 0, length);
    const int64_t to = std::clamp<int64_t>(args.has("to") ? args.number("to") : length, 0, length);
    if (to < from) return err::kOutOfRange;
    if (surface_) surface_->setVisible(true);
    engine_->play(args.has("from") ? fromFormat(from) : -1, args.has("to") ? fromFormat(to) : -1);
    if (args.has("wait")) {
        while (!engine_->waitUntilStopped(std::chrono::seconds(1))) {
            const EngineMode mode = engine_->mode();
            if (mode != EngineMode::Playing && mode != EngineMode::Seeking) break;
        }
    }
    return err::kOk;
}

uint32_t MpegVideoDevice::pause(const Args&, std::string&) {
    engine_->pause();
    return err::kOk;
}

uint32_t MpegVideoDevice::resume(const Args&, std::string&) {
    engine_->resume();
    return err::kOk;
}

uint32_t MpegVideoDevice::stop(const Args&, std::string&) {
    engine_->stop();
    return err::kOk;
}

uint32_t MpegVideoDevice::seek(const Args& args, std::string&) {
    int64_t ms = 0;
    if (args.has("to end")) {
        ms = info_.lengthMs;
    } else if (args.has("to")) {
        ms = fromFormat(std::clamp<int64_t>(args.number("to"), 0, lengthInFormat()));
    } else if (!args.has("to start")) {
        return err::kMissingParameter;
    }
    engine_->seek(std::min(ms, info_.lengthMs));
    return err::kOk;
}

uint32_t MpegVideoDevice::set(const Args& args, std::string&) {
    if (args.has("door open") || args.has("door closed")) return err::kUnsupportedFunction;
    const bool channel = args.has("audio all") || args.has("audio left") || args.has("audio right");
    const bool onOff = args.has("on") || args.has("off");
    if (channel != onOff) return err::kMissingParameter;
    if (!channel && !args.has("time format") && !args.has("speed")) {
        return err::kMissingParameter;
    }
    // Everything is checked before anything changes.
    TimeFormat format = format_;
    if (const ArgValue* v = args.find("time format")) {
        if (!v->known) return err::kBadConstant;
        if (v->text == "ms" || v->text == "milliseconds") {
            format = TimeFormat::Milliseconds;
        } else if (v->text == "frames" && info_.frameRateMilli > 0) {
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
    if (channel) {
        const bool on = args.has("on");
        if (!args.has("audio right")) leftOn_ = on;
        if (!args.has("audio left")) rightOn_ = on;
        engine_->setChannelsEnabled(leftOn_, rightOn_);
    }
    return err::kOk;
}

uint32_t MpegVideoDevice::setaudio(const Args& args, std::string&) {
    const bool volume = args.has("volume to");
    const bool onOff = args.has("on") || args.has("off");
    if (!volume && !onOff) return err::kMissingParameter;
    if (volume && (args.number("volume to") < 0 || args.number("volume to") > 1000)) {
        return err::kOutOfRange;
    }
    const bool left = !args.has("right");
    const bool right = !args.has("left");
    if (volume) {
        const auto n = int32_t(args.number("volume to"));
        if (left) leftVolume_ = n;
        if (right) rightVolume_ = n;
        engine_->setVolume(leftVolume_, rightVolume_);
    }
    if (onOff) {
        if (left) leftOn_ = args.has("on");
        if (right) rightOn_ = args.has("on");
        engine_->setChannelsEnabled(leftOn_, rightOn_);
    }
    return err::kOk;
}

}  // namespace stillmar::mci
