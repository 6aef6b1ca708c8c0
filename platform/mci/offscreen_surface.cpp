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
    void present(VideoFramePtr frame) override { slot_.set(std::move(frame)); }
    // Nothing draws an off-screen surface: a frame handed over is converted only when read.
    void presentLater(FrameMaker make) override { slot_.setLater(std::move(make)); }
    VideoFramePtr presented() const override { return slot_.picture(targetSize()); }

  private:
    const int32_t handle_;
    mutable std::mutex mutex_;
    Rect window_;
    Rect destination_;
    bool visible_ = false;
    FrameSlot slot_;  // the converted picture is kept for the next reader
};

}  // namespace

std::unique_ptr<VideoSurface> makeOffscreenSurface(Size videoSize) {
    return std::make_unique<OffscreenSurface>(videoSize);
}

}  // namespace stillmar::mci
