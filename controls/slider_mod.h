#pragma once
// The seek slider: a thumb control lying inside a track control. The module variables are
// program-wide and shared with the main window.

#include <QString>
#include <cstdint>

class QWidget;

namespace stillmar::forms {
class PictureBox;
}

namespace stillmar::SliderMod {

inline int32_t SliderValue = 0;
inline int32_t SliderMax = 0;
inline int32_t SliderMin = 0;
inline bool SliderReversed = false;
inline bool SliderDragging = false;
inline int32_t SliderRange = 0;
inline float DragStartPos = 0;
inline float DragGrabOffset = 0;

// The last error of a step that ran with errors ignored (0: none). The main window shows it
// and clears it.
struct RecordedError {
    int number = 0;
    QString description;
};
inline RecordedError LastError;

// Puts the thumb at Ratio of the track's travel; returns the thumb's left (top) read back,
// 0 while a drag is in progress. Orientation 0 is vertical, anything else horizontal.
float PlaceThumb(float Ratio, QWidget& Thumb, forms::PictureBox& Track, int32_t& Orientation,
                 bool Reversed);
// Moves the thumb to Position (pixels), clamped to the travel, and sets SliderValue.
// Orientation 1 is horizontal, anything else vertical. MaxValue is not used (SliderMax is).
void SetThumbPosition(int32_t MaxValue, forms::PictureBox& Track, forms::PictureBox& Thumb,
                      int32_t Position, int32_t& Orientation, bool Reversed);
// Starts a drag at (X, Y) inside the thumb, unless one is in progress.
void BeginThumbDrag(QWidget& Thumb, float X, float Y, int32_t& Orientation);
// Follows the mouse at (X, Y) inside the thumb, keeping the grabbed point under it.
void DragThumb(forms::PictureBox& Track, forms::PictureBox& Thumb, float X, float Y,
               int32_t& Orientation);

}  // namespace stillmar::SliderMod
