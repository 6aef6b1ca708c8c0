#pragma once
// Twips (1440 to the logical inch) and pixels of the display. The display is asked anew on
// every call; nothing is cached.

#include <cstdint>

namespace stillmar::ConversionTwipsPixelAvecAPI {

// 1440 / pixels per logical inch, rounded half to even; 0 when the display gives no value.
int32_t TwipsPerPixelX();
int32_t TwipsPerPixelY();

// twips / ratio, rounded half to even. With no ratio (0) there are no pixels: 0.
int32_t TwipsToPixelsX(int32_t twips);
int32_t TwipsToPixelsY(int32_t twips);

}  // namespace stillmar::ConversionTwipsPixelAvecAPI
