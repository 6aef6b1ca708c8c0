// The presenter thread: paces the decoded frames on the playback clock, drops late ones, ends
// a range, and hands pictures to the surface (video_output.h).
#include "platform/mci/engine/presenter.h"

#include <algorithm>
#include <optional>

#include "platform/mci/engine/engine_counters.h"

namespace stillmar::mci::engine {
namespace {

using namespace std::chrono_literals;

constexpr int64_t kLateDropMs = 100;

}  // namespace

void Presenter::start(MediaSource& source, const MediaInfo& info) {
    source_ = &source;
    info_ = info;
    thread_ = std::thread([this] { loop(); });
}

void Presenter::join() {
    if (thread_.joinable()) thread_.join();
}

void Presenter::finish(uint32_t serial, int64_t atMs) {
    if (serial != play_.serial || !play_.rules().clockRuns) return;
    play_.mode = EngineMode::Stopped;
    play_.posMs = atMs;
    play_.pipeline = false;
    play_.clock.stop();
    play_.clock.set(atMs);
    audio_.pauseDevice();
    play_.cv.notify_all();
}

void Presenter::loop() {
    std::optional<FrameItem> item;
    while (!play_.stopping) {
        if (!item) item = frames_.pop(kTick);
        if (!item) {
            // Nothing queued: a range end may still be due (sound-only files).
            std::lock_guard lock(play_.mutex);
            if (play_.rules().clockRuns && play_.pipeline &&
                play_.presentedSerial == play_.serial && play_.toMs >= 0 &&
                play_.clock.now() >= play_.toMs)
                finish(play_.serial, play_.toMs);
            continue;
        }
        if (handleItem(*item)) item.reset();
    }
}

// Waits under `lock` for the clock to reach a moment `ms` away, or for a change of state,
// never longer than a tick.
void Presenter::waitState(std::unique_lock<std::mutex>& lock, int64_t ms) {
    play_.cv.wait_for(
        lock, std::clamp<std::chrono::milliseconds>(std::chrono::milliseconds(ms), 1ms, kTick));
}

bool Presenter::handleItem(FrameItem& item) {
    std::unique_lock lock(play_.mutex);
    if (item.serial != play_.serial) return true;  // stale
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
void Presenter::showTarget(FrameItem& item, std::unique_lock<std::mutex>& lock) {
    if (item.frame) {
        play_.shown = std::move(item.frame);
        play_.shownPtsMs = item.ptsMs;
    }
    if (item.positionMs >= 0) play_.posMs = item.positionMs;
    FramePtr frame = refFrame(play_.shown.get());
    const int64_t pts = play_.shownPtsMs;
    lock.unlock();
    video_.present(*source_, frame.get(), pts, false);
    lock.lock();
    if (item.serial == play_.serial) {
        play_.presentedSerial = item.serial;
        play_.targetFound = item.found;
        play_.targetAtTarget = item.atTarget;
        if (play_.rules().clockRuns && play_.pipeline) {
            play_.clock.set(play_.playStartMs);
            play_.clock.start();
            audio_.resumeDevice();
        }
    }
    play_.cv.notify_all();
}

// A playback frame, shown when the clock reaches it. False while it waits for its time.
bool Presenter::showFrame(FrameItem& item, std::unique_lock<std::mutex>& lock) {
    if (!play_.rules().clockRuns) {
        waitState(lock, kTick.count());
        return false;
    }
    const int64_t now = play_.clock.now();
    if (play_.toMs >= 0 && item.ptsMs > play_.toMs) {
        if (now >= play_.toMs) {
            finish(item.serial, play_.toMs);
            return true;
        }
        waitState(lock, play_.toMs - now);
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
    const bool lastBeforeEnd = item.ptsMs + frameMs > play_.endMsLocked(info_.lengthMs);
    if (now - item.ptsMs > kLateDropMs && frames_.size() > 0 && !lastBeforeEnd) {
        counters::add(counters::dropped, 1);
        return true;
    }
    counters::add(counters::presented, 1);
    if (frameMs > 0 && now - item.ptsMs > frameMs) counters::add(counters::late, 1);
    play_.shown = std::move(item.frame);
    play_.shownPtsMs = item.ptsMs;
    FramePtr frame = refFrame(play_.shown.get());
    lock.unlock();
    video_.present(*source_, frame.get(), item.ptsMs, true);
    return true;
}

// The end of the media or of the range, reached when the clock gets there. False until then.
bool Presenter::reachEnd(FrameItem& item, std::unique_lock<std::mutex>& lock) {
    if (!play_.rules().clockRuns) {
        waitState(lock, kTick.count());
        return false;
    }
    const int64_t end = play_.endMsLocked(info_.lengthMs);
    const int64_t now = play_.clock.now();
    if (now >= end) {
        finish(item.serial, end);
        return true;
    }
    waitState(lock, end - now);
    return false;
}

}  // namespace stillmar::mci::engine
