#pragma once
// Colours as the forms layer stores them: 24-bit values with red in the low byte (0x00BBGGRR).

#include <QColor>
#include <cstdint>

namespace stillmar::forms {

constexpr uint32_t RGB(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}

inline QColor toQColor(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

inline uint32_t fromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

// The same colour as a pixel of a QImage::Format_RGB32 image (0xFFRRGGBB).
inline uint32_t toArgb(uint32_t bgr) {
    return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

inline uint32_t fromArgb(uint32_t argb) {
    return ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16);
}

}  // namespace stillmar::forms
