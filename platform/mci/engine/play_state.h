#pragma once
// Where the device stands, shared by the transport (the caller's commands, transport.cpp) and
// the presenter (presenter.h): the commands write it and wait on it, the presenter reads it and
// moves it on as frames are shown and ranges end. The engine owns it.
//
// Threads and locks: every member is guarded by mutex, and every change is notified on cv.
// stopping is atomic so that the presenter's loop reads it without the lock, but it is written
// under the lock so that a wait on cv sees a close. clock has its own lock too (the sound's
// callback reads it); the calls on it made by the caller and the presenter are made under
// mutex. Taken by the caller and the presenter, never by the decode thread, the audio thread or
// the sound callback.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/mci/engine/engine_modes.h"
#include "platform/mci/engine/ff.h"
#include "platform/mci/engine/playback_clock.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

struct PlayState {
    mutable std::mutex mutex;
    std::condition_variable cv;

    EngineMode mode = EngineMode::Stopped;
    int64_t posMs = 0;
    int64_t toMs = -1;
    uint32_t serial = 0;           // the current seek generation
    uint32_t presentedSerial = 0;  // the last generation whose target frame is shown
    bool pipeline = false;         // frames of the current serial are on their way
    int64_t playStartMs = 0;
    FramePtr shown;
    int64_t shownPtsMs = 0;
    bool targetFound = true;  // of the last target presented (FrameItem)
    bool targetAtTarget = true;
    PlaybackClock clock;
    int32_t speed = kNormalSpeed;
    std::atomic<bool> stopping{false};

    // The helpers below read the state: call them under mutex.
    const ModeRules& rules() const { return rulesOf(mode); }
    // Where playback ends: the range's end, else the media's (`lengthMs`).
    int64_t endMsLocked(int64_t lengthMs) const { return toMs >= 0 ? toMs : lengthMs; }
    // The position: the clock's while it runs, within the media.
    int64_t positionLocked(int64_t lengthMs) const {
        if (!rules().clockRuns) return posMs;
        return std::clamp<int64_t>(clock.now(), 0, endMsLocked(lengthMs));
    }
};

}  // namespace stillmar::mci::engine
