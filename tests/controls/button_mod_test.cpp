#include "controls/button_mod.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <map>
#include <vector>

#include "controls/draw_edge.h"
#include "platform/forms/colors.h"
#include "platform/forms/picture_box.h"
#include "platform/forms/screen.h"
#include "tests/forms/qt_app.h"

namespace stillmar {
namespace {

using forms::PictureBox;
using forms::RGB;

constexpr uint32_t kNormal = RGB(75, 75, 80);
constexpr uint32_t kPressed = RGB(52, 71, 80);
constexpr uint32_t kWhite = RGB(255, 255, 255);

class ButtonFaceTest : public ::testing::Test {
  protected:
    void SetUp() override { test::qtApp(); }

    std::unique_ptr<PictureBox> box(int w, int h) {
        auto b = std::make_unique<PictureBox>();
        b->setFont(forms::sansSerifFont());
        b->resize(w, h);
        return b;
    }

    static uint32_t at(const PictureBox& b, int x, int y) {
        return forms::fromArgb(b.persistentImage().pixel(x, y));
    }
};

// The faces painted by hand: ring colours for a box big enough that the rings do not meet.
// Expected values come straight from the face table, written out per pixel.
struct FaceColours {
    uint32_t innerTopLeft, innerBottomRight, cornerInnerTop, cornerInnerBottomRight;
};

void expectFace(const PictureBox& b, int W, int H, bool sunken, uint32_t back) {
    const FaceColours c =
        sunken
            ? FaceColours{RGB(87, 91, 93), RGB(203, 206, 208), RGB(72, 75, 77), RGB(234, 235, 236)}
            : FaceColours{RGB(203, 206, 208), RGB(87, 91, 93), RGB(234, 235, 236), RGB(72, 75, 77)};
    auto px = [&](int x, int y) { return forms::fromArgb(b.persistentImage().pixel(x, y)); };
    // Expected image built pixel by pixel from the rules of each ring.
    std::vector<std::vector<uint32_t>> want(H, std::vector<uint32_t>(W, back));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint32_t v = back;
            if (x == 0 || y == 0) v = RGB(75, 80, 84);
            if (x == W - 1 || y == H - 1) v = RGB(170, 175, 179);
            if (x == 0 && y == H - 1) v = RGB(170, 175, 179);  // bottom line wins over left
            if (y == 0 && x == W - 1) v = RGB(75, 80, 84);     // top line wins over right
            const bool mid = x >= 1 && x <= W - 2 && y >= 1 && y <= H - 2;
            if (mid && (x == 1 || y == 1 || x == W - 2 || y == H - 2)) v = RGB(48, 49, 51);
            const bool in = x >= 2 && x <= W - 3 && y >= 2 && y <= H - 3;
            if (in && (x == W - 3 || y == H - 3)) v = c.innerBottomRight;
            if (in && (x == 2 || y == 2)) v = c.innerTopLeft;
            want[y][x] = v;
        }
    // Inner ring corners: bottom line overwrites the left line at (2, H-3); top line the right
    // line at (W-3, 2).
    want[H - 3][2] = c.innerBottomRight;
    want[2][W - 3] = c.innerTopLeft;
    // The softened corners (segments 13 to 26, in order).
    want[0][0] = RGB(98, 103, 107);
    want[2][2] = c.cornerInnerTop;
    want[H - 1][0] = RGB(129, 134, 138);
    want[H - 2][0] = RGB(109, 114, 118);
    want[H - 1][1] = RGB(141, 146, 150);
    want[H - 3][2] = RGB(135, 140, 144);
    want[0][W - 1] = RGB(129, 134, 138);
    want[0][W - 2] = RGB(109, 114, 118);
    want[2][W - 3] = RGB(135, 140, 144);
    want[1][W - 1] = RGB(141, 146, 150);
    want[H - 1][W - 1] = RGB(169, 174, 178);
    want[H - 2][W - 1] = RGB(181, 186, 190);
    want[H - 1][W - 2] = RGB(181, 186, 190);
    want[H - 3][W - 3] = c.cornerInnerBottomRight;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(px(x, y), want[y][x]) << "pixel " << x << "," << y << " of " << W << "x" << H
                                            << (sunken ? " sunken" : " raised");
}

TEST_F(ButtonFaceTest, raisedAndSunkenFaces_matchTheFaceTablePixelByPixel) {
    for (auto [w, h] : std::vector<std::pair<int, int>>{{57, 25}, {249, 16}, {9, 7}, {6, 6}}) {
        auto b = box(w, h);
        ButtonMod::DrawButton(*b, 7, kNormal, kWhite, "", false);
        expectFace(*b, w, h, false, kNormal);
        ButtonMod::DrawButton(*b, 8, kPressed, kWhite, "", false);
        expectFace(*b, w, h, true, kPressed);
    }
}

TEST_F(ButtonFaceTest, threeByThreeBox_keepsTheColourOfTheLastSegment) {
    // Every ring lands on the same few pixels; the segment order alone decides.
    auto b = box(3, 3);
    ButtonMod::DrawButton(*b, 7, kNormal, kWhite, "", false);
    const uint32_t want[3][3] = {
        {RGB(72, 75, 77), RGB(109, 114, 118), RGB(129, 134, 138)},
        {RGB(109, 114, 118), RGB(48, 49, 51), RGB(181, 186, 190)},
        {RGB(135, 140, 144), RGB(181, 186, 190), RGB(169, 174, 178)},
    };
    // For example (0,0) is last painted by segment 26, from (W-3, H-3), and (0,2) by
    // segment 21, from (W-3, 2); (1,1) keeps the near-black of segments 5 and 11.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(at(*b, x, y), want[y][x]) << x << "," << y;
}

TEST_F(ButtonFaceTest, caption_isCentredFromTheTextSizeAndPushedMovesItByOnePixel) {
    for (bool pushed : {false, true}) {
        auto b = box(57, 25);
        ButtonMod::DrawButton(*b, 6, kNormal, kWhite, "Capturer", pushed);

        // The same text printed by hand at the centred point on a plain box.
        auto ref = box(57, 25);
        ref->setScaleMode(PictureBox::vbPixels);
        ref->setBackColor(kNormal);
        ref->setForeColor(kWhite);
        const float x = (57.0f - static_cast<float>(ref->TextWidth("Capturer"))) / 2 + pushed;
        const float y = (25.0f - static_cast<float>(ref->TextHeight("Capturer"))) / 2 + pushed;
        ref->setCurrentX(x);
        ref->setCurrentY(y);
        ref->Print("Capturer");
        EXPECT_EQ(b->persistentImage(), ref->persistentImage()) << "pushed " << pushed;
        EXPECT_NE(b->persistentImage(), box(57, 25)->persistentImage());
    }
}

// Style 0 asks for a flat edge on no side; 6 is the caption alone.
TEST_F(ButtonFaceTest, stylesZeroSixAndUnknown_leaveAPlainBackground) {
    for (int style : {0, 6, 9, -1, 1000}) {
        auto b = box(30, 12);
        ButtonMod::DrawButton(*b, style, kPressed, kWhite, "", false);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 30; ++x) ASSERT_EQ(at(*b, x, y), kPressed) << "style " << style;
    }
}

TEST_F(ButtonFaceTest, classicStyles_paintTheirEdgesInThe3DColours) {
    auto argb = [](uint32_t v) { return forms::fromArgb(v); };
    struct Case {
        int style;
        uint32_t outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    const uint32_t hi = argb(controls::kColor3DHighlight), li = argb(controls::kColor3DLight),
                   sh = argb(controls::kColor3DShadow), dk = argb(controls::kColor3DDarkShadow);
    const Case cases[] = {
        {1, hi, sh, kNormal, kNormal},  // raised inner only: one ring
        {2, li, dk, hi, sh},            // raised
        {3, sh, hi, kNormal, kNormal},  // sunken outer only
        {4, sh, hi, hi, sh},            // etched
        {5, li, dk, dk, li},            // bump
    };
    for (const Case& c : cases) {
        auto b = box(20, 10);
        ButtonMod::DrawButton(*b, c.style, kNormal, kWhite, "", false);
        EXPECT_EQ(at(*b, 5, 0), c.outerTopLeft) << c.style;
        EXPECT_EQ(at(*b, 0, 5), c.outerTopLeft) << c.style;
        EXPECT_EQ(at(*b, 5, 9), c.outerBottomRight) << c.style;
        EXPECT_EQ(at(*b, 19, 5), c.outerBottomRight) << c.style;
        EXPECT_EQ(at(*b, 5, 1), c.innerTopLeft) << c.style;
        EXPECT_EQ(at(*b, 18, 5), c.innerBottomRight) << c.style;
        EXPECT_EQ(at(*b, 10, 5), kNormal) << c.style;
    }
}

TEST_F(ButtonFaceTest, drawingTwice_givesTheSameImageAndLeavesAPixelUserScale) {
    auto b = box(57, 25);
    b->setScaleMode(PictureBox::vbTwips);
    b->PSet(30, 30, RGB(1, 2, 3));
    ButtonMod::DrawButton(*b, 7, kNormal, kWhite, "Stop", false);
    const QImage first = b->persistentImage().copy();
    ButtonMod::DrawButton(*b, 7, kNormal, kWhite, "Stop", false);
    EXPECT_EQ(b->persistentImage(), first);
    EXPECT_EQ(b->ScaleMode(), PictureBox::vbUser);
    EXPECT_DOUBLE_EQ(b->ScaleWidth(), 57);
    EXPECT_DOUBLE_EQ(b->ScaleHeight(), 25);
    EXPECT_DOUBLE_EQ(b->ScaleLeft(), 0);
    EXPECT_EQ(b->BorderStyle(), 0);
}

}  // namespace
}  // namespace stillmar
