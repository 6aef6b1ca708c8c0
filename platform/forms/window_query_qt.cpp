#include <QApplication>
#include <QWidget>

#include "platform/forms/handles.h"
#include "platform/forms/window_layer.h"

namespace stillmar::forms {

bool QtWindowQuery::getWindowRect(int32_t hwnd, sys::WindowRect& rect) {
    QWidget* w = widgetOf(hwnd);
    if (w == nullptr) return false;
    QRect r;
    if (w->isWindow()) {
        r = w->frameGeometry();
    } else {
        r = QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    }
    rect.left = r.left();
    rect.top = r.top();
    rect.right = r.left() + r.width();
    rect.bottom = r.top() + r.height();
    return true;
}

int32_t QtWindowQuery::findWindow(std::string_view title) {
    const QString wanted = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == wanted) return handleOf(w);
    return 0;
}

}  // namespace stillmar::forms
