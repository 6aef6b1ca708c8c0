#include "platform/forms/handles.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace stillmar::forms {
namespace {

struct HandleTable {
    QHash<int32_t, QPointer<QWidget>> byHandle;
    QHash<const QWidget*, int32_t> byWidget;
    int32_t next = 0x10010;  // small numbers look like error codes in replies; start higher
};

HandleTable& table() {
    static HandleTable t;
    return t;
}

}  // namespace

int32_t handleOf(QWidget* widget) {
    if (widget == nullptr) return 0;
    HandleTable& t = table();
    auto it = t.byWidget.find(widget);
    if (it != t.byWidget.end()) return it.value();
    const int32_t h = t.next;
    t.next += 4;
    t.byHandle.insert(h, widget);
    t.byWidget.insert(widget, h);
    // Surfaces come and go with every open (a capture run opens one a frame): the table only
    // keeps the widgets that live.
    QObject::connect(widget, &QObject::destroyed, [widget, h] {
        table().byWidget.remove(widget);
        table().byHandle.remove(h);
    });
    return h;
}

int liveHandleCount() {
    return int(table().byHandle.size());
}

QWidget* widgetOf(int32_t handle) {
    auto it = table().byHandle.find(handle);
    return it == table().byHandle.end() ? nullptr : it.value().data();
}

}  // namespace stillmar::forms
