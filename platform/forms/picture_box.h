#pragma once
// Picture boxes: a widget with a persistent image (the automatic-redraw bitmap) that Cls,
// Print, Line and PSet draw into, a scale (twips, pixels or user-defined), a background
// picture, colours in 0x00BBGGRR, a border style and a custom mouse pointer.
//
// Mouse events report the button (MouseButton::Left...), the shift state and the position in the
// box's own scale. Window thread only.

#include <QCursor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/forms/picture.h"

namespace stillmar::forms {

// The unit of a picture box's coordinates: its own scale (User), twips or pixels.
namespace ScaleMode {
inline constexpr int User = 0;
inline constexpr int Twips = 1;
inline constexpr int Pixels = 3;
}  // namespace ScaleMode

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    uint32_t BackColor() const { return back_; }
    // Like the run time, a new background colour erases the drawings.
    void setBackColor(uint32_t bgr);
    uint32_t ForeColor() const { return fore_; }
    void setForeColor(uint32_t bgr) { fore_ = bgr; }

    // 0: none; 1: fixed single (a two-pixel sunken edge around the client area).
    int BorderStyle() const { return border_; }
    void setBorderStyle(int style);

    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on) { autoRedraw_ = on; }

    int ScaleMode() const { return scaleMode_; }
    // forms::ScaleMode::User keeps the current scale values; forms::ScaleMode::Twips and
    // forms::ScaleMode::Pixels reset the origin to 0, 0.
    void setScaleMode(int mode);
    double ScaleLeft() const;
    double ScaleTop() const;
    double ScaleWidth() const;
    double ScaleHeight() const;
    // Converts a width (height) between scale modes of this box (forms::ScaleMode::User is its own
    // scale).
    double ScaleX(double value, int fromMode, int toMode) const;
    double ScaleY(double value, int fromMode, int toMode) const;

    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    void setCurrentX(double x) { curX_ = x; }
    void setCurrentY(double y) { curY_ = y; }

    // Size of a text in this box's font, in its scale.
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;

    // Fills the persistent image with the background colour and the picture; the drawing
    // position goes back to the scale's origin.
    void Cls();
    // Draws `text` with its top-left at the drawing position in the text colour, then moves
    // the drawing position to the start of the next line.
    void Print(const QString& text);
    // A line from (x1, y1) towards (x2, y2); the end point itself is not painted. The drawing
    // position moves to the end point.
    void Line(double x1, double y1, double x2, double y2, uint32_t bgr);
    void PSet(double x, double y, uint32_t bgr);
    // The colour at a point in scale coordinates, or -1 outside the client area.
    int64_t Point(double x, double y) const;
    void Refresh() { update(); }

    // The background picture, drawn by Cls under the drawings.
    const Picture& picture() const { return picture_; }
    void setPicture(const Picture& p);
    // A copy of the persistent image.
    Picture Image() const { return Picture(persistentImage()); }
    const QImage& persistentImage() const;
    // Lets a painter of our own draw into the persistent image (client pixels).
    void paintImage(const std::function<void(QImage&)>& painter);

    // MousePointer::Default or MousePointer::Custom; the custom pointer is the MouseIcon.
    void setMousePointer(int pointer);
    int MousePointer() const { return pointer_; }
    void setMouseIcon(const QCursor& cursor);

    // When on, pixels of the background colour are not painted, so that what lies behind the
    // box (a sibling's video) shows through; drawings and the picture stay visible.
    void setBackgroundTransparent(bool on);
    bool backgroundTransparent() const { return transparent_; }

    // Converts between this box's scale and pixels of its client area.
    double toPixelX(double x) const;
    double toPixelY(double y) const;
    double fromPixelX(double px) const;
    double fromPixelY(double py) const;
    int borderWidth() const;

    int innerWidth() const;
    int innerHeight() const;

  signals:
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);
    void click();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    double unitsPerPixelX(int mode) const;
    double unitsPerPixelY(int mode) const;
    void setPixel(int x, int y, uint32_t argb);
    void fillBackground(QImage& img) const;
    // The persistent image follows the client size; a hidden widget gets its resize events
    // late, so every use checks the size first.
    void syncImage() const;
    void changed();

    mutable QImage image_;
    Picture picture_;
    uint32_t back_ = 0xC8D0D4;  // the classic button face
    uint32_t fore_ = 0;
    int border_ = 0;
    bool autoRedraw_ = true;
    int scaleMode_ = forms::ScaleMode::Twips;
    double userLeft_ = 0, userTop_ = 0, userWidth_ = 1, userHeight_ = 1;
    double curX_ = 0, curY_ = 0;
    int pointer_ = 0;
    QCursor icon_;
    bool transparent_ = false;
    mutable QImage masked_;
    mutable bool maskedDirty_ = true;
    bool pressedLeft_ = false;
};

// Position and size of a control in its container's scale: a picture box's own scale, pixels
// in any other container. Setting a position rounds to whole pixels.
double controlLeft(const QWidget& control);
double controlTop(const QWidget& control);
double controlWidth(const QWidget& control);
double controlHeight(const QWidget& control);
void setControlLeft(QWidget& control, double left);
void setControlTop(QWidget& control, double top);

}  // namespace stillmar::forms
