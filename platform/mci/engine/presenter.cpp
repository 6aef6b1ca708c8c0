// The presenter thread: paces the decoded frames on the playback clock, drops late ones, ends
// a range, and hands pictures to the surface.
#include <algorithm>

#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/engine/ffmpeg_engine.h"

namespace stillmar::mci::engine {
namespace {

using namespace std::chrono_literals;

constexpr int64_t kLateDropMs = 100;

}  // namespace

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
    if (serial != serial_ || !rules().clockRuns) return;
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
            if (rules().clockRuns && pipeline_ && presentedSerial_ == serial_ && toMs_ >= 0 &&
                clock_.now() >= toMs_)
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
            if (item.positionMs >= 0) posMs_ = item.positionMs;
            FramePtr frame = refFrame(shown_.get());
            const int64_t pts = shownPtsMs_;
            lock.unlock();
            presentFrame(frame.get(), pts, false);
            lock.lock();
            if (item.serial == serial_) {
                presentedSerial_ = item.serial;
                targetFound_ = item.found;
                targetAtTarget_ = item.atTarget;
                if (rules().clockRuns && pipeline_) {
                    clock_.set(playStartMs_);
                    clock_.start();
                    if (audioActive_ && audioOut_) audioOut_->setPaused(false);
                }
            }
            stateCv_.notify_all();
            return true;
        }
        case FrameItem::Frame: {
            if (!rules().clockRuns) {
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
            if (!rules().clockRuns) {
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
