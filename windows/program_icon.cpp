#include "windows/program_icon.h"

#include <QApplication>

// Resources of a static library are registered by hand, outside any namespace.
static void initWindowsResources() {
    Q_INIT_RESOURCE(windows);
}

namespace stillmar {

QIcon programIcon() {
    QIcon icon = QApplication::windowIcon();
    if (!icon.availableSizes().isEmpty()) return icon;
    initWindowsResources();
    return QIcon(QStringLiteral(":/stillmar/about/stillmar-32.png"));
}

}  // namespace stillmar
