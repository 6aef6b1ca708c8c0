// Transport: the commands of the caller's thread (seek, play, pause, resume, stop, speed,
// volume), each turned into a new serial for the decode thread.
#include <algorithm>

#include "platform/mci/engine/ffmpeg_engine.h"

namespace stillmar::mci::engine {
namespace {

using namespace std::chrono_literals;

constexpr auto kSeekTimeout = 30s;

}  // namespace

EngineStatus FfmpegEngine::seek(int64_t ms) {
    std::unique_lock lock(mutex_);
    if (!source_ || stopping_) return EngineStatus::Ok;
    const int64_t target = std::clamp<int64_t>(ms, 0, info_.lengthMs);
    const int64_t from = positionLocked();
    audio_.drop();
    mode_ = EngineMode::Seeking;
    toMs_ = -1;
    pipeline_ = false;
    clock_.stop();
    posMs_ = target;
    const uint32_t serial = decode_.post(Command::seekTo(target, ++serial_));
    stateCv_.wait_for(lock, kSeekTimeout,
                      [&] { return stopping_ || serial_ != serial || presentedSerial_ == serial; });
    EngineStatus status = EngineStatus::Ok;
    if (serial_ == serial) {
        mode_ = EngineMode::Stopped;
        // The position names the picture shown: the target's own, the nearest whole one, or
        // (nothing to show from the target on) the one shown before.
        if (presentedSerial_ == serial && !targetFound_) {
            posMs_ = from;
            status = EngineStatus::Unsupported;
        } else if (presentedSerial_ == serial && !targetAtTarget_) {
            posMs_ = shownPtsMs_;
        }
    }
    stateCv_.notify_all();
    return status;
}

void FfmpegEngine::step(int64_t frames) {
    std::unique_lock lock(mutex_);
    if (!source_ || stopping_ || !info_.hasVideo || !shown_) return;
    if (rules().clockRuns) posMs_ = positionLocked();
    audio_.drop();
    mode_ = EngineMode::Seeking;
    toMs_ = -1;
    pipeline_ = false;
    clock_.stop();
    // From the frame on screen now: no newer one reaches it once the serial below is posted.
    std::shared_ptr<AVFrame> from(refFrame(shown_.get()).release(),
                                  [](AVFrame* f) { av_frame_free(&f); });
    const uint32_t serial =
        decode_.post(Command::stepFrom(posMs_, ++serial_, frames, std::move(from)));
    stateCv_.wait_for(lock, kSeekTimeout,
                      [&] { return stopping_ || serial_ != serial || presentedSerial_ == serial; });
    if (serial_ == serial) mode_ = EngineMode::Paused;
    stateCv_.notify_all();
}

void FfmpegEngine::startPipeline(int64_t fromMs) {
    audio_.drop();
    const bool withAudio = info_.hasAudio && speed_ == kNormalSpeed && audio_.openOutput();
    mode_ = EngineMode::Playing;
    pipeline_ = true;
    playStartMs_ = fromMs;
    posMs_ = fromMs;
    clock_.stop();
    clock_.set(fromMs);
    const uint32_t serial = ++serial_;
    if (withAudio) audio_.activate(serial, fromMs);
    // With sound the demuxer goes back to the keyframe so that the audio around the start
    // is read again.
    decode_.post(Command::playFrom(fromMs, serial, withAudio));
    stateCv_.notify_all();
}

void FfmpegEngine::play(int64_t fromMs, int64_t toMs) {
    std::lock_guard lock(mutex_);
    if (!source_ || stopping_) return;
    toMs_ = toMs >= 0 ? std::clamp<int64_t>(toMs, 0, info_.lengthMs) : -1;
    stateCv_.notify_all();
    if (fromMs < 0 && rules().clockRuns) return;
    if (fromMs < 0 && rules().resumes && pipeline_) {
        mode_ = EngineMode::Playing;
        clock_.set(posMs_);
        if (presentedSerial_ == serial_) {
            clock_.start();
            audio_.resumeDevice();
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
    return stateCv_.wait_for(lock, timeout, [&] { return stopping_ || !rules().busy; });
}

void FfmpegEngine::pause() {
    std::lock_guard lock(mutex_);
    if (!source_) return;
    if (rules().clockRuns) {
        posMs_ = positionLocked();
        clock_.stop();
        audio_.pauseDevice();
    }
    if (rules().pauses) mode_ = EngineMode::Paused;
    stateCv_.notify_all();
}

void FfmpegEngine::resume() {
    int64_t toMs = -1;
    {
        std::lock_guard lock(mutex_);
        if (!rules().resumes) return;
        toMs = toMs_;  // read under the lock: the presenter reads it as it plays
    }
    play(-1, toMs);
}

void FfmpegEngine::haltLocked() {
    pipeline_ = false;
    clock_.stop();
    audio_.drop();
    decode_.post(Command::haltPlayback(++serial_));
    stateCv_.notify_all();
}

void FfmpegEngine::stop() {
    std::lock_guard lock(mutex_);
    if (!rules().stops) return;
    posMs_ = positionLocked();
    mode_ = EngineMode::Stopped;
    haltLocked();
}

void FfmpegEngine::setSpeed(int32_t permille) {
    std::lock_guard lock(mutex_);
    speed_ = std::max<int32_t>(1, permille);
    clock_.setSpeed(speed_);
    // Sound is only played at normal speed.
    if (speed_ != kNormalSpeed && audio_.active()) audio_.drop();
}

int32_t FfmpegEngine::speed() const {
    std::lock_guard lock(mutex_);
    return speed_;
}

void FfmpegEngine::setVolume(int32_t left, int32_t right) {
    audio_.setVolume(left, right);
}

void FfmpegEngine::setChannelsEnabled(bool left, bool right) {
    audio_.setChannelsEnabled(left, right);
}

}  // namespace stillmar::mci::engine
