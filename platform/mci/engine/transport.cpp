// Transport: the commands of the caller's thread (seek, play, pause, resume, stop, speed,
// volume) on the play state (play_state.h), each turned into a new serial for the decode thread.
#include <algorithm>

#include "platform/mci/engine/ffmpeg_engine.h"

namespace stillmar::mci::engine {
namespace {

using namespace std::chrono_literals;

constexpr auto kSeekTimeout = 30s;

}  // namespace

EngineStatus FfmpegEngine::seek(int64_t ms) {
    std::unique_lock lock(play_.mutex);
    if (!source_ || play_.stopping) return EngineStatus::Ok;
    const int64_t target = std::clamp<int64_t>(ms, 0, info_.lengthMs);
    const int64_t from = play_.positionLocked(info_.lengthMs);
    audio_.drop();
    play_.mode = EngineMode::Seeking;
    play_.toMs = -1;
    play_.pipeline = false;
    play_.clock.stop();
    play_.posMs = target;
    const uint32_t serial = decode_.post(Command::seekTo(target, ++play_.serial));
    play_.cv.wait_for(lock, kSeekTimeout, [&] {
        return play_.stopping || play_.serial != serial || play_.presentedSerial == serial;
    });
    EngineStatus status = EngineStatus::Ok;
    if (play_.serial == serial) {
        play_.mode = EngineMode::Stopped;
        // The position names the picture shown: the target's own, the nearest whole one, or
        // (nothing to show from the target on) the one shown before.
        if (play_.presentedSerial == serial && !play_.targetFound) {
            play_.posMs = from;
            status = EngineStatus::Unsupported;
        } else if (play_.presentedSerial == serial && !play_.targetAtTarget) {
            play_.posMs = play_.shownPtsMs;
        }
    }
    play_.cv.notify_all();
    return status;
}

void FfmpegEngine::step(int64_t frames) {
    std::unique_lock lock(play_.mutex);
    if (!source_ || play_.stopping || !info_.hasVideo || !play_.shown) return;
    if (play_.rules().clockRuns) play_.posMs = play_.positionLocked(info_.lengthMs);
    audio_.drop();
    play_.mode = EngineMode::Seeking;
    play_.toMs = -1;
    play_.pipeline = false;
    play_.clock.stop();
    // From the frame on screen now: no newer one reaches it once the serial below is posted.
    std::shared_ptr<AVFrame> from(refFrame(play_.shown.get()).release(),
                                  [](AVFrame* f) { av_frame_free(&f); });
    const uint32_t serial =
        decode_.post(Command::stepFrom(play_.posMs, ++play_.serial, frames, std::move(from)));
    play_.cv.wait_for(lock, kSeekTimeout, [&] {
        return play_.stopping || play_.serial != serial || play_.presentedSerial == serial;
    });
    if (play_.serial == serial) play_.mode = EngineMode::Paused;
    play_.cv.notify_all();
}

void FfmpegEngine::startPipeline(int64_t fromMs) {
    audio_.drop();
    const bool withAudio = info_.hasAudio && play_.speed == kNormalSpeed && audio_.openOutput();
    play_.mode = EngineMode::Playing;
    play_.pipeline = true;
    play_.playStartMs = fromMs;
    play_.posMs = fromMs;
    play_.clock.stop();
    play_.clock.set(fromMs);
    const uint32_t serial = ++play_.serial;
    if (withAudio) audio_.activate(serial, fromMs);
    // With sound the demuxer goes back to the keyframe so that the audio around the start
    // is read again.
    decode_.post(Command::playFrom(fromMs, serial, withAudio));
    play_.cv.notify_all();
}

void FfmpegEngine::play(int64_t fromMs, int64_t toMs) {
    std::lock_guard lock(play_.mutex);
    if (!source_ || play_.stopping) return;
    play_.toMs = toMs >= 0 ? std::clamp<int64_t>(toMs, 0, info_.lengthMs) : -1;
    play_.cv.notify_all();
    if (fromMs < 0 && play_.rules().clockRuns) return;
    if (fromMs < 0 && play_.rules().resumes && play_.pipeline) {
        play_.mode = EngineMode::Playing;
        play_.clock.set(play_.posMs);
        if (play_.presentedSerial == play_.serial) {
            play_.clock.start();
            audio_.resumeDevice();
        }
        return;
    }
    const int64_t start =
        fromMs >= 0 ? std::clamp<int64_t>(fromMs, 0, info_.lengthMs) : play_.posMs;
    if (start >= play_.endMsLocked(info_.lengthMs)) {
        play_.mode = EngineMode::Stopped;
        play_.posMs = start;
        return;
    }
    startPipeline(start);
}

bool FfmpegEngine::waitUntilStopped(std::chrono::milliseconds timeout) {
    std::unique_lock lock(play_.mutex);
    return play_.cv.wait_for(lock, timeout, [&] { return play_.stopping || !play_.rules().busy; });
}

void FfmpegEngine::pause() {
    std::lock_guard lock(play_.mutex);
    if (!source_) return;
    if (play_.rules().clockRuns) {
        play_.posMs = play_.positionLocked(info_.lengthMs);
        play_.clock.stop();
        audio_.pauseDevice();
    }
    if (play_.rules().pauses) play_.mode = EngineMode::Paused;
    play_.cv.notify_all();
}

void FfmpegEngine::resume() {
    int64_t toMs = -1;
    {
        std::lock_guard lock(play_.mutex);
        if (!play_.rules().resumes) return;
        toMs = play_.toMs;  // read under the lock: the presenter reads it as it plays
    }
    play(-1, toMs);
}

void FfmpegEngine::haltLocked() {
    play_.pipeline = false;
    play_.clock.stop();
    audio_.drop();
    decode_.post(Command::haltPlayback(++play_.serial));
    play_.cv.notify_all();
}

void FfmpegEngine::stop() {
    std::lock_guard lock(play_.mutex);
    if (!play_.rules().stops) return;
    play_.posMs = play_.positionLocked(info_.lengthMs);
    play_.mode = EngineMode::Stopped;
    haltLocked();
}

void FfmpegEngine::setSpeed(int32_t permille) {
    std::lock_guard lock(play_.mutex);
    play_.speed = std::max<int32_t>(1, permille);
    play_.clock.setSpeed(play_.speed);
    // Sound is only played at normal speed.
    if (play_.speed != kNormalSpeed && audio_.active()) audio_.drop();
}

int32_t FfmpegEngine::speed() const {
    std::lock_guard lock(play_.mutex);
    return play_.speed;
}

void FfmpegEngine::setVolume(int32_t left, int32_t right) {
    audio_.setVolume(left, right);
}

void FfmpegEngine::setChannelsEnabled(bool left, bool right) {
    audio_.setChannelsEnabled(left, right);
}

}  // namespace stillmar::mci::engine
