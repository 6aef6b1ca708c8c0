#include "platform/forms/screen.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <cmath>

namespace stillmar::forms {
namespace {

int twipsPerPixel(bool horizontal) {
    double dpi = 96.0;
    if (QGuiApplication::instance() != nullptr) {
        if (QScreen* s = QGuiApplication::primaryScreen())
            dpi = horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY();
    }
    if (dpi <= 0) dpi = 96.0;
    return static_cast<int>(std::nearbyint(1440.0 / dpi));
}

}  // namespace

int twipsPerPixelX() {
    return twipsPerPixel(true);
}
int twipsPerPixelY() {
    return twipsPerPixel(false);
}

QFont sansSerifFont(double points, bool bold) {
    // Narrow faces first: the designed captions were measured with a narrow bitmap font.
    static const QStringList preferred = {"MS Sans Serif",          "Microsoft Sans Serif",
                                          "Liberation Sans Narrow", "DejaVu Sans Condensed",
                                          "Liberation Sans",        "DejaVu Sans"};
    QFont font;
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : preferred) {
        if (installed.contains(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace stillmar::forms
