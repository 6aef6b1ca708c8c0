#include "controls/slider_mod.h"

#include <QWidget>
#include <cmath>
#include <optional>

#include "platform/forms/picture_box.h"

namespace stillmar::SliderMod {
namespace {

using forms::PictureBox;

// Round to nearest, ties to even; nothing when the value does not fit 32 bits.
std::optional<int32_t> toInt32OrNothing(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const double r = std::nearbyint(v);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<int32_t>(r);
}

void record(int number, const char* description) {
    LastError.number = number;
    LastError.description = QString::fromLatin1(description);
}

double trackSpan(const PictureBox& track, bool horizontal) {
    return horizontal ? track.ScaleWidth() : track.ScaleHeight();
}

double thumbSpan(const QWidget& thumb, bool horizontal) {
    return horizontal ? forms::controlWidth(thumb) : forms::controlHeight(thumb);
}

double thumbPos(const QWidget& thumb, bool horizontal) {
    return horizontal ? forms::controlLeft(thumb) : forms::controlTop(thumb);
}

void setThumbPos(QWidget& thumb, bool horizontal, double v) {
    if (horizontal)
        forms::setControlLeft(thumb, v);
    else
        forms::setControlTop(thumb, v);
}

}  // namespace

float PlaceThumb(float Ratio, QWidget& Thumb, PictureBox& Track, int32_t& Orientation,
                 bool Reversed) {
    if (SliderDragging) return 0;
    const bool horizontal = Orientation != 0;
    const float range =
        static_cast<float>(trackSpan(Track, horizontal) - thumbSpan(Thumb, horizontal));
    if (!Reversed)
        setThumbPos(Thumb, horizontal, Ratio * range);
    else
        setThumbPos(Thumb, horizontal,
                    trackSpan(Track, horizontal) - Ratio * range - thumbSpan(Thumb, horizontal));
    return static_cast<float>(thumbPos(Thumb, horizontal));
}

void SetThumbPosition(int32_t MaxValue, PictureBox& Track, PictureBox& Thumb, int32_t Position,
                      int32_t& Orientation, bool Reversed) {
    Q_UNUSED(MaxValue);
    const bool horizontal = Orientation == 1;
    // Each step runs on when an earlier one fails.
    if (auto range = toInt32OrNothing(trackSpan(Track, horizontal) - thumbSpan(Thumb, horizontal)))
        SliderRange = *range;
    else
        record(6, "Overflow");

    setThumbPos(Thumb, horizontal, Position);
    if (thumbPos(Thumb, horizontal) < 0) setThumbPos(Thumb, horizontal, 0);
    if (thumbPos(Thumb, horizontal) > SliderRange) setThumbPos(Thumb, horizontal, SliderRange);

    // Keep the faces painted on the two boxes when they move.
    Thumb.setPicture(Thumb.Image());
    Track.setPicture(Track.Image());

    const double left = thumbPos(Thumb, horizontal);
    if (SliderRange == 0) {
        record(11, "Division by zero");
        return;
    }
    // A 32-bit intermediate: the same values as a 16-bit one below 32768, and long media
    // stay reachable.
    const double q = Reversed ? -(left * SliderMax) / SliderRange : left * SliderMax / SliderRange;
    const auto part = toInt32OrNothing(q);
    const auto base = Reversed ? SliderMax : SliderMin;
    if (!part || !toInt32OrNothing(static_cast<double>(base) + *part)) {
        record(6, "Overflow");
        return;
    }
    SliderValue = base + *part;
}

void BeginThumbDrag(QWidget& Thumb, float X, float Y, int32_t& Orientation) {
    if (SliderDragging) return;
    const bool horizontal = Orientation == 1;
    DragGrabOffset = horizontal ? X : Y;
    DragStartPos = static_cast<float>(thumbPos(Thumb, horizontal));
    SliderDragging = true;
}

void DragThumb(PictureBox& Track, PictureBox& Thumb, float X, float Y, int32_t& Orientation) {
    const bool horizontal = Orientation == 1;
    if (SliderMax == 0) SliderDragging = false;
    const auto range =
        toInt32OrNothing(trackSpan(Track, horizontal) - thumbSpan(Thumb, horizontal));
    if (!range) {
        SliderDragging = false;
        return;
    }
    SliderRange = *range;
    if (!SliderDragging) return;

    const auto moved =
        toInt32OrNothing(static_cast<double>(horizontal ? X : Y) - DragGrabOffset + DragStartPos);
    if (!moved) {
        SliderDragging = false;
        return;
    }
    int32_t pos = *moved;
    if (pos < 0) pos = 0;
    if (pos > SliderRange) pos = SliderRange;
    DragStartPos = static_cast<float>(pos);
    if (!horizontal) {
        Thumb.setPicture(Thumb.Image());
        Track.setPicture(Track.Image());
    }
    SetThumbPosition(SliderMax, Track, Thumb, pos, Orientation, SliderReversed);
}

}  // namespace stillmar::SliderMod
