// The presenter thread: paces the decoded frames on the playback clock, drops late ones, ends
// a range, and hands pictures to the surface (video_output.h).
#include <algorithm>

#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/engine/ffmpeg_engine.h"

namespace stillmar::mci::engine {
namespace {

using namespace std::chrono_literals;

constexpr int64_t kLateDropMs = 100;

}  // namespace

void FfmpegEngine::finish(uint32_t serial, int64_t atMs) {
    if (serial != serial_ || !rules().clockRuns) return;
    mode_ = EngineMode::Stopped;
    posMs_ = atMs;
    pipeline_ = false;
    clock_.stop();
    clock_.set(atMs);
    audio_.pauseDevice();
    stateCv_.notify_all();
}

void FfmpegEngine::presentLoop() {
    std::optional<FrameItem> item;
    while (!stopping_) {
        if (!item) item = frames_.pop(kTick);
        if (!item) {
            // Nothing queued: a range end may still be due (sound-only files).
            std::lock_guard lock(mutex_);
            if (rules().clockRuns && pipeline_ && presentedSerial_ == serial_ && toMs_ >= 0 &&
                clock_.now() >= toMs_)
                finish(serial_, toMs_);
            continue;
        }
        if (handleItem(*item)) item.reset();
    }
}

// Waits under `lock` for the clock to reach a moment `ms` away, or for a change of state,
// never longer than a tick.
void FfmpegEngine::waitState(std::unique_lock<std::mutex>& lock, int64_t ms) {
    stateCv_.wait_for(
        lock, std::clamp<std::chrono::milliseconds>(std::chrono::milliseconds(ms), 1ms, kTick));
}

bool FfmpegEngine::handleItem(FrameItem& item) {
    std::unique_lock lock(mutex_);
    if (item.serial != serial_) return true;  // stale
    switch (item.kind) {
        case FrameItem::Target:
            showTarget(item, lock);
            return true;
        case FrameItem::Frame:
            return showFrame(item, lock);
        case FrameItem::End:
            return reachEnd(item, lock);
    }
    return true;
}

// A seek's frame: shown (converted when drawn), and the clock started from it when it plays.
void FfmpegEngine::showTarget(FrameItem& item, std::unique_lock<std::mutex>& lock) {
    if (item.frame) {
        shown_ = std::move(item.frame);
        shownPtsMs_ = item.ptsMs;
    }
    if (item.positionMs >= 0) posMs_ = item.positionMs;
    FramePtr frame = refFrame(shown_.get());
    const int64_t pts = shownPtsMs_;
    lock.unlock();
    video_.present(*source_, frame.get(), pts, false);
    lock.lock();
    if (item.serial == serial_) {
        presentedSerial_ = item.serial;
        targetFound_ = item.found;
        targetAtTarget_ = item.atTarget;
        if (rules().clockRuns && pipeline_) {
            clock_.set(playStartMs_);
            clock_.start();
            audio_.resumeDevice();
        }
    }
    stateCv_.notify_all();
}

// A playback frame, shown when the clock reaches it. False while it waits for its time.
bool FfmpegEngine::showFrame(FrameItem& item, std::unique_lock<std::mutex>& lock) {
    if (!rules().clockRuns) {
        waitState(lock, kTick.count());
        return false;
    }
    const int64_t now = clock_.now();
    if (toMs_ >= 0 && item.ptsMs > toMs_) {
        if (now >= toMs_) {
            finish(item.serial, toMs_);
            return true;
        }
        waitState(lock, toMs_ - now);
        return false;
    }
    if (now < item.ptsMs) {
        waitState(lock, item.ptsMs - now);
        return false;
    }
    // Behind the clock with more frames waiting: skip this one, unless it is the last
    // frame before the end, which must be the one left on screen.
    const FrameRate rate = info_.frameRate();
    const int64_t frameMs = rate.known() ? 1000000 / rate.milliFps : 0;  // whole ms, down
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
    video_.present(*source_, frame.get(), item.ptsMs, true);
    return true;
}

// The end of the media or of the range, reached when the clock gets there. False until then.
bool FfmpegEngine::reachEnd(FrameItem& item, std::unique_lock<std::mutex>& lock) {
    if (!rules().clockRuns) {
        waitState(lock, kTick.count());
        return false;
    }
    const int64_t end = endMsLocked();
    const int64_t now = clock_.now();
    if (now >= end) {
        finish(item.serial, end);
        return true;
    }
    waitState(lock, end - now);
    return false;
}

}  // namespace stillmar::mci::engine
