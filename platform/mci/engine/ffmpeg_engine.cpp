#include "platform/mci/engine/ffmpeg_engine.h"

#include <algorithm>

#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/engine/source_cache.h"
#include "platform/system/bmp_file.h"

namespace stillmar::mci::engine {
namespace {

using namespace std::chrono_literals;

constexpr auto kTick = 10ms;
constexpr auto kSeekTimeout = 30s;
constexpr int64_t kLateDropMs = 100;

}  // namespace

FfmpegEngine::FfmpegEngine() = default;

FfmpegEngine::~FfmpegEngine() {
    close();
}

EngineStatus FfmpegEngine::open(const std::string& path) {
    close();
    const std::string key = sourceKey(path);
    std::unique_ptr<MediaSource> source = takeCachedSource(key);
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
        speed_ = 1000;
        clock_.stop();
        clock_.setSpeed(1000);
        clock_.set(0);
    }
    startThreads();
    bool hasSurface = false;
    {
        std::lock_guard lock(surfaceMutex_);
        hasSurface = surface_ != nullptr;
    }
    if (hasSurface) refresh();
    return EngineStatus::Ok;
}

void FfmpegEngine::close() {
    stopThreads();
    if (source_) {
        source_->setAudioSink(nullptr);
        source_->setInterrupt(nullptr);
        cacheSource(key_, std::move(source_));
    }
    audioOut_.reset();
    audioTried_ = false;
    audioActive_ = false;
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
    audioPackets_.reopen();
    {
        std::lock_guard lock(commandMutex_);
        pending_.reset();
        decodeQuit_ = false;
        decodeInterrupt_ = false;
    }
    {
        std::lock_guard lock(pcmMutex_);
        pcm_.clear();
        pcmFrames_ = 0;
    }
    source_->setInterrupt(&decodeInterrupt_);
    source_->setAudioSink([this](PacketPtr packet) {
        const uint32_t serial = sinkSerial_.load();
        if (serial == 0) return false;
        return audioPackets_.push(AudioItem{serial, std::move(packet)});
    });
    decodeThread_ = std::thread([this] { decodeLoop(); });
    presentThread_ = std::thread([this] { presentLoop(); });
    if (info_.hasAudio) audioThread_ = std::thread([this] { audioLoop(); });
}

void FfmpegEngine::stopThreads() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stateCv_.notify_all();
    {
        std::lock_guard lock(commandMutex_);
        decodeQuit_ = true;
        decodeInterrupt_ = true;
    }
    commandCv_.notify_all();
    frames_.abort();
    audioPackets_.abort();
    {
        std::lock_guard lock(pcmMutex_);
        pcmCv_.notify_all();
    }
    if (audioOut_) audioOut_->setPaused(true);
    for (std::thread* t : {&decodeThread_, &presentThread_, &audioThread_}) {
        if (t->joinable()) t->join();
    }
    if (audioOut_) audioOut_->close();
    sinkSerial_ = 0;
}

uint32_t FfmpegEngine::post(Command cmd) {
    {
        std::lock_guard lock(commandMutex_);
        pending_ = cmd;  // a newer command replaces one not yet taken
        decodeInterrupt_ = true;
    }
    commandCv_.notify_all();
    frames_.interrupt();
    audioPackets_.interrupt();
    return cmd.serial;
}

MediaInfo FfmpegEngine::info() const {
    std::lock_guard lock(mutex_);
    return info_;
}

void FfmpegEngine::setSurface(VideoSurface* surface) {
    {
        std::lock_guard lock(surfaceMutex_);
        surface_ = surface;
        lastPresented_ = {};
    }
    if (surface) refresh();
}

void FfmpegEngine::refresh() {
    // The frame is handed over unconverted, here on the caller's thread: the surface converts
    // it at the size it has when it is drawn. Under mutex_, so that the presenter cannot show a
    // newer frame in between that this one would replace.
    std::lock_guard lock(mutex_);
    if (!shown_ || stopping_) return;
    presentFrame(shown_.get(), shownPtsMs_, false);
}

EngineMode FfmpegEngine::mode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

int64_t FfmpegEngine::endMsLocked() const {
    return toMs_ >= 0 ? toMs_ : info_.lengthMs;
}

int64_t FfmpegEngine::positionLocked() const {
    if (mode_ != EngineMode::Playing) return posMs_;
    return std::clamp<int64_t>(clock_.now(), 0, endMsLocked());
}

int64_t FfmpegEngine::positionMs() const {
    std::lock_guard lock(mutex_);
    return positionLocked();
}

void FfmpegEngine::seek(int64_t ms) {
    std::unique_lock lock(mutex_);
    if (!source_ || stopping_) return;
    const int64_t target = std::clamp<int64_t>(ms, 0, info_.lengthMs);
    dropAudio();
    mode_ = EngineMode::Seeking;
    toMs_ = -1;
    pipeline_ = false;
    clock_.stop();
    posMs_ = target;
    const uint32_t serial = post(Command{target, ++serial_, false, false, false});
    stateCv_.wait_for(lock, kSeekTimeout,
                      [&] { return stopping_ || serial_ != serial || presentedSerial_ == serial; });
    if (serial_ == serial) mode_ = EngineMode::Stopped;
    stateCv_.notify_all();
}

void FfmpegEngine::startPipeline(int64_t fromMs) {
    dropAudio();
    const bool withAudio = info_.hasAudio && speed_ == 1000 && ensureAudioOutput();
    audioActive_ = withAudio;
    mode_ = EngineMode::Playing;
    pipeline_ = true;
    playStartMs_ = fromMs;
    posMs_ = fromMs;
    clock_.stop();
    clock_.set(fromMs);
    const uint32_t serial = ++serial_;
    audioSerial_ = withAudio ? serial : 0;
    audioStartMs_ = fromMs;
    // With sound the demuxer goes back to the keyframe so that the audio around the start
    // is read again.
    post(Command{fromMs, serial, true, withAudio, false});
    stateCv_.notify_all();
}

void FfmpegEngine::play(int64_t fromMs, int64_t toMs) {
    std::lock_guard lock(mutex_);
    if (!source_ || stopping_) return;
    toMs_ = toMs >= 0 ? std::clamp<int64_t>(toMs, 0, info_.lengthMs) : -1;
    stateCv_.notify_all();
    if (fromMs < 0 && mode_ == EngineMode::Playing) return;
    if (fromMs < 0 && mode_ == EngineMode::Paused && pipeline_) {
        mode_ = EngineMode::Playing;
        clock_.set(posMs_);
        if (presentedSerial_ == serial_) {
            clock_.start();
            if (audioActive_ && audioOut_) audioOut_->setPaused(false);
        }
        return;
    }
    const int64_t start = fromMs >= 0 ? std::clamp<int64_t>(fromMs, 0, info_.lengthMs) : posMs_;
    if (start >= endMsLocked()) {
        mode_ = EngineMode::Stopped;
        posMs_ = start;
        return;
    }
    startPipeline(start);
}

bool FfmpegEngine::waitUntilStopped(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return stateCv_.wait_for(lock, timeout, [&] {
        return stopping_ || (mode_ != EngineMode::Playing && mode_ != EngineMode::Seeking);
    });
}

void FfmpegEngine::pause() {
    std::lock_guard lock(mutex_);
    if (!source_) return;
    if (mode_ == EngineMode::Playing) {
        posMs_ = positionLocked();
        clock_.stop();
        if (audioOut_) audioOut_->setPaused(true);
    }
    if (mode_ == EngineMode::Playing || mode_ == EngineMode::Stopped) mode_ = EngineMode::Paused;
    stateCv_.notify_all();
}

void FfmpegEngine::resume() {
    {
        std::lock_guard lock(mutex_);
        if (mode_ != EngineMode::Paused) return;
    }
    play(-1, toMs_);
}

void FfmpegEngine::haltLocked() {
    pipeline_ = false;
    clock_.stop();
    dropAudio();
    post(Command{0, ++serial_, false, false, true});
    stateCv_.notify_all();
}

void FfmpegEngine::stop() {
    std::lock_guard lock(mutex_);
    if (mode_ != EngineMode::Playing && mode_ != EngineMode::Paused) return;
    posMs_ = positionLocked();
    mode_ = EngineMode::Stopped;
    haltLocked();
}

void FfmpegEngine::setSpeed(int32_t permille) {
    std::lock_guard lock(mutex_);
    speed_ = std::max<int32_t>(1, permille);
    clock_.setSpeed(speed_);
    // Sound is only played at normal speed.
    if (speed_ != 1000 && audioActive_) dropAudio();
}

int32_t FfmpegEngine::speed() const {
    std::lock_guard lock(mutex_);
    return speed_;
}

void FfmpegEngine::setVolume(int32_t left, int32_t right) {
    volumeLeft_ = std::clamp<int32_t>(left, 0, 1000);
    volumeRight_ = std::clamp<int32_t>(right, 0, 1000);
}

void FfmpegEngine::setChannelsEnabled(bool left, bool right) {
    leftOn_ = left;
    rightOn_ = right;
}

EngineStatus FfmpegEngine::captureFrame(const std::string& bmpPath) {
    FramePtr frame;
    int64_t pts = 0;
    Size size;
    {
        std::lock_guard lock(mutex_);
        frame = refFrame(shown_.get());
        pts = shownPtsMs_;
        size = info_.videoSize;
    }
    if (!frame) return EngineStatus::Unsupported;
    // At the video's own size, in slices over every core; the slices are the very rows one
    // thread would make, so the picture is the one the window shows at that size.
    auto image = source_->captureConverter().convert(frame.get(), size, pts);
    if (!image) return EngineStatus::Io;
    return sys::writeBmp24(bmpPath, image->width, image->height, image->pixels.data(), image->width)
               ? EngineStatus::Ok
               : EngineStatus::Io;
}

// ---- decode thread -------------------------------------------------------------------------

void FfmpegEngine::decodeLoop() {
    bool pumping = false;
    uint32_t pumpSerial = 0;
    while (true) {
        std::optional<Command> cmd;
        {
            std::unique_lock lock(commandMutex_);
            if (!pumping) commandCv_.wait(lock, [&] { return decodeQuit_ || pending_; });
            if (decodeQuit_) return;
            cmd.swap(pending_);
            decodeInterrupt_ = false;
        }
        if (cmd) {
            pumping = false;
            sinkSerial_ = 0;
            if (cmd->halt) continue;
            frames_.clear();
            if (cmd->play && audioActive_) sinkSerial_ = cmd->serial;
            FrameItem item{FrameItem::Target, cmd->serial, nullptr, cmd->ms};
            if (info_.hasVideo) {
                const auto t0 = std::chrono::steady_clock::now();
                const int64_t decoded = source_->decodedFrames();
                const AVFrame* f = source_->seekVideo(cmd->ms, cmd->reseek);
                counters::add(counters::seeks, 1);
                counters::add(counters::seekFrames, source_->decodedFrames() - decoded);
                counters::add(counters::seekNs,
                              std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now() - t0)
                                  .count());
                item.frame = refFrame(f);
                if (f) item.ptsMs = source_->framePtsMs(f);
            } else {
                source_->seekAudio(cmd->ms);
            }
            frames_.push(std::move(item));
            if (cmd->play) {
                pumping = true;
                pumpSerial = cmd->serial;
            }
            continue;
        }
        pumping = pumpOne(pumpSerial);
    }
}

bool FfmpegEngine::pumpOne(uint32_t serial) {
    if (info_.hasVideo) {
        const AVFrame* f = source_->nextVideo();
        if (!f) {
            if (!decodeInterrupt_) frames_.push(FrameItem{FrameItem::End, serial, nullptr, 0});
            return false;
        }
        pushFrame(FrameItem{FrameItem::Frame, serial, refFrame(f), source_->framePtsMs(f)});
        return true;
    }
    if (!source_->pumpAudio()) {
        frames_.push(FrameItem{FrameItem::End, serial, nullptr, 0});
        return false;
    }
    return true;
}

// ---- presenter -----------------------------------------------------------------------------

FrameMaker FfmpegEngine::makerFor(const AVFrame* frame, int64_t ptsMs) const {
    std::shared_ptr<AVFrame> ref(refFrame(frame).release(), [](AVFrame* f) { av_frame_free(&f); });
    if (!ref) return nullptr;
    // The converter lives with the file and with the surfaces that keep such a frame, which
    // may outlive the engine.
    return [ref, ptsMs, converter = source_->drawConverter()](Size size) {
        return VideoFramePtr(converter->convert(ref.get(), size, ptsMs));
    };
}

void FfmpegEngine::presentFrame(const AVFrame* frame, int64_t ptsMs, bool now) {
    std::lock_guard lock(surfaceMutex_);
    if (!surface_ || !frame) return;
    const Size size = surface_->targetSize();
    const Presented current{surface_, frame->data[0], ptsMs, size};
    if (current == lastPresented_) return;  // the surface has this frame for this size
    lastPresented_ = current;
    if (!now || !surface_->wantsPictures()) {
        if (FrameMaker make = makerFor(frame, ptsMs)) surface_->presentLater(std::move(make));
        return;
    }
    VideoFramePtr image = source_->firstImage(frame, size);
    if (!image) {
        image = presentConverter_.convert(frame, size, ptsMs);
        source_->keepFirstImage(frame, image);
    }
    if (image) surface_->present(std::move(image));
}

void FfmpegEngine::finish(uint32_t serial, int64_t atMs) {
    if (serial != serial_ || mode_ != EngineMode::Playing) return;
    mode_ = EngineMode::Stopped;
    posMs_ = atMs;
    pipeline_ = false;
    clock_.stop();
    clock_.set(atMs);
    if (audioOut_) audioOut_->setPaused(true);
    stateCv_.notify_all();
}

void FfmpegEngine::presentLoop() {
    std::optional<FrameItem> item;
    while (!stopping_) {
        if (!item) item = frames_.pop(kTick);
        if (!item) {
            // Nothing queued: a range end may still be due (sound-only files).
            std::lock_guard lock(mutex_);
            if (mode_ == EngineMode::Playing && pipeline_ && presentedSerial_ == serial_ &&
                toMs_ >= 0 && clock_.now() >= toMs_)
                finish(serial_, toMs_);
            continue;
        }
        if (handleItem(*item)) item.reset();
    }
}

bool FfmpegEngine::handleItem(FrameItem& item) {
    std::unique_lock lock(mutex_);
    if (item.serial != serial_) return true;  // stale
    auto waitFor = [&](int64_t ms) {
        stateCv_.wait_for(
            lock, std::clamp<std::chrono::milliseconds>(std::chrono::milliseconds(ms), 1ms, kTick));
    };
    switch (item.kind) {
        case FrameItem::Target: {
            if (item.frame) {
                shown_ = std::move(item.frame);
                shownPtsMs_ = item.ptsMs;
            }
            FramePtr frame = refFrame(shown_.get());
            const int64_t pts = shownPtsMs_;
            lock.unlock();
            presentFrame(frame.get(), pts, false);
            lock.lock();
            if (item.serial == serial_) {
                presentedSerial_ = item.serial;
                if (mode_ == EngineMode::Playing && pipeline_) {
                    clock_.set(playStartMs_);
                    clock_.start();
                    if (audioActive_ && audioOut_) audioOut_->setPaused(false);
                }
            }
            stateCv_.notify_all();
            return true;
        }
        case FrameItem::Frame: {
            if (mode_ != EngineMode::Playing) {
                waitFor(kTick.count());
                return false;
            }
            const int64_t now = clock_.now();
            if (toMs_ >= 0 && item.ptsMs > toMs_) {
                if (now >= toMs_) {
                    finish(item.serial, toMs_);
                    return true;
                }
                waitFor(toMs_ - now);
                return false;
            }
            if (now < item.ptsMs) {
                waitFor(item.ptsMs - now);
                return false;
            }
            // Behind the clock with more frames waiting: skip this one, unless it is the last
            // frame before the end, which must be the one left on screen.
            const int64_t frameMs = info_.frameRateMilli > 0 ? 1000000 / info_.frameRateMilli : 0;
            const bool lastBeforeEnd = item.ptsMs + frameMs > endMsLocked();
            if (now - item.ptsMs > kLateDropMs && frames_.size() > 0 && !lastBeforeEnd) {
                counters::add(counters::dropped, 1);
                return true;
            }
            counters::add(counters::presented, 1);
            if (frameMs > 0 && now - item.ptsMs > frameMs) counters::add(counters::late, 1);
            shown_ = std::move(item.frame);
            shownPtsMs_ = item.ptsMs;
            FramePtr frame = refFrame(shown_.get());
            lock.unlock();
            presentFrame(frame.get(), item.ptsMs, true);
            return true;
        }
        case FrameItem::End: {
            if (mode_ != EngineMode::Playing) {
                waitFor(kTick.count());
                return false;
            }
            const int64_t end = endMsLocked();
            const int64_t now = clock_.now();
            if (now >= end) {
                finish(item.serial, end);
                return true;
            }
            waitFor(end - now);
            return false;
        }
    }
    return true;
}

}  // namespace stillmar::mci::engine

namespace stillmar::mci {

std::unique_ptr<MediaEngine> createMediaEngine() {
    return std::make_unique<engine::FfmpegEngine>();
}

}  // namespace stillmar::mci
