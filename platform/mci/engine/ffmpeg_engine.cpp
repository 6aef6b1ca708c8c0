// The engine's life: opening a file (warm from the source cache), starting and stopping its
// stages' threads, and captures.
#include "platform/mci/engine/ffmpeg_engine.h"

#include "platform/mci/engine/source_cache.h"
#include "platform/system/bmp_file.h"

namespace stillmar::mci::engine {

FfmpegEngine::FfmpegEngine() = default;

FfmpegEngine::~FfmpegEngine() {
    close();
}

EngineStatus FfmpegEngine::open(const std::string& path) {
    close();
    const std::string key = sourceKey(path);
    std::unique_ptr<MediaSource> source = takeCachedSource(key);
    if (source) source->noteReopened();
    if (!source) {
        EngineStatus status = EngineStatus::Ok;
        source = MediaSource::open(path, status);
        if (!source) return status;
    }
    source_ = std::move(source);
    key_ = key;
    info_ = source_->info();
    {
        std::lock_guard lock(play_.mutex);
        play_.mode = EngineMode::Stopped;
        play_.posMs = 0;
        play_.toMs = -1;
        play_.pipeline = false;
        play_.presentedSerial = play_.serial;
        play_.shown = refFrame(source_->firstFrame());
        play_.shownPtsMs = play_.shown ? source_->framePtsMs(play_.shown.get()) : 0;
        play_.speed = kNormalSpeed;
        play_.clock.stop();
        play_.clock.setSpeed(kNormalSpeed);
        play_.clock.set(0);
    }
    startThreads();
    if (video_.hasSurface()) refresh();
    return EngineStatus::Ok;
}

void FfmpegEngine::close() {
    stopThreads();
    decode_.release();
    if (source_) cacheSource(key_, std::move(source_));
    audio_.release();
    std::lock_guard lock(play_.mutex);
    play_.shown.reset();
    info_ = {};
    play_.mode = EngineMode::Stopped;
    play_.posMs = 0;
    play_.pipeline = false;
}

void FfmpegEngine::startThreads() {
    play_.stopping = false;
    frames_.reopen();
    audio_.start(*source_, info_.hasAudio);
    decode_.start(*source_, info_);
    presenter_.start(*source_, info_);
}

void FfmpegEngine::stopThreads() {
    {
        std::lock_guard lock(play_.mutex);
        play_.stopping = true;
    }
    play_.cv.notify_all();
    decode_.stop();
    frames_.abort();
    audio_.stop();
    decode_.join();
    presenter_.join();
    audio_.join();
}

MediaInfo FfmpegEngine::info() const {
    std::lock_guard lock(play_.mutex);
    return info_;
}

void FfmpegEngine::setSurface(VideoSurface* surface) {
    video_.setSurface(surface);
    if (surface) refresh();
}

void FfmpegEngine::refresh() {
    // The frame is handed over unconverted, here on the caller's thread: the surface converts
    // it at the size it has when it is drawn. Under play_.mutex, so that the presenter cannot show
    // a newer frame in between that this one would replace.
    std::lock_guard lock(play_.mutex);
    if (!play_.shown || play_.stopping) return;
    video_.present(*source_, play_.shown.get(), play_.shownPtsMs, false);
}

EngineMode FfmpegEngine::mode() const {
    std::lock_guard lock(play_.mutex);
    return play_.mode;
}

int64_t FfmpegEngine::positionMs() const {
    std::lock_guard lock(play_.mutex);
    return play_.positionLocked(info_.lengthMs);
}

EngineStatus FfmpegEngine::captureFrame(const std::string& bmpPath) {
    FramePtr frame;
    Size size;
    {
        std::lock_guard lock(play_.mutex);
        frame = refFrame(play_.shown.get());
        size = info_.videoSize;
    }
    if (!frame) return EngineStatus::Unsupported;
    // At the video's own size, in slices over every core; the slices are the very rows one
    // thread would make, so the picture is the one the window shows at that size.
    const BgrPicture picture = source_->captureConverter().convertBgr(frame.get(), size);
    if (!picture) return EngineStatus::Io;
    return sys::writeBmp24Rows(bmpPath, picture.width(), picture.height(),
                               [&picture](int32_t y, uint8_t* bgr) { picture.row(y, bgr); })
               ? EngineStatus::Ok
               : EngineStatus::Io;
}

}  // namespace stillmar::mci::engine

namespace stillmar::mci {

std::unique_ptr<MediaEngine> createMediaEngine() {
    return std::make_unique<engine::FfmpegEngine>();
}

}  // namespace stillmar::mci
