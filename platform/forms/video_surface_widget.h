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
    mutable std::mutex mutex;  // guards the destination
    // The picture to draw: converted when drawn or read, at that size (once per size).
    mci::FrameSlot slot;
    // Frames given since the widget last painted; a covered widget never paints.
    std::atomic<int> undrawn{0};
    mci::Rect destination;
    bool destinationSet = false;
    std::atomic<bool> repaintQueued{false};
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
