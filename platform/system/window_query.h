#pragma once
// Questions about windows by handle, answered by the window layer when one is installed.

#include <cstdint>
#include <string_view>

namespace stillmar::sys {

struct WindowRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class WindowQuery {
  public:
    virtual ~WindowQuery() = default;
    // The outer rectangle of window `hwnd` in screen pixels; false for an unknown handle.
    virtual bool getWindowRect(int32_t hwnd, WindowRect& rect) = 0;
    // The handle of a top-level window with this title, 0 when there is none.
    virtual int32_t findWindow(std::string_view title) = 0;
};

// Null (the default) answers every question with "no such window".
void setWindowQuery(WindowQuery* query);

// Convenience wrappers over the installed query.
bool getWindowRect(int32_t hwnd, WindowRect& rect);
int32_t findWindow(std::string_view title);

}  // namespace stillmar::sys
