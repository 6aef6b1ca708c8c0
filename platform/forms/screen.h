#pragma once
// Screen facts and the pending-event pump.

#include <QFont>

namespace stillmar::forms {

// Twips per pixel of the primary screen (1440 / logical dots per inch, rounded; 15 at 96 dpi).
int twipsPerPixelX();
int twipsPerPixelY();

// Lets the window system deliver what is pending once (timer ticks, clicks, repaints).

// The classic dialog font ("MS Sans Serif") at `points`, or the closest installed face.
QFont sansSerifFont(double points = 8.25, bool bold = false);

}  // namespace stillmar::forms
