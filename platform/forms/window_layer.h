#pragma once
// The window layer behind the platform interfaces: rectangles and titles of windows by
// handle, and video surfaces that are child widgets of the window a device names.

#include <memory>
#include <string_view>

#include "platform/mci/video_surface.h"
#include "platform/system/window_query.h"

namespace stillmar::forms {

class QtWindowQuery final : public sys::WindowQuery {
  public:
    bool getWindowRect(int32_t hwnd, sys::WindowRect& rect) override;
    int32_t findWindow(std::string_view title) override;
};

// Surfaces drawn by a child widget of the parent handle's widget. present() may come from any
// thread: the frame is stored under a lock and a repaint is queued to the window thread.
class WidgetSurfaceFactory final : public mci::SurfaceFactory {
  public:
    std::unique_ptr<mci::VideoSurface> createSurface(int32_t parent, bool child,
                                                     mci::Size videoSize) override;
};

// Installs the window query, the surface factory and the screen's dots per inch into the
// platform layers. Call once, after the QApplication exists.
void installWindowLayer();

}  // namespace stillmar::forms
