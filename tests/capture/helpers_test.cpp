#include <gtest/gtest.h>

#include <memory>

#include "capture/add_backslash.h"
#include "capture/conversion_twips.h"
#include "capture/string_mod.h"
#include "platform/system/display.h"

namespace stillmar {
namespace {

using namespace std::string_literals;

TEST(StringMod, trimAtNullKeepsTheTextBeforeTheFirstNul) {
    EXPECT_EQ(StringMod::TrimAtNull("abc\0x"s), "abc");
    EXPECT_EQ(StringMod::TrimAtNull("\0abc"s), "");
    EXPECT_EQ(StringMod::TrimAtNull("/v/clip.avi" + std::string(250, '\0')), "/v/clip.avi");
    EXPECT_EQ(StringMod::TrimAtNull("no nul"), "no nul");
    EXPECT_EQ(StringMod::TrimAtNull(""), "");
}

TEST(StringMod, getFileNameTakesTheTextAfterTheLastInnerSeparator) {
    EXPECT_EQ(StringMod::GetFileName("/home/u/Videos/clip.avi"), "clip.avi");
    EXPECT_EQ(StringMod::GetFileName("clip.avi"), "clip.avi");
    EXPECT_EQ(StringMod::GetFileName("/home/u/Videos/"), "Videos/");
    EXPECT_EQ(StringMod::GetFileName(""), "");
    EXPECT_EQ(StringMod::GetFileName("x"), "x");
    EXPECT_EQ(StringMod::GetFileName("/"), "/");
    EXPECT_EQ(StringMod::GetFileName("/a"), "a");
    EXPECT_EQ(StringMod::GetFileName("C:\\Videos\\clip.avi"), "C:\\Videos\\clip.avi");
}

TEST(CapMod, addBackslashAppendsOneSeparatorWhenMissing) {
    EXPECT_EQ(CapMod::AddBackslash("/opt/stillmar"), "/opt/stillmar/");
    EXPECT_EQ(CapMod::AddBackslash("/opt/stillmar/"), "/opt/stillmar/");
    EXPECT_EQ(CapMod::AddBackslash("/"), "/");
    EXPECT_EQ(CapMod::AddBackslash(""), "/");
}

class Twips : public ::testing::Test {
  protected:
    void TearDown() override { sys::setDisplay(nullptr); }
    void use(int32_t x, int32_t y) {
        display_ = std::make_unique<sys::FixedDisplay>(x, y);
        sys::setDisplay(display_.get());
    }
    std::unique_ptr<sys::FixedDisplay> display_;
};

TEST_F(Twips, ratioIs1440OverPixelsPerInchRounded) {
    const struct {
        int32_t dpi, ratio;
    } cases[] = {{96, 15}, {120, 12}, {144, 10}, {110, 13}, {192, 8}, {3000, 0}};
    for (const auto& c : cases) {
        use(c.dpi, c.dpi);
        EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsPerPixelX(), c.ratio) << c.dpi;
        EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsPerPixelY(), c.ratio) << c.dpi;
    }
    use(96, 144);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsPerPixelX(), 15);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsPerPixelY(), 10);
}

TEST_F(Twips, conversionsRoundHalfToEvenAndAskTheDisplayEachTime) {
    use(96, 96);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsX(232), 15);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsX(233), 16);
    use(120, 120);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsY(30), 2);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsY(42), 4);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsX(-30), -2);
}

TEST_F(Twips, noDisplayGivesARatioOfZeroAndZeroPixels) {
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsPerPixelX(), 0);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsX(1440), 0);
    use(0, -1);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsPerPixelY(), 0);
    EXPECT_EQ(ConversionTwipsPixelAvecAPI::TwipsToPixelsY(1440), 0);
}

}  // namespace
}  // namespace stillmar
