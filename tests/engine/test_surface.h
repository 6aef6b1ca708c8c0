#pragma once
// An off-screen surface that keeps what the engine presented, for the engine's own tests.

#include <atomic>
#include <mutex>

#include "platform/mci/video_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::test {

class TestSurface final : public mci::VideoSurface {
  public:
    int32_t handle() const override { return 1; }
    void setWindowRect(mci::Rect r) override { rect_ = r; }
    mci::Rect windowRect() const override { return rect_; }
    void setDestination(mci::Rect r) override { dest_ = r; }
    mci::Rect destination() const override { return dest_; }
    void setVisible(bool v) override { visible_ = v; }
    bool isVisible() const override { return visible_; }

    void setTargetSize(mci::Size s) {
        std::lock_guard lock(mutex_);
        target_ = s;
    }
    mci::Size targetSize() const override {
        std::lock_guard lock(mutex_);
        return target_;
    }
    void present(mci::VideoFramePtr frame) override {
        std::lock_guard lock(mutex_);
        last_ = std::move(frame);
        ++count_;
    }
    mci::VideoFramePtr presented() const override {
        std::lock_guard lock(mutex_);
        return last_;
    }
    int presentCount() const {
        std::lock_guard lock(mutex_);
        return count_;
    }
    // The frame number the last presented picture shows; -1 when none or unreadable.
    int shownFrame() const {
        auto f = presented();
        return f ? decodeFrameNumber(f->pixels, f->width, f->height) : -1;
    }

  private:
    mutable std::mutex mutex_;
    mci::Size target_;
    mci::VideoFramePtr last_;
    int count_ = 0;
    mci::Rect rect_, dest_;
    std::atomic<bool> visible_{false};  // the presenter reads it
};

}  // namespace stillmar::test
