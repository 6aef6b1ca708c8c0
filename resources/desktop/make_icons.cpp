// Draws the program's icon at the desktop's usual sizes. Run by hand when the design changes:
//   QT_QPA_PLATFORM=offscreen build/resources/stillmar_make_icons resources/desktop/icons
// The PNGs it writes are committed; the build only installs them.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// A still from a film strip: a dark plate, a strip with sprocket holes, and a small landscape
// in the frame, with a red capture dot.
QImage drawIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QPainterPath plate;
    plate.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    QLinearGradient bg(0, 8, 0, 248);
    bg.setColorAt(0, QColor(0x3a, 0x42, 0x52));
    bg.setColorAt(1, QColor(0x16, 0x1a, 0x22));
    p.fillPath(plate, bg);

    const QRectF strip(28, 52, 200, 152);
    p.fillRect(strip, QColor(0x0b, 0x0d, 0x12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xe4, 0xd8));
    for (int i = 0; i < 6; ++i) {
        p.drawRoundedRect(QRectF(36 + i * 32, 60, 18, 14), 3, 3);
        p.drawRoundedRect(QRectF(36 + i * 32, 182, 18, 14), 3, 3);
    }

    const QRectF frame(44, 84, 168, 88);
    QLinearGradient sky(0, frame.top(), 0, frame.bottom());
    sky.setColorAt(0, QColor(0x5b, 0xa8, 0xf0));
    sky.setColorAt(1, QColor(0xbf, 0xe3, 0xff));
    p.fillRect(frame, sky);
    p.setBrush(QColor(0xff, 0xd0, 0x40));
    p.drawEllipse(QPointF(170, 110), 14, 14);
    QPainterPath hills;
    hills.moveTo(frame.left(), frame.bottom());
    hills.lineTo(frame.left(), 150);
    hills.quadTo(90, 118, 130, 146);
    hills.quadTo(170, 128, frame.right(), 152);
    hills.lineTo(frame.right(), frame.bottom());
    hills.closeSubpath();
    p.fillPath(hills, QColor(0x3c, 0x9a, 0x4a));

    p.setBrush(QColor(0xe0, 0x30, 0x30));
    p.setPen(QPen(QColor(0xff, 0xff, 0xff), 6));
    p.drawEllipse(QPointF(204, 204), 26, 26);
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("icons");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2").arg(out).arg(size);
        QDir().mkpath(dir);
        if (!drawIcon(size).save(dir + QStringLiteral("/stillmar.png"))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
