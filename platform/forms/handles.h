#pragma once
// Window handles: 32-bit numbers that stand for widgets, so that "parent N" in a command string
// and rectangle queries work with the numbers the program passes around.

#include <cstdint>

class QWidget;

namespace stillmar::forms {

// The handle of `widget`, registering it on first use. Handles are never reused while the
// program runs; a destroyed widget's handle then names nothing and is forgotten. Window thread
// only.
int32_t handleOf(QWidget* widget);
// The widget a handle stands for, or null.
QWidget* widgetOf(int32_t handle);
// How many handles name a live widget.
int liveHandleCount();

}  // namespace stillmar::forms
