#pragma once
// The window's bitmaps and pointers, by name (see stillmar.qrc).

#include <QCursor>
#include <QImage>
#include <QString>

namespace stillmar::resources {

// Makes the compiled-in resources available (a static library needs this once).
void init();

// The image ":/stillmar/<name>.png"; a null image for an unknown name.
QImage image(const QString& name);

// Mouse pointer 101 (over the video) or 102 (pressed on the video), hot spot in the middle.
QCursor pointer(int id);

}  // namespace stillmar::resources
