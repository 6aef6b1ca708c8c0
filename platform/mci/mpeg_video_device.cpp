#include "platform/mci/mpeg_video_device.h"

#include <algorithm>

#include "platform/mci/device_types.h"

namespace stillmar::mci {
namespace {

using D = MpegVideoDevice;

constexpr auto kSetKeys = setKeywords(std::array<KeywordSpec, 1>{{{"speed", ArgKind::Integer}}});
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
constexpr KeywordSpec kStepKeys[] = {{"by", ArgKind::Integer}, {"reverse", ArgKind::Flag}};

constexpr int32_t kMaxSpeed = 100000;

const std::span<const CommandRow<D>> commandTable() {
    static const auto table =
        joined(transportCommands<D, ArgKind::Integer>(kSetKeys),
               std::array<CommandRow<D>, 7>{{
                   {"status", D::statusKeywords(), &D::status, err::kBadConstant},
                   {"capability", D::capabilityKeywords(), &D::capability, err::kBadConstant},
                   {"put", kPutKeys, &D::put},
                   {"where", kWhereKeys, &D::where},
                   {"window", kWindowKeys, &D::window},
                   {"capture", kCaptureKeys, &D::capture},
                   {"step", kStepKeys, &D::step},
               }});
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
    : PlaybackDevice(std::move(engine)), surface_(std::move(surface)) {
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
    return dispatchCommand(commandTable(), *this, engine_ != nullptr, verb, rest, reply);
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
    applyChannels(args);
    return err::kOk;
}

}  // namespace stillmar::mci
