#pragma once
// Video surfaces: the windows a device draws its video in.
//
// A device asks the installed SurfaceFactory for a surface when it opens. The window layer
// installs a factory whose surfaces are child widgets of the window named by the parent
// handle; without one, surfaces are off-screen images that can still be read.
//
// Threading: create, geometry, visibility and destruction happen on the thread that sends
// commands (the window's thread). targetSize(), present() and presented() may be called from
// any thread; a decoder thread calls present() with frames already scaled to targetSize(), or
// presentLater() with a frame still to be converted, which the surface converts at the size it
// has when the picture is first drawn or read.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace stillmar::mci {

struct Rect {
    int32_t x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

struct Size {
    int32_t w = 0, h = 0;
    bool operator==(const Size&) const = default;
};

// One picture, 32 bits a pixel laid out as 0xFFRRGGBB in native order (QImage::Format_RGB32),
// rows tightly packed (stride = width * 4 bytes).
struct VideoFrame {
    int32_t width = 0;
    int32_t height = 0;
    int64_t ptsMs = 0;  // display time counted from the stream's start
    std::vector<uint32_t> pixels;
};
using VideoFramePtr = std::shared_ptr<const VideoFrame>;

// Makes the picture of one decoded frame at a given size; callable from any thread, any number
// of times; null when the frame cannot be converted.
using FrameMaker = std::function<VideoFramePtr(Size)>;

// What a surface shows: a picture converted already, or a frame handed over unconverted with
// the maker that converts it, when it is first drawn or read, at that size (once per size).
// Safe from any thread; the conversion runs outside the lock, and a picture made for a frame
// that was replaced meanwhile is returned but not kept.
class FrameSlot {
  public:
    void set(VideoFramePtr frame) {
        std::lock_guard lock(mutex_);
        frame_ = std::move(frame);
        maker_ = nullptr;
        ++generation_;
    }
    void setLater(FrameMaker make) {
        std::lock_guard lock(mutex_);
        maker_ = std::move(make);
        frame_.reset();
        ++generation_;
    }
    // The picture at `size`: the one kept when it has that size or nothing is left to make.
    VideoFramePtr picture(Size size) const {
        FrameMaker make;
        uint64_t asked = 0;
        {
            std::lock_guard lock(mutex_);
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
    mutable std::mutex mutex_;
    mutable VideoFramePtr frame_;
    FrameMaker maker_;
    uint64_t generation_ = 0;  // pictures handed over in all
};

class VideoSurface {
  public:
    virtual ~VideoSurface() = default;

    virtual int32_t handle() const = 0;

    // The window's rectangle inside its parent's client area.
    virtual void setWindowRect(Rect r) = 0;
    virtual Rect windowRect() const = 0;
    // The video's rectangle inside the window; by default the whole window.
    virtual void setDestination(Rect r) = 0;
    virtual Rect destination() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;

    // Thread-safe.
    virtual Size targetSize() const = 0;
    virtual void present(VideoFramePtr frame) = 0;
    // The frame to show from now on, converted only when it is drawn or read: at the size the
    // surface then has, once per size. A hidden window, or a placement replaced by another
    // before anything is drawn, costs no conversion. A later present() or presentLater()
    // replaces it. By default it is converted at once.
    virtual void presentLater(FrameMaker make) { present(make(targetSize())); }
    // Whether a picture given now would be drawn: false while the window is hidden or while it
    // has not drawn what it was last given for a while (covered by another window). Playback
    // then hands its frames over unconverted.
    virtual bool wantsPictures() const { return isVisible(); }
    // The picture shown now, at targetSize() (a frame given to presentLater() is converted).
    virtual VideoFramePtr presented() const = 0;
};

class SurfaceFactory {
  public:
    virtual ~SurfaceFactory() = default;
    // `parent` is a window handle (0: none); `child` is true when the style has the child
    // bit. `videoSize` is the video's own size, used as the initial window size.
    // Returns null when the parent handle names no window.
    virtual std::unique_ptr<VideoSurface> createSurface(int32_t parent, bool child,
                                                        Size videoSize) = 0;
};

// The factory devices use; null means off-screen surfaces.
void setSurfaceFactory(SurfaceFactory* factory);
SurfaceFactory* surfaceFactory();

// An off-screen surface (always available).
std::unique_ptr<VideoSurface> makeOffscreenSurface(Size videoSize);

}  // namespace stillmar::mci
