// The engine's life: opening a file (warm from the source cache), starting and stopping its
// stages' threads, and captures.
#include "platform/mci/engine/ffmpeg_engine.h"

#include <algorithm>

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
        std::lock_guard lock(mutex_);
        mode_ = EngineMode::Stopped;
        posMs_ = 0;
        toMs_ = -1;
        pipeline_ = false;
        presentedSerial_ = serial_;
        shown_ = refFrame(source_->firstFrame());
        shownPtsMs_ = shown_ ? source_->framePtsMs(shown_.get()) : 0;
        speed_ = kNormalSpeed;
        clock_.stop();
        clock_.setSpeed(kNormalSpeed);
        clock_.set(0);
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
    std::lock_guard lock(mutex_);
    shown_.reset();
    info_ = {};
    mode_ = EngineMode::Stopped;
    posMs_ = 0;
    pipeline_ = false;
}

void FfmpegEngine::startThreads() {
    stopping_ = false;
    frames_.reopen();
    audio_.start(*source_, info_.hasAudio);
    decode_.start(*source_, info_);
    presentThread_ = std::thread([this] { presentLoop(); });
}

void FfmpegEngine::stopThreads() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stateCv_.notify_all();
    decode_.stop();
    frames_.abort();
    audio_.stop();
    decode_.join();
    if (presentThread_.joinable()) presentThread_.join();
    audio_.join();
}

MediaInfo FfmpegEngine::info() const {
    std::lock_guard lock(mutex_);
    return info_;
}

void FfmpegEngine::setSurface(VideoSurface* surface) {
    video_.setSurface(surface);
    if (surface) refresh();
}

void FfmpegEngine::refresh() {
    // The frame is handed over unconverted, here on the caller's thread: the surface converts
    // it at the size it has when it is drawn. Under mutex_, so that the presenter cannot show a
    // newer frame in between that this one would replace.
    std::lock_guard lock(mutex_);
    if (!shown_ || stopping_) return;
    video_.present(*source_, shown_.get(), shownPtsMs_, false);
}

EngineMode FfmpegEngine::mode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

int64_t FfmpegEngine::endMsLocked() const {
    return toMs_ >= 0 ? toMs_ : info_.lengthMs;
}

int64_t FfmpegEngine::positionLocked() const {
    if (!rules().clockRuns) return posMs_;
    return std::clamp<int64_t>(clock_.now(), 0, endMsLocked());
}

int64_t FfmpegEngine::positionMs() const {
    std::lock_guard lock(mutex_);
    return positionLocked();
}

EngineStatus FfmpegEngine::captureFrame(const std::string& bmpPath) {
    FramePtr frame;
    Size size;
    {
        std::lock_guard lock(mutex_);
        frame = refFrame(shown_.get());
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
