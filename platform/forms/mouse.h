#pragma once
// Mouse buttons and shift state as the event handlers receive them.

#include <Qt>

namespace stillmar::forms {

// The buttons held, added together.
namespace MouseButton {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int Middle = 4;
}  // namespace MouseButton

// The modifier keys held, added together.
namespace KeyMask {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
}  // namespace KeyMask

// A picture box's pointer: the platform's own, or its MouseIcon.
namespace MousePointer {
inline constexpr int Default = 0;
inline constexpr int Custom = 99;
}  // namespace MousePointer

inline int buttonsOf(Qt::MouseButtons b) {
    int r = 0;
    if (b & Qt::LeftButton) r |= MouseButton::Left;
    if (b & Qt::RightButton) r |= MouseButton::Right;
    if (b & Qt::MiddleButton) r |= MouseButton::Middle;
    return r;
}

inline int shiftOf(Qt::KeyboardModifiers m) {
    int r = 0;
    if (m & Qt::ShiftModifier) r |= KeyMask::Shift;
    if (m & Qt::ControlModifier) r |= KeyMask::Ctrl;
    if (m & Qt::AltModifier) r |= KeyMask::Alt;
    return r;
}

}  // namespace stillmar::forms
