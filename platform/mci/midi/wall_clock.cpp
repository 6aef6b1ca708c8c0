#include "platform/mci/midi/wall_clock.h"

#include <chrono>

namespace stillmar::mci::midi {

WallClock::~WallClock() {
    stop();
}

bool WallClock::start(int sampleRate, PcmPull pull) {
    stop();
    stopping_ = false;
    thread_ = std::thread(&WallClock::run, this, sampleRate, std::move(pull));
    return true;
}

void WallClock::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void WallClock::run(int sampleRate, PcmPull pull) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int64_t done = 0;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(5));
        if (stopping_) break;
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        const int64_t due = elapsed.count() * sampleRate / 1'000'000;
        while (due > done) {
            const int n = int(std::min<int64_t>(due - done, 1 << 20));
            lock.unlock();
            const bool more = pull(nullptr, n);
            lock.lock();
            done += n;
            if (!more) return;
        }
    }
}

}  // namespace stillmar::mci::midi
