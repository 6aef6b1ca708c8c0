// CapMod on real widgets under the offscreen platform: what a copy holds.

#include <gtest/gtest.h>

#include <memory>

#include "capture/cap_mod.h"
#include "platform/forms/colors.h"
#include "platform/forms/handles.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

using forms::PictureBox;
using forms::RGB;

constexpr QRgb kRed = 0xFFFF0000;
const QRgb kBack = forms::toArgb(RGB(16, 0, 16));

class CapModTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApp();
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        box = new PictureBox(window.get());
        box->setGeometry(10, 10, 120, 90);
        box->setBackColor(RGB(16, 0, 16));
        box->setScaleMode(forms::ScaleMode::Pixels);
        window->show();
    }

    // A child filled with red, as a video surface shows a frame.
    void addRedChild(QRect where) {
        auto* child = new QWidget(box);
        child->setGeometry(where);
        child->setAutoFillBackground(true);
        QPalette p = child->palette();
        p.setColor(QPalette::Window, Qt::red);
        child->setPalette(p);
        child->show();
    }

    std::unique_ptr<QWidget> window;
    PictureBox* box = nullptr;
};

TEST_F(CapModTest, Capture_holdsTheClientAreaWithChildrenAndDrawings) {
    box->setBorderStyle(1);
    addRedChild(QRect(20, 10, 30, 40));
    box->PSet(5, 5, RGB(0, 255, 0));

    const QImage pic = CapMod::CapturePictureBox(*box).image;
    ASSERT_EQ(pic.size(), QSize(116, 86));  // inside the two-pixel border
    EXPECT_EQ(pic.pixel(5, 5), 0xFF00FF00u);
    EXPECT_EQ(pic.pixel(18, 8), kRed);  // the child's corner, in client coordinates
    EXPECT_EQ(pic.pixel(47, 47), kRed);
    EXPECT_EQ(pic.pixel(17, 8), kBack);

    const int32_t h = forms::handleOf(box);
    const QImage part = CapMod::CaptureWindow(h, true, 18, 8, 4, 4).image;
    EXPECT_EQ(part.pixel(0, 0), kRed);
    // The whole window starts at the outer corner of the border.
    const QImage whole = CapMod::CaptureWindow(h, false, 0, 0, 120, 90).image;
    EXPECT_EQ(whole.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(whole.pixel(20, 10), kRed);
    EXPECT_TRUE(CapMod::CaptureWindow(0x7FFFFF00, true, 0, 0, 10, 10).isNull());
}

}  // namespace
}  // namespace stillmar
