// Off-screen video surfaces: what a device draws into when no window layer is installed.
#include <atomic>
#include <mutex>

#include "platform/mci/video_surface.h"

namespace stillmar::mci {
namespace {

// Handles are 2 modulo 4 so that they never equal a window handle of the window layer.
std::atomic<int32_t> g_nextHandle{0x00F00002};

class OffscreenSurface final : public VideoSurface {
  public:
    explicit OffscreenSurface(Size videoSize)
        : handle_(g_nextHandle.fetch_add(4)),
          window_{0, 0, videoSize.w, videoSize.h},
          destination_{0, 0, videoSize.w, videoSize.h} {}

    int32_t handle() const override { return handle_; }

    void setWindowRect(Rect r) override {
        std::lock_guard lock(mutex_);
        window_ = r;
    }
    Rect windowRect() const override {
        std::lock_guard lock(mutex_);
        return window_;
    }
    void setDestination(Rect r) override {
        std::lock_guard lock(mutex_);
        destination_ = r;
    }
    Rect destination() const override {
        std::lock_guard lock(mutex_);
        return destination_;
    }
    void setVisible(bool visible) override {
        std::lock_guard lock(mutex_);
        visible_ = visible;
    }
    bool isVisible() const override {
        std::lock_guard lock(mutex_);
        return visible_;
    }

    Size targetSize() const override {
        std::lock_guard lock(mutex_);
        return {destination_.w, destination_.h};
    }
    void present(VideoFramePtr frame) override {
        std::lock_guard lock(mutex_);
        frame_ = std::move(frame);
        maker_ = nullptr;
        ++generation_;
    }
    // Nothing draws an off-screen surface: a frame handed over is converted only when read.
    void presentLater(FrameMaker make) override {
        std::lock_guard lock(mutex_);
        maker_ = std::move(make);
        frame_.reset();
        ++generation_;
    }
    VideoFramePtr presented() const override {
        FrameMaker make;
        uint64_t asked = 0;
        Size size;
        {
            std::lock_guard lock(mutex_);
            size = {destination_.w, destination_.h};
            const bool fits = frame_ && frame_->width == size.w && frame_->height == size.h;
            if (!maker_ || fits || size.w <= 0 || size.h <= 0) return frame_;
            make = maker_;
            asked = generation_;
        }
        VideoFramePtr made = make(size);
        std::lock_guard lock(mutex_);
        if (generation_ == asked && made) frame_ = made;
        return made ? made : frame_;
    }

  private:
    const int32_t handle_;
    mutable std::mutex mutex_;
    Rect window_;
    Rect destination_;
    bool visible_ = false;
    mutable VideoFramePtr frame_;  // the converted picture is kept for the next reader
    FrameMaker maker_;
    uint64_t generation_ = 0;
};

}  // namespace

std::unique_ptr<VideoSurface> makeOffscreenSurface(Size videoSize) {
    return std::make_unique<OffscreenSurface>(videoSize);
}

}  // namespace stillmar::mci
