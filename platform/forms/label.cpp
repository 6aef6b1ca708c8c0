#include "platform/forms/label.h"

#include <QFontMetrics>
#include <QMouseEvent>

#include "platform/forms/colors.h"
#include "platform/forms/mouse.h"

namespace stillmar::forms {

Label::Label(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setMouseTracking(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setContentsMargins(0, 0, 0, 0);
    setMargin(0);
    setIndent(0);
}

void Label::setCaption(const QString& caption) {
    setText(caption);
    fit();
}

void Label::setAutoSize(bool on) {
    autoSize_ = on;
    fit();
}

void Label::setCentered(bool on) {
    setAlignment((on ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    fit();
}

void Label::setForeColor(uint32_t bgr) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, toQColor(bgr));
    setPalette(pal);
}

void Label::fit() {
    if (!autoSize_) return;
    const QFontMetrics fm(font());
    const QSize want(std::max(1, fm.horizontalAdvance(text())), fm.height());
    if (want == size()) return;
    int x = geometry().x();
    if (alignment() & Qt::AlignHCenter)
        x = (2 * geometry().x() + geometry().width() - want.width()) / 2;
    setGeometry(x, geometry().y(), want.width(), want.height());
}

void Label::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressedLeft_ = true;
}

void Label::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMove(buttonsOf(event->buttons()), shiftOf(event->modifiers()), event->position().x(),
                   event->position().y());
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasLeft = event->button() == Qt::LeftButton && pressedLeft_;
    if (event->button() == Qt::LeftButton) pressedLeft_ = false;
    if (wasLeft && rect().contains(event->position().toPoint())) emit click();
}

}  // namespace stillmar::forms
