// CapMod on real widgets under the offscreen platform: what a copy holds and where it goes.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <memory>
#include <vector>

#include "capture/cap_mod.h"
#include "platform/forms/colors.h"
#include "platform/forms/handles.h"
#include "platform/forms/message_box.h"
#include "platform/forms/picture_box.h"
#include "tests/forms/qt_app.h"

namespace stillmar {
namespace {

using forms::PictureBox;
using forms::RGB;

constexpr QRgb kRed = 0xFFFF0000;

class CapModTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApp();
        forms::setMessageBoxAnswerer([this](const forms::MessageBoxRequest& r) {
            boxes.push_back(r);
            return forms::vbOK;
        });
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        behind = new PictureBox(window.get());
        behind->setGeometry(10, 10, 120, 90);
        behind->setBackColor(RGB(0, 0, 128));
        box = new PictureBox(window.get());
        box->setGeometry(10, 10, 120, 90);
        box->setBackColor(RGB(16, 0, 16));
        box->setScaleMode(PictureBox::vbPixels);
        window->show();
    }
    void TearDown() override { forms::setMessageBoxAnswerer({}); }

    // A child that fills a rectangle with one colour, as a video surface shows a frame.
    QWidget* addChild(QRect where, QColor colour) {
        auto* child = new QWidget(box);
        child->setGeometry(where);
        child->setAutoFillBackground(true);
        QPalette p = child->palette();
        p.setColor(QPalette::Window, colour);
        child->setPalette(p);
        child->show();
        return child;
    }

    std::unique_ptr<QWidget> window;
    PictureBox* behind = nullptr;
    PictureBox* box = nullptr;
    std::vector<forms::MessageBoxRequest> boxes;
};

TEST_F(CapModTest, CapturePictureBox_holdsClientAreaWithChildrenAndDrawings) {
    box->setBorderStyle(1);
    addChild(QRect(20, 10, 30, 40), Qt::red);
    box->PSet(5, 5, RGB(0, 255, 0));

    const forms::Picture pic = CapMod::CapturePictureBox(*box);
    ASSERT_EQ(pic.width(), 116);  // inside the two-pixel border
    ASSERT_EQ(pic.height(), 86);
    EXPECT_EQ(pic.image.pixel(5, 5), 0xFF00FF00u);
    // The child sits at (20, 10) of the widget, which is (18, 8) of the client area.
    EXPECT_EQ(pic.image.pixel(18, 8), kRed);
    EXPECT_EQ(pic.image.pixel(47, 47), kRed);
    EXPECT_EQ(pic.image.pixel(17, 8), forms::toArgb(RGB(16, 0, 16)));
    EXPECT_EQ(pic.image.pixel(0, 0), forms::toArgb(RGB(16, 0, 16)));
}

TEST_F(CapModTest, CapturePictureBox_seeThroughBoxGivesItsOwnBackgroundNotTheSiblingBehind) {
    box->setBackgroundTransparent(true);
    const forms::Picture pic = CapMod::CapturePictureBox(*box);
    ASSERT_EQ(pic.image.size(), QSize(120, 90));
    for (QPoint p : {QPoint(0, 0), QPoint(60, 45), QPoint(119, 89)})
        EXPECT_EQ(pic.image.pixel(p), forms::toArgb(RGB(16, 0, 16)));
}

TEST_F(CapModTest, CaptureWindow_takesTheAskedRectangleOrNothing) {
    box->setBorderStyle(1);
    addChild(QRect(40, 30, 10, 10), Qt::red);
    const int32_t h = forms::handleOf(box);

    const forms::Picture part = CapMod::CaptureWindow(h, true, 38, 28, 10, 10);
    ASSERT_EQ(part.image.size(), QSize(10, 10));
    EXPECT_EQ(part.image.pixel(0, 0), kRed);
    EXPECT_EQ(part.image.pixel(9, 9), kRed);

    // The whole window starts at the outer corner of the border.
    const forms::Picture whole = CapMod::CaptureWindow(h, false, 0, 0, 120, 90);
    EXPECT_EQ(whole.image.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(whole.image.pixel(40, 30), kRed);

    EXPECT_TRUE(CapMod::CaptureWindow(0x7FFFFF00, true, 0, 0, 10, 10).isNull());
    EXPECT_TRUE(CapMod::CaptureWindow(h, true, 0, 0, 0, 10).isNull());
}

TEST_F(CapModTest, CapturePictureBox_sizeDoesNotDependOnTheScaleMode) {
    box->setScaleMode(PictureBox::vbTwips);
    EXPECT_EQ(CapMod::CapturePictureBox(*box).image.size(), QSize(120, 90));
    box->setScaleWidth(7.3);
    box->setScaleHeight(-2.1);
    EXPECT_EQ(CapMod::CapturePictureBox(*box).image.size(), QSize(120, 90));
}

TEST_F(CapModTest, CaptureToClipboard_replacesClipboardAndShowsThePicture) {
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    addChild(QRect(0, 0, 60, 90), Qt::red);
    box->PSet(100, 50, RGB(0, 255, 0));

    CapMod::CaptureToClipboard(*box);

    EXPECT_TRUE(boxes.empty());
    const QImage held = QGuiApplication::clipboard()->image();
    ASSERT_EQ(held.size(), QSize(120, 90));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_EQ(held.pixel(10, 10), kRed);
    EXPECT_EQ(held.pixel(100, 50), 0xFF00FF00u);
    EXPECT_EQ(held.pixel(110, 10), forms::toArgb(RGB(16, 0, 16)));
    // The box now shows the copy as its picture, and the clipboard holds its Image.
    ASSERT_FALSE(box->picture().isNull());
    EXPECT_EQ(box->picture().image, held.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(box->Image().image, box->picture().image);
}

TEST_F(CapModTest, CreateBitmapPicture_ownsPixelsAndResolvesAPalette) {
    QImage source(4, 2, QImage::Format_RGB32);
    source.fill(Qt::blue);
    const forms::Picture copy = CapMod::CreateBitmapPicture(source);
    source.fill(Qt::green);  // the picture keeps its own pixels
    EXPECT_EQ(copy.image.pixel(1, 1), 0xFF0000FFu);

    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(1, 2, 3)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    const forms::Picture resolved =
        CapMod::CreateBitmapPicture(indexed, {qRgb(0, 0, 0), qRgb(200, 100, 50)});
    EXPECT_EQ(resolved.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(resolved.image.pixel(0, 0), qRgb(200, 100, 50));

    EXPECT_TRUE(CapMod::CreateBitmapPicture(QImage()).isNull());
    EXPECT_EQ(CapMod::CaptureErrorText(7, QStringLiteral("Out of memory")),
              QStringLiteral("7=  Out of memory"));
}

}  // namespace
}  // namespace stillmar
