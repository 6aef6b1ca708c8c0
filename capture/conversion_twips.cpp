#include "capture/conversion_twips.h"

#include "platform/runtime/numbers.h"
#include "platform/system/display.h"

namespace stillmar::ConversionTwipsPixelAvecAPI {

namespace {
int32_t ratio(int32_t pixelsPerInch) {
    if (pixelsPerInch <= 0) return 0;
    return rt::toInt32OrRaise(1440.0 / pixelsPerInch);
}

int32_t toPixels(int32_t twips, int32_t twipsPerPixel) {
    if (twipsPerPixel == 0) return 0;
    return rt::toInt32OrRaise(static_cast<double>(twips) / twipsPerPixel);
}
}  // namespace

int32_t TwipsPerPixelX() {
    return ratio(sys::logicalDpiX());
}
int32_t TwipsPerPixelY() {
    return ratio(sys::logicalDpiY());
}

int32_t TwipsToPixelsX(int32_t twips) {
    return toPixels(twips, TwipsPerPixelX());
}
int32_t TwipsToPixelsY(int32_t twips) {
    return toPixels(twips, TwipsPerPixelY());
}

}  // namespace stillmar::ConversionTwipsPixelAvecAPI
