#include <gtest/gtest.h>

#include "capture/add_backslash.h"
#include "capture/conversion_twips.h"
#include "capture/string_mod.h"
#include "platform/system/display.h"

namespace stillmar {
namespace {

using namespace std::string_literals;
namespace Conv = ConversionTwipsPixelAvecAPI;

TEST(StringMod, trimAtNullAndGetFileName) {
    EXPECT_EQ(StringMod::TrimAtNull("abc\0x"s), "abc");
    EXPECT_EQ(StringMod::TrimAtNull("\0abc"s), "");
    EXPECT_EQ(StringMod::TrimAtNull("no nul"), "no nul");
    EXPECT_EQ(StringMod::GetFileName("/home/u/Videos/clip.avi"), "clip.avi");
    EXPECT_EQ(StringMod::GetFileName("clip.avi"), "clip.avi");
    EXPECT_EQ(StringMod::GetFileName("/home/u/Videos/"), "Videos/");
    EXPECT_EQ(StringMod::GetFileName(""), "");
    EXPECT_EQ(StringMod::GetFileName("x"), "x");
}

TEST(CapMod, addBackslashAppendsOneSeparatorWhenMissing) {
    EXPECT_EQ(CapMod::AddBackslash("/opt/stillmar"), "/opt/stillmar/");
    EXPECT_EQ(CapMod::AddBackslash("/opt/stillmar/"), "/opt/stillmar/");
    EXPECT_EQ(CapMod::AddBackslash(""), "/");
}

TEST(Twips, ratiosAndConversionsRoundHalfToEvenOnTheInstalledDisplay) {
    const int32_t cases[][2] = {{96, 15}, {120, 12}, {144, 10}, {110, 13}, {3000, 0}};
    for (const auto& c : cases) {
        const sys::FixedDisplay display(c[0], 96);
        sys::setDisplay(&display);
        EXPECT_EQ(Conv::TwipsPerPixelX(), c[1]) << c[0];
        EXPECT_EQ(Conv::TwipsPerPixelY(), 15);
    }
    const sys::FixedDisplay display(96, 120);
    sys::setDisplay(&display);
    EXPECT_EQ(Conv::TwipsToPixelsX(232), 15);
    EXPECT_EQ(Conv::TwipsToPixelsX(233), 16);
    EXPECT_EQ(Conv::TwipsToPixelsY(30), 2);
    EXPECT_EQ(Conv::TwipsToPixelsY(42), 4);
    sys::setDisplay(nullptr);
    // No display: a ratio of 0 and no pixels rather than a division by zero.
    EXPECT_EQ(Conv::TwipsPerPixelX(), 0);
    EXPECT_EQ(Conv::TwipsToPixelsY(1440), 0);
}

}  // namespace
}  // namespace stillmar
