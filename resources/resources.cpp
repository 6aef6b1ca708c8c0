#include "resources/resources.h"

#include <QPixmap>

static void initStillmarResources() {
    Q_INIT_RESOURCE(stillmar);
}

namespace stillmar::resources {

void init() {
    initStillmarResources();
}

QImage image(const QString& name) {
    init();
    return QImage(QStringLiteral(":/stillmar/") + name + QStringLiteral(".png"));
}

QCursor pointer(int id) {
    const QImage img = image(QStringLiteral("pointer%1").arg(id));
    if (img.isNull()) return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(img), 15, 15);
}

}  // namespace stillmar::resources
