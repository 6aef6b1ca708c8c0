#pragma once
// A video surface for benchmarks: it keeps what the engine presents and, as the service's
// off-screen surfaces do, converts a frame handed over unconverted when it is read.

#include <mutex>

#include "platform/mci/video_surface.h"

namespace stillmar::bench {

class BenchSurface final : public mci::VideoSurface {
  public:
    explicit BenchSurface(mci::Size target) : target_(target) {}
    int32_t handle() const override { return 1; }
    void setWindowRect(mci::Rect) override {}
    mci::Rect windowRect() const override { return {}; }
    void setDestination(mci::Rect) override {}
    mci::Rect destination() const override { return {}; }
    void setVisible(bool) override {}
    bool isVisible() const override { return true; }
    mci::Size targetSize() const override {
        std::lock_guard lock(mutex_);
        return target_;
    }
    void setTargetSize(mci::Size s) {
        std::lock_guard lock(mutex_);
        target_ = s;
    }
    void present(mci::VideoFramePtr frame) override {
        slot_.set(std::move(frame));
        std::lock_guard lock(mutex_);
        ++count_;
    }
    // As the service's off-screen surfaces do: a frame handed over is converted when read.
    void presentLater(mci::FrameMaker make) override {
        slot_.setLater(std::move(make));
        std::lock_guard lock(mutex_);
        ++count_;
    }
    mci::VideoFramePtr presented() const override { return slot_.picture(targetSize()); }
    int count() const {
        std::lock_guard lock(mutex_);
        return count_;
    }

  private:
    mci::Size target_;
    mutable std::mutex mutex_;
    mci::FrameSlot slot_;
    int count_ = 0;
};

}  // namespace stillmar::bench
