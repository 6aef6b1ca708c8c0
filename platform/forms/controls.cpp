#include "platform/forms/controls.h"

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
    setWidgetBackColor(this, bgr);
}

void CheckBox::setForeColor(uint32_t bgr) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, toQColor(bgr));
    setPalette(pal);
}

Frame::Frame(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

void Frame::setBackColor(uint32_t bgr) {
    setWidgetBackColor(this, bgr);
}

}  // namespace stillmar::forms
