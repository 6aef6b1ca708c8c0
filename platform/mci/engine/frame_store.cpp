#include "platform/mci/engine/frame_store.h"

#include <algorithm>

#include "platform/mci/engine/engine_counters.h"

namespace stillmar::mci::engine {

std::size_t FrameStore::frameBytes(const AVFrame* frame) {
    std::size_t bytes = 0;
    for (const AVBufferRef* buf : frame->buf) {
        if (buf) bytes += buf->size;
    }
    return bytes;
}

FrameStore::~FrameStore() {
    clear();
}

void FrameStore::account(int64_t delta) {
    bytes_ = std::size_t(int64_t(bytes_) + delta);
    counters::add(counters::stepBytes, delta);
}

void FrameStore::clear() {
    frames_.clear();
    account(-int64_t(bytes_));
}

void FrameStore::limitFrames(std::size_t frames) {
    maxFrames_ = frames;
    while (over()) popFront();
}

bool FrameStore::over() const {
    if (frames_.size() <= 1) return false;  // the frame shown is always kept
    return bytes_ > maxBytes_ || (maxFrames_ > 0 && frames_.size() > maxFrames_);
}

void FrameStore::popFront() {
    account(-int64_t(frameBytes(frames_.front().get())));
    frames_.pop_front();
}

void FrameStore::popBack() {
    account(-int64_t(frameBytes(frames_.back().get())));
    frames_.pop_back();
}

void FrameStore::append(const AVFrame* frame) {
    FramePtr ref = refFrame(frame);
    if (!ref) return;
    if (!frames_.empty() && ref->best_effort_timestamp <= frames_.back()->best_effort_timestamp)
        clear();
    account(int64_t(frameBytes(ref.get())));
    frames_.push_back(std::move(ref));
    while (over()) popFront();
}

void FrameStore::prepend(std::vector<FramePtr> run) {
    run.erase(std::remove(run.begin(), run.end(), nullptr), run.end());
    if (run.empty()) return;
    if (!frames_.empty() &&
        run.back()->best_effort_timestamp >= frames_.front()->best_effort_timestamp)
        clear();
    const std::size_t held = frames_.size();
    for (auto it = run.rbegin(); it != run.rend(); ++it) {
        account(int64_t(frameBytes(it->get())));
        frames_.push_front(std::move(*it));
    }
    for (std::size_t kept = held; kept > 0 && over(); --kept) popBack();
    while (over()) popFront();
}

std::ptrdiff_t FrameStore::indexOf(int64_t ticks) const {
    const auto it =
        std::lower_bound(frames_.begin(), frames_.end(), ticks,
                         [](const FramePtr& f, int64_t t) { return f->best_effort_timestamp < t; });
    if (it == frames_.end() || (*it)->best_effort_timestamp != ticks) return -1;
    return it - frames_.begin();
}

const AVFrame* FrameStore::find(int64_t ticks) const {
    const std::ptrdiff_t i = indexOf(ticks);
    return i < 0 ? nullptr : frames_[std::size_t(i)].get();
}

const AVFrame* FrameStore::before(int64_t ticks) const {
    const std::ptrdiff_t i = indexOf(ticks);
    return i <= 0 ? nullptr : frames_[std::size_t(i - 1)].get();
}

const AVFrame* FrameStore::after(int64_t ticks) const {
    const std::ptrdiff_t i = indexOf(ticks);
    return i < 0 || std::size_t(i) + 1 >= frames_.size() ? nullptr
                                                         : frames_[std::size_t(i + 1)].get();
}

}  // namespace stillmar::mci::engine
