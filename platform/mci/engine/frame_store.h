#pragma once
// The decoded frames of one stretch of video, consecutive in display order and as they are
// shown (upright, deinterlaced), kept so that stepping back and forth through them costs no
// decoding. Frames are references to the decoder's pictures, not copies. Bounded in bytes (and
// while playing, in frames: only the tail that a pause may want again). Decode thread only.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/mci/engine/ff.h"

namespace stillmar::mci::engine {

class FrameStore {
  public:
    // About 20 frames of 1080p 4:2:0, 560 of 320x240.
    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    explicit FrameStore(std::size_t maxBytes = kMaxBytes) : maxBytes_(maxBytes) {}
    ~FrameStore();
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    void clear();
    bool empty() const { return frames_.empty(); }
    std::size_t size() const { return frames_.size(); }
    std::size_t bytes() const { return bytes_; }
    // At most `frames` frames from now on (0: only the byte bound).
    void limitFrames(std::size_t frames);

    // `frame` comes right after the last frame held; a frame that does not lie after it
    // starts a new stretch. The oldest frames go first beyond the bound.
    void append(const AVFrame* frame);
    // `run` (oldest first) comes right before the first frame held. Beyond the bound the
    // frames furthest from the run's end go first: the newest held, then the run's oldest.
    void prepend(std::vector<FramePtr> run);

    // By the frame's timestamp (best effort, in the stream's time base); null when not held.
    const AVFrame* find(int64_t ticks) const;
    // The frame before or after the one at `ticks`; null when that one is not held or is the
    // first / last held.
    const AVFrame* before(int64_t ticks) const;
    const AVFrame* after(int64_t ticks) const;
    const AVFrame* first() const { return frames_.empty() ? nullptr : frames_.front().get(); }
    const AVFrame* last() const { return frames_.empty() ? nullptr : frames_.back().get(); }

    // The memory a frame's pictures take.
    static std::size_t frameBytes(const AVFrame* frame);

  private:
    std::ptrdiff_t indexOf(int64_t ticks) const;
    void popFront();
    void popBack();
    bool over() const;
    void account(int64_t delta);  // bytes_ and the process-wide level

    std::size_t maxBytes_;
    std::size_t maxFrames_ = 0;
    std::deque<FramePtr> frames_;
    std::size_t bytes_ = 0;
};

}  // namespace stillmar::mci::engine
