#pragma once
// The playback clock: a wall clock running at the playback speed, pulled onto the audio
// device's position whenever sound is playing (audio is the master).

#include <chrono>
#include <cstdint>
#include <mutex>

#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

class PlaybackClock {
  public:
    int64_t now() const {
        std::lock_guard lock(mutex_);
        return nowLocked();
    }
    void set(int64_t ms) {
        std::lock_guard lock(mutex_);
        baseMs_ = ms;
        baseTime_ = Clock::now();
    }
    void start() {
        std::lock_guard lock(mutex_);
        if (running_) return;
        baseTime_ = Clock::now();
        running_ = true;
    }
    void stop() {
        std::lock_guard lock(mutex_);
        baseMs_ = nowLocked();
        running_ = false;
    }
    void setSpeed(int32_t permille) {
        std::lock_guard lock(mutex_);
        baseMs_ = nowLocked();
        baseTime_ = Clock::now();
        speed_ = permille > 0 ? permille : 1;
    }
    // The audio device has just played up to `ms`.
    void syncAudio(int64_t ms) {
        std::lock_guard lock(mutex_);
        if (!running_ || speed_ != kNormalSpeed) return;
        baseMs_ = ms;
        baseTime_ = Clock::now();
    }

  private:
    using Clock = std::chrono::steady_clock;
    int64_t nowLocked() const {
        if (!running_) return baseMs_;
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - baseTime_).count();
        // Microseconds to milliseconds, at the speed in thousandths.
        return baseMs_ + us * speed_ / (1000 * kNormalSpeed);
    }

    mutable std::mutex mutex_;
    bool running_ = false;
    int64_t baseMs_ = 0;
    Clock::time_point baseTime_ = Clock::now();
    int32_t speed_ = kNormalSpeed;
};

}  // namespace stillmar::mci::engine
