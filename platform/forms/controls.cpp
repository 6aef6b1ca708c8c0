#include "platform/forms/controls.h"

#include <QPainter>

#include "platform/forms/colors.h"

namespace stillmar::forms {

void setWidgetBackColor(QWidget* widget, uint32_t bgr) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, toQColor(bgr));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {}

void CheckBox::setBackColor(uint32_t bgr) {
    back_ = bgr;
    update();
}

void CheckBox::setForeColor(uint32_t bgr) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, toQColor(bgr));
    pal.setColor(QPalette::ButtonText, toQColor(bgr));
    setPalette(pal);
}

// The widget style leaves the background to the widget: paint it, then the box and text.
void CheckBox::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(rect(), toQColor(back_));
    }
    QCheckBox::paintEvent(event);
}

Frame::Frame(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

void Frame::setBackColor(uint32_t bgr) {
    setWidgetBackColor(this, bgr);
}

}  // namespace stillmar::forms
