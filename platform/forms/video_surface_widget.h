#pragma once
// The widget a video surface draws in: the latest presented frame inside the destination
// rectangle, black around it. Clicks pass through to the window behind.

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/mci/video_surface.h"

namespace stillmar::forms {

// Shared between the surface (device side), its widget and queued repaints.
struct SurfaceState {
    mutable std::mutex mutex;
    mci::VideoFramePtr frame;
    // The frame handed over unconverted, and how many frames were handed over in all (a
    // conversion made outside the lock is kept only if no newer frame came meanwhile).
    mci::FrameMaker maker;
    uint64_t generation = 0;
    // Frames given since the widget last painted; a covered widget never paints.
    std::atomic<int> undrawn{0};
    mci::Rect destination;
    bool destinationSet = false;
    std::atomic<bool> repaintQueued{false};

    // The picture to draw at `size`: the frame given, or the one handed over converted now
    // (once per size). Never holds the lock while converting.
    mci::VideoFramePtr picture(mci::Size size);
};

class VideoSurfaceWidget : public QWidget {
    Q_OBJECT
  public:
    VideoSurfaceWidget(std::shared_ptr<SurfaceState> state, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::shared_ptr<SurfaceState> state_;
};

}  // namespace stillmar::forms
