#pragma once
// Button faces painted on picture boxes: a bevel in one of nine styles and a centred caption.

#include <QString>
#include <cstdint>

namespace stillmar::forms {
class PictureBox;
}

namespace stillmar::ButtonMod {

// The bevels DrawButton paints. The first six are the classic window edges; the program's
// own buttons use the two three-pixel faces.
namespace Bevel {
inline constexpr int32_t BumpFlat = 0;  // a bump with no side named: no border at all
inline constexpr int32_t RaisedInner = 1;
inline constexpr int32_t Raised = 2;
inline constexpr int32_t SunkenOuter = 3;
inline constexpr int32_t Etched = 4;
inline constexpr int32_t Bump = 5;
inline constexpr int32_t Plain = 6;  // no bevel; so is any unknown value
inline constexpr int32_t RaisedFace = 7;
inline constexpr int32_t SunkenFace = 8;
}  // namespace Bevel

// Clears `pic`, paints the bevel of `Style` (a Bevel value) and prints `Caption` in the
// middle, one pixel right and down when `Pushed`. Leaves the box in a user scale equal to its
// pixels.
void DrawButton(forms::PictureBox& pic, int32_t Style, uint32_t BackColor, uint32_t ForeColor,
                const QString& Caption, bool Pushed);

}  // namespace stillmar::ButtonMod
