#include "platform/mci/mpeg_video_device.h"

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

}  // namespace

std::span<const CommandRow<D>> MpegVideoDevice::commands() {
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

bool mpegVideoVerb(std::string_view verb) {
    return answersVerb<D>(verb);
}

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
    return dispatchCommand(commands(), *this, engine_ != nullptr, verb, rest, reply);
}

// Frames by the one rule of media_time.h: a time reads as the frame that contains it, and a
// frame is reached at its first whole millisecond, so that toFormat(fromFormat(n)) == n.
int64_t MpegVideoDevice::toFormat(int64_t ms) const {
    if (format_ == TimeFormat::Milliseconds || !info_.frameRate().known()) return ms;
    return frameAt(ms, info_.frameRate());
}

int64_t MpegVideoDevice::fromFormat(int64_t value) const {
    if (format_ == TimeFormat::Milliseconds || !info_.frameRate().known()) return value;
    return frameStartMs(value, info_.frameRate());
}

int64_t MpegVideoDevice::lengthInFormat() const {
    if (format_ == TimeFormat::Frames && info_.frameCount > 0) return info_.frameCount;
    return toFormat(info_.lengthMs);
}

}  // namespace stillmar::mci
