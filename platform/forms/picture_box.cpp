#include "platform/forms/picture_box.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/forms/colors.h"
#include "platform/forms/mouse.h"
#include "platform/forms/screen.h"

namespace stillmar::forms {
namespace {

constexpr int kBorderWidth = 2;

// Whole pixels, ties to even; far-off coordinates are kept in a range that cannot overflow.
int toPixelIndex(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -1e8, 1e8)));
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    fillBackground(image_);
}

int PictureBox::borderWidth() const {
    return border_ ? kBorderWidth : 0;
}

int PictureBox::innerWidth() const {
    return std::max(0, width() - 2 * (border_ ? kBorderWidth : 0));
}
int PictureBox::innerHeight() const {
    return std::max(0, height() - 2 * (border_ ? kBorderWidth : 0));
}

void PictureBox::setBackColor(uint32_t bgr) {
    back_ = bgr & 0xFFFFFF;
    Cls();
}

void PictureBox::setBorderStyle(int style) {
    border_ = style == 0 ? 0 : 1;
    syncImage();
    update();
}

void PictureBox::setScaleMode(int mode) {
    if (mode == forms::ScaleMode::User) {
        userLeft_ = ScaleLeft();
        userTop_ = ScaleTop();
        userWidth_ = ScaleWidth();
        userHeight_ = ScaleHeight();
        scaleMode_ = forms::ScaleMode::User;
        return;
    }
    scaleMode_ =
        mode == forms::ScaleMode::Pixels ? forms::ScaleMode::Pixels : forms::ScaleMode::Twips;
    curX_ = 0;
    curY_ = 0;
}

double PictureBox::unitsPerPixelX(int mode) const {
    switch (mode) {
        case forms::ScaleMode::Pixels:
            return 1.0;
        case forms::ScaleMode::Twips:
            return twipsPerPixelX();
        default:
            return innerWidth() > 0 ? userWidth_ / innerWidth() : userWidth_;
    }
}

double PictureBox::unitsPerPixelY(int mode) const {
    switch (mode) {
        case forms::ScaleMode::Pixels:
            return 1.0;
        case forms::ScaleMode::Twips:
            return twipsPerPixelY();
        default:
            return innerHeight() > 0 ? userHeight_ / innerHeight() : userHeight_;
    }
}

double PictureBox::ScaleLeft() const {
    return scaleMode_ == forms::ScaleMode::User ? userLeft_ : 0.0;
}
double PictureBox::ScaleTop() const {
    return scaleMode_ == forms::ScaleMode::User ? userTop_ : 0.0;
}
double PictureBox::ScaleWidth() const {
    return scaleMode_ == forms::ScaleMode::User ? userWidth_
                                                : innerWidth() * unitsPerPixelX(scaleMode_);
}
double PictureBox::ScaleHeight() const {
    return scaleMode_ == forms::ScaleMode::User ? userHeight_
                                                : innerHeight() * unitsPerPixelY(scaleMode_);
}

double PictureBox::ScaleX(double value, int fromMode, int toMode) const {
    return value * unitsPerPixelX(toMode) / unitsPerPixelX(fromMode);
}
double PictureBox::ScaleY(double value, int fromMode, int toMode) const {
    return value * unitsPerPixelY(toMode) / unitsPerPixelY(fromMode);
}

double PictureBox::toPixelX(double x) const {
    return (x - ScaleLeft()) / unitsPerPixelX(scaleMode_);
}
double PictureBox::toPixelY(double y) const {
    return (y - ScaleTop()) / unitsPerPixelY(scaleMode_);
}
double PictureBox::fromPixelX(double px) const {
    return px * unitsPerPixelX(scaleMode_) + ScaleLeft();
}
double PictureBox::fromPixelY(double py) const {
    return py * unitsPerPixelY(scaleMode_) + ScaleTop();
}

double PictureBox::TextWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text) * unitsPerPixelX(scaleMode_);
}

double PictureBox::TextHeight(const QString& text) const {
    Q_UNUSED(text);
    return QFontMetrics(font()).height() * unitsPerPixelY(scaleMode_);
}

void PictureBox::fillBackground(QImage& img) const {
    img.fill(toArgb(back_));
    if (!picture_.isNull()) {
        QPainter p(&img);
        p.drawImage(0, 0, picture_.image);
    }
}

void PictureBox::changed() {
    maskedDirty_ = true;
    update();
}

void PictureBox::Cls() {
    syncImage();
    fillBackground(image_);
    curX_ = ScaleLeft();
    curY_ = ScaleTop();
    changed();
}

void PictureBox::Print(const QString& text) {
    syncImage();
    // Text starts on whole pixels, as the window system draws it.
    const int px = toPixelIndex(toPixelX(curX_));
    const int py = toPixelIndex(toPixelY(curY_));
    {
        QPainter p(&image_);
        // On a transparent background, edges blended with the background colour would show
        // as a fringe over what lies behind: whole pixels there.
        QFont f = font();
        if (transparent_) f.setStyleStrategy(QFont::NoAntialias);
        p.setFont(f);
        p.setPen(toQColor(fore_));
        p.drawText(QPoint(px, py + QFontMetrics(font()).ascent()), text);
    }
    curX_ = ScaleLeft();
    curY_ = curY_ + TextHeight(text);
    changed();
}

void PictureBox::setPixel(int x, int y, uint32_t argb) {
    syncImage();
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    reinterpret_cast<uint32_t*>(image_.scanLine(y))[x] = argb;
}

void PictureBox::Line(double x1, double y1, double x2, double y2, uint32_t bgr) {
    // Bresenham from the first point; the second point is where the pen stops, not painted.
    int x = toPixelIndex(toPixelX(x1)), y = toPixelIndex(toPixelY(y1));
    const int ex = toPixelIndex(toPixelX(x2)), ey = toPixelIndex(toPixelY(y2));
    const int dx = std::abs(ex - x), sx = x < ex ? 1 : -1;
    const int dy = -std::abs(ey - y), sy = y < ey ? 1 : -1;
    const uint32_t argb = toArgb(bgr);
    int err = dx + dy;
    while (x != ex || y != ey) {
        setPixel(x, y, argb);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    curX_ = x2;
    curY_ = y2;
    changed();
}

void PictureBox::PSet(double x, double y, uint32_t bgr) {
    setPixel(toPixelIndex(toPixelX(x)), toPixelIndex(toPixelY(y)), toArgb(bgr));
    curX_ = x;
    curY_ = y;
    changed();
}

int64_t PictureBox::Point(double x, double y) const {
    syncImage();
    const int px = toPixelIndex(toPixelX(x)), py = toPixelIndex(toPixelY(y));
    if (px < 0 || py < 0 || px >= image_.width() || py >= image_.height()) return -1;
    return fromArgb(image_.pixel(px, py));
}

void PictureBox::paintImage(const std::function<void(QImage&)>& painter) {
    syncImage();
    painter(image_);
    changed();
}

void PictureBox::setPicture(const Picture& p) {
    syncImage();
    picture_ = p;
    // The new picture replaces what was shown; drawings made after it go on top.
    fillBackground(image_);
    changed();
}

void PictureBox::setMousePointer(int pointer) {
    pointer_ = pointer;
    if (pointer == MousePointer::Custom)
        setCursor(icon_);
    else
        unsetCursor();
}

void PictureBox::setMouseIcon(const QCursor& cursor) {
    icon_ = cursor;
    if (pointer_ == MousePointer::Custom) setCursor(icon_);
}

void PictureBox::setBackgroundTransparent(bool on) {
    transparent_ = on;
    setAttribute(Qt::WA_OpaquePaintEvent, !on);
    changed();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    syncImage();
}

void PictureBox::syncImage() const {
    const int w = std::max(1, innerWidth()), h = std::max(1, innerHeight());
    if (image_.width() == w && image_.height() == h) return;
    QImage next(w, h, QImage::Format_RGB32);
    fillBackground(next);
    {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    maskedDirty_ = true;
}

const QImage& PictureBox::persistentImage() const {
    syncImage();
    return image_;
}

void PictureBox::paintEvent(QPaintEvent*) {
    syncImage();
    QPainter p(this);
    const int b = border_ ? kBorderWidth : 0;
    if (b) {
        const QRect r = rect();
        p.setPen(QColor(128, 128, 128));
        p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
        p.setPen(QColor(64, 64, 64));
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 2, r.top() + 1);
        p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 2);
        p.setPen(QColor(255, 255, 255));
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.setPen(QColor(212, 208, 200));
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
    if (!transparent_) {
        p.drawImage(b, b, image_);
        return;
    }
    if (maskedDirty_) {
        masked_ = image_.convertToFormat(QImage::Format_ARGB32);
        const uint32_t key = toArgb(back_);
        for (int y = 0; y < masked_.height(); ++y) {
            auto* line = reinterpret_cast<uint32_t*>(masked_.scanLine(y));
            for (int x = 0; x < masked_.width(); ++x)
                if (line[x] == key) line[x] = 0;
        }
        maskedDirty_ = false;
    }
    p.drawImage(b, b, masked_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const int b = border_ ? kBorderWidth : 0;
    if (event->button() == Qt::LeftButton) pressedLeft_ = true;
    emit mouseDown(buttonsOf(event->button()), shiftOf(event->modifiers()),
                   fromPixelX(event->position().x() - b), fromPixelY(event->position().y() - b));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const int b = border_ ? kBorderWidth : 0;
    emit mouseMove(buttonsOf(event->buttons()), shiftOf(event->modifiers()),
                   fromPixelX(event->position().x() - b), fromPixelY(event->position().y() - b));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const int b = border_ ? kBorderWidth : 0;
    const bool wasLeft = event->button() == Qt::LeftButton && pressedLeft_;
    if (event->button() == Qt::LeftButton) pressedLeft_ = false;
    QPointer<PictureBox> self(this);
    emit mouseUp(buttonsOf(event->button()), shiftOf(event->modifiers()),
                 fromPixelX(event->position().x() - b), fromPixelY(event->position().y() - b));
    if (self && wasLeft && rect().contains(event->position().toPoint())) emit click();
}

namespace {

const PictureBox* containerBox(const QWidget& control) {
    return qobject_cast<const PictureBox*>(control.parentWidget());
}

}  // namespace

double controlLeft(const QWidget& control) {
    const PictureBox* box = containerBox(control);
    if (box == nullptr) return control.x();
    return box->fromPixelX(control.x() - box->borderWidth());
}

double controlTop(const QWidget& control) {
    const PictureBox* box = containerBox(control);
    if (box == nullptr) return control.y();
    return box->fromPixelY(control.y() - box->borderWidth());
}

double controlWidth(const QWidget& control) {
    const PictureBox* box = containerBox(control);
    if (box == nullptr) return control.width();
    return box->fromPixelX(control.width()) - box->fromPixelX(0);
}

double controlHeight(const QWidget& control) {
    const PictureBox* box = containerBox(control);
    if (box == nullptr) return control.height();
    return box->fromPixelY(control.height()) - box->fromPixelY(0);
}

void setControlLeft(QWidget& control, double left) {
    const PictureBox* box = containerBox(control);
    const double px = box == nullptr ? left : box->toPixelX(left) + box->borderWidth();
    control.move(toPixelIndex(px), control.y());
}

void setControlTop(QWidget& control, double top) {
    const PictureBox* box = containerBox(control);
    const double py = box == nullptr ? top : box->toPixelY(top) + box->borderWidth();
    control.move(control.x(), toPixelIndex(py));
}

}  // namespace stillmar::forms
