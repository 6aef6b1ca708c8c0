#include "platform/forms/picture_box.h"

#include <gtest/gtest.h>

#include "platform/forms/colors.h"
#include "platform/forms/label.h"
#include "platform/forms/screen.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

using forms::PictureBox;
using forms::RGB;

class PictureBoxTest : public ::testing::Test {
  protected:
    PictureBoxTest() : app_(test::qtApp()) {}
    void SetUp() override {
        box.resize(100, 50);
        box.setBackColor(RGB(10, 20, 30));
    }
    QApplication& app_;
    PictureBox box;
};

TEST_F(PictureBoxTest, scaleModes_measureTheClientAreaAndUserModeKeepsThePixelValues) {
    const int tpp = forms::twipsPerPixelX();
    ASSERT_GT(tpp, 0);
    box.setScaleMode(forms::ScaleMode::Twips);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 100.0 * tpp);
    box.setScaleMode(forms::ScaleMode::Pixels);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 100);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), 50);
    box.setScaleMode(forms::ScaleMode::User);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 100);
    box.resize(200, 50);  // a user scale stretches with the box
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 100);
    EXPECT_DOUBLE_EQ(box.ScaleX(10, forms::ScaleMode::Pixels, forms::ScaleMode::User), 5);
    EXPECT_DOUBLE_EQ(box.ScaleX(3, forms::ScaleMode::Pixels, forms::ScaleMode::Twips), 3.0 * tpp);
    // A border takes two pixels on each side of the client area.
    box.setScaleMode(forms::ScaleMode::Pixels);
    box.setBorderStyle(1);
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 196);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), 46);
}

TEST_F(PictureBoxTest, clsKeepsThePictureAndANewBackColourErasesDrawings) {
    box.setScaleMode(forms::ScaleMode::Pixels);
    QImage pic(10, 10, QImage::Format_RGB32);
    pic.fill(QColor(200, 100, 50));
    box.setPicture(forms::Picture(pic));
    box.PSet(50, 20, RGB(1, 2, 3));
    box.Cls();
    EXPECT_EQ(box.Point(50, 20), RGB(10, 20, 30));
    EXPECT_EQ(box.Point(5, 5), RGB(200, 100, 50));
    box.PSet(50, 20, RGB(1, 2, 3));
    box.setBackColor(RGB(0, 0, 0));
    EXPECT_EQ(box.Point(50, 20), RGB(0, 0, 0));
    EXPECT_EQ(box.Point(5, 5), RGB(200, 100, 50));
    // Image is a copy of what is drawn; the picture made from it survives a clear.
    box.PSet(40, 40, RGB(9, 9, 9));
    box.setPicture(box.Image());
    box.Cls();
    EXPECT_EQ(box.Point(40, 40), RGB(9, 9, 9));
}

TEST_F(PictureBoxTest, print_drawsAtTheDrawingPositionAndMovesToTheNextLine) {
    box.setScaleMode(forms::ScaleMode::Pixels);
    box.setForeColor(RGB(255, 255, 255));
    box.setCurrentX(40);
    box.setCurrentY(10);
    box.Print("WW");
    EXPECT_DOUBLE_EQ(box.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(box.CurrentY(), 10 + box.TextHeight("WW"));
    int lit = 0, leftOfStart = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            if (box.Point(x, y) != RGB(10, 20, 30)) (x < 40 ? leftOfStart : lit)++;
    EXPECT_GT(lit, 5);
    EXPECT_EQ(leftOfStart, 0);
}

TEST_F(PictureBoxTest, transparentBackground_showsWhatLiesBehindButKeepsDrawings) {
    QWidget parent;
    parent.resize(100, 50);
    PictureBox under(&parent);
    under.setGeometry(0, 0, 100, 50);
    under.setBackColor(RGB(0, 0, 128));
    PictureBox over(&parent);
    over.setGeometry(0, 0, 100, 50);
    over.setScaleMode(forms::ScaleMode::Pixels);
    over.setBackColor(RGB(16, 0, 16));
    over.setBackgroundTransparent(true);
    over.PSet(10, 10, RGB(0, 255, 0));
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(50, 30)), QColor(0, 0, 128));
    EXPECT_EQ(QColor(shot.pixel(10, 10)), QColor(0, 255, 0));
}

TEST(LabelTest, autoSize_fitsTheCaptionAndACentredLabelKeepsItsCentre) {
    test::qtApp();
    forms::Label label;
    label.setGeometry(100, 10, 40, 13);
    label.setCentered(true);
    label.setAutoSize(true);
    label.setCaption("1");
    const int centre = 2 * label.x() + label.width();
    label.setCaption("99:99:99");
    EXPECT_GT(label.width(), 20);
    EXPECT_NEAR(2 * label.x() + label.width(), centre, 1);
    EXPECT_EQ(label.Caption(), "99:99:99");
}

}  // namespace
}  // namespace stillmar
