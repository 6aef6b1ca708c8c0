#pragma once
// Button faces painted on picture boxes: a bevel in one of nine styles and a centred caption.

#include <QString>
#include <cstdint>

namespace stillmar::forms {
class PictureBox;
}

namespace stillmar::ButtonMod {

// Clears `pic`, paints the bevel of `Style` (0-5 classic edges, 6 none, 7 the raised face,
// 8 the sunken face, anything else none) and prints `Caption` in the middle, one pixel
// right and down when `Pushed`. Leaves the box in a user scale equal to its pixels.
void DrawButton(forms::PictureBox& pic, int32_t Style, uint32_t BackColor, uint32_t ForeColor,
                const QString& Caption, bool Pushed);

}  // namespace stillmar::ButtonMod
