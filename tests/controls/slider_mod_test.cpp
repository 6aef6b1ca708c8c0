#include "controls/slider_mod.h"

#include <gtest/gtest.h>

#include "controls/button_mod.h"
#include "platform/forms/colors.h"
#include "platform/forms/picture_box.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

using forms::PictureBox;

class SliderTest : public ::testing::Test {
  protected:
    SliderTest() : app_(test::qtApp()) {}
    void SetUp() override {
        SliderMod::SliderValue = 0;
        SliderMod::SliderMax = 0;
        SliderMod::SliderMin = 0;
        SliderMod::SliderReversed = false;
        SliderMod::SliderDragging = false;
        SliderMod::SliderRange = 0;
        SliderMod::LastError = {};
        track.resize(200, 16);
        ButtonMod::DrawButton(track, ButtonMod::Bevel::RaisedFace, forms::RGB(75, 75, 80), 0xFFFFFF,
                              "", false);
        thumb = new PictureBox(&track);
        thumb->setScaleMode(forms::ScaleMode::Pixels);
        thumb->setGeometry(0, 2, 20, 13);
    }

    QApplication& app_;
    PictureBox track;
    PictureBox* thumb = nullptr;
    int32_t horizontal = 1;
};

TEST_F(SliderTest, placeThumb_putsTheLeftEdgeAtTheRatioOfTheTravel) {
    EXPECT_FLOAT_EQ(SliderMod::PlaceThumb(0.5f, *thumb, track, horizontal, false), 90);
    EXPECT_EQ(thumb->x(), 90);
    EXPECT_FLOAT_EQ(SliderMod::PlaceThumb(1.0f, *thumb, track, horizontal, false), 180);
    // Reversed: the value grows from right to left.
    EXPECT_FLOAT_EQ(SliderMod::PlaceThumb(0.25f, *thumb, track, horizontal, true), 135);
    // Not clamped.
    EXPECT_FLOAT_EQ(SliderMod::PlaceThumb(1.5f, *thumb, track, horizontal, false), 270);
}

TEST_F(SliderTest, drag_clampsAtBothEndsWithValuesMinAndMinPlusMax) {
    SliderMod::SliderMax = 360;
    SliderMod::SliderMin = 5;
    thumb->move(50, 2);
    SliderMod::BeginThumbDrag(*thumb, 4, 6, horizontal);
    SliderMod::DragThumb(track, *thumb, -500, 6, horizontal);
    EXPECT_EQ(thumb->x(), 0);
    EXPECT_EQ(SliderMod::SliderValue, 5);
    SliderMod::DragThumb(track, *thumb, 900, 6, horizontal);
    EXPECT_EQ(thumb->x(), 180);
    EXPECT_EQ(SliderMod::SliderRange, 180);
    EXPECT_EQ(SliderMod::SliderValue, 365);
}

TEST_F(SliderTest, drag_keepsTheGrabbedPointUnderTheMouse) {
    SliderMod::SliderMax = 180;
    thumb->move(40, 2);
    // Pressed 15 pixels into the thumb; the mouse moves 10 pixels right, so in the thumb's own
    // coordinates (it has not moved yet) it is at 25.
    SliderMod::BeginThumbDrag(*thumb, 15, 6, horizontal);
    SliderMod::DragThumb(track, *thumb, 25, 6, horizontal);
    EXPECT_EQ(thumb->x(), 50);
    // The thumb moved with the mouse: the same spot is again 15 pixels in; 3 more to the right.
    SliderMod::DragThumb(track, *thumb, 18, 6, horizontal);
    EXPECT_EQ(thumb->x(), 53);
    EXPECT_EQ(SliderMod::SliderValue, 53);  // 53 * 180 / 180
}

TEST_F(SliderTest, valueMapping_roundsHalfToEvenAndHonoursReversed) {
    SliderMod::SliderMax = 1;  // value = round(L / 180)
    SliderMod::SliderDragging = false;
    SliderMod::SetThumbPosition(0, track, *thumb, 90, horizontal, false);
    EXPECT_EQ(SliderMod::SliderValue, 0);  // 0.5 goes to 0
    SliderMod::SliderMax = 3;              // 90 * 3 / 180 = 1.5 goes to 2
    SliderMod::SetThumbPosition(0, track, *thumb, 90, horizontal, false);
    EXPECT_EQ(SliderMod::SliderValue, 2);
    SliderMod::SliderMax = 100;
    SliderMod::SetThumbPosition(0, track, *thumb, 45, horizontal, true);
    EXPECT_EQ(SliderMod::SliderValue, 75);  // 100 + round(-25)
}

TEST_F(SliderTest, drag_withoutMedia_doesNotMoveTheThumbAndEndsTheDrag) {
    SliderMod::SliderMax = 0;
    thumb->move(30, 2);
    SliderMod::BeginThumbDrag(*thumb, 5, 5, horizontal);
    SliderMod::DragThumb(track, *thumb, 80, 5, horizontal);
    EXPECT_EQ(thumb->x(), 30);
    EXPECT_FALSE(SliderMod::SliderDragging);
}

TEST_F(SliderTest, zeroTravel_leavesTheValueAndRecordsTheError) {
    thumb->resize(200, 13);
    SliderMod::SliderMax = 50;
    SliderMod::SliderValue = 7;
    SliderMod::SetThumbPosition(0, track, *thumb, 10, horizontal, false);
    EXPECT_EQ(SliderMod::SliderValue, 7);
    EXPECT_EQ(thumb->x(), 0);
    EXPECT_EQ(SliderMod::LastError.number, 11);
}

}  // namespace
}  // namespace stillmar
