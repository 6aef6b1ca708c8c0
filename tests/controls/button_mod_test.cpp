#include "controls/button_mod.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <vector>

#include "controls/draw_edge.h"
#include "platform/forms/colors.h"
#include "platform/forms/picture_box.h"
#include "platform/forms/screen.h"
#include "tests/support/qt_app.h"

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

// The hand-painted faces are compared with reference images kept in tests/controls/faces/
// (each looked at, and checked against the face table, when it was made). With
// STILLMAR_UPDATE_FACES=1 the test writes them anew instead.
void expectReferenceFace(const PictureBox& b, const QString& name) {
    const QString path = QStringLiteral(STILLMAR_FACES_DIR "/") + name + ".png";
    const QImage got = b.persistentImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("STILLMAR_UPDATE_FACES")) {
        ASSERT_TRUE(got.save(path)) << path.toStdString();
        return;
    }
    const QImage want = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(want.size(), got.size()) << path.toStdString();
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            ASSERT_EQ(got.pixel(x, y), want.pixel(x, y))
                << "pixel " << x << "," << y << " of " << path.toStdString();
}

TEST_F(ButtonFaceTest, raisedAndSunkenFaces_matchTheirReferenceImages) {
    // 3x3: every ring lands on the same few pixels, and the order of the segments decides.
    for (auto [w, h] :
         std::vector<std::pair<int, int>>{{57, 25}, {249, 16}, {9, 7}, {6, 6}, {3, 3}}) {
        const QString size = QString("%1x%2").arg(w).arg(h);
        auto b = box(w, h);
        ButtonMod::DrawButton(*b, ButtonMod::Bevel::RaisedFace, kNormal, kWhite, "", false);
        expectReferenceFace(*b, "raised_" + size);
        ButtonMod::DrawButton(*b, ButtonMod::Bevel::SunkenFace, kPressed, kWhite, "", false);
        expectReferenceFace(*b, "sunken_" + size);
    }
}

TEST_F(ButtonFaceTest, caption_isCentredFromTheTextSizeAndPushedMovesItByOnePixel) {
    for (bool pushed : {false, true}) {
        auto b = box(57, 25);
        ButtonMod::DrawButton(*b, ButtonMod::Bevel::Plain, kNormal, kWhite, "Capturer", pushed);

        // The same text printed by hand at the centred point on a plain box.
        auto ref = box(57, 25);
        ref->setScaleMode(forms::ScaleMode::Pixels);
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

// BumpFlat asks for a flat edge on no side; Plain is the caption alone.
TEST_F(ButtonFaceTest, stylesZeroSixAndUnknown_leaveAPlainBackground) {
    using namespace ButtonMod::Bevel;
    for (int style : {BumpFlat, Plain, 9, -1, 1000}) {
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
        {ButtonMod::Bevel::RaisedInner, hi, sh, kNormal, kNormal},  // one ring
        {ButtonMod::Bevel::Raised, li, dk, hi, sh},
        {ButtonMod::Bevel::SunkenOuter, sh, hi, kNormal, kNormal},  // one ring
        {ButtonMod::Bevel::Etched, sh, hi, hi, sh},
        {ButtonMod::Bevel::Bump, li, dk, dk, li},
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
    b->setScaleMode(forms::ScaleMode::Twips);
    b->PSet(30, 30, RGB(1, 2, 3));
    ButtonMod::DrawButton(*b, ButtonMod::Bevel::RaisedFace, kNormal, kWhite, "Stop", false);
    const QImage first = b->persistentImage().copy();
    ButtonMod::DrawButton(*b, ButtonMod::Bevel::RaisedFace, kNormal, kWhite, "Stop", false);
    EXPECT_EQ(b->persistentImage(), first);
    EXPECT_EQ(b->ScaleMode(), forms::ScaleMode::User);
    EXPECT_DOUBLE_EQ(b->ScaleWidth(), 57);
    EXPECT_DOUBLE_EQ(b->ScaleHeight(), 25);
    EXPECT_DOUBLE_EQ(b->ScaleLeft(), 0);
    EXPECT_EQ(b->BorderStyle(), 0);
}

}  // namespace
}  // namespace stillmar
