// Draws the window's bitmaps, icons and pointers. Run by hand when the look changes:
//   build/resources/stillmar_make_images resources/images
// The PNGs it writes are committed and compiled in through stillmar.qrc.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage canvas(int w, int h, bool alpha = false) {
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    img.fill(alpha ? Qt::transparent : Qt::black);
    return img;
}

// A recessed panel: dark body, a light lower-right rim and a dark upper-left rim.
void recess(QPainter& p, QRect r, QColor body) {
    p.fillRect(r, body);
    p.setPen(QColor(40, 42, 44));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(170, 175, 179));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

QImage track() {
    QImage img = canvas(249, 16);
    QPainter p(&img);
    recess(p, img.rect(), QColor(58, 60, 64));
    p.fillRect(QRect(3, 7, 243, 2), QColor(22, 24, 26));
    return img;
}

QImage thumb() {
    QImage img = canvas(16, 13);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 13);
    g.setColorAt(0, QColor(214, 218, 222));
    g.setColorAt(1, QColor(120, 126, 132));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(48, 49, 51));
    p.drawRect(0, 0, 15, 12);
    p.setPen(QColor(72, 75, 77));
    for (int x : {6, 8, 10}) p.drawLine(x - 1, 3, x - 1, 9);
    return img;
}

QImage displayPanel() {
    QImage img = canvas(86, 58);
    QPainter p(&img);
    recess(p, img.rect(), QColor(20, 26, 22));
    p.setPen(QColor(48, 90, 56));
    p.drawRect(3, 3, 79, 26);
    QFont f("DejaVu Sans");
    f.setPixelSize(8);
    p.setFont(f);
    p.setPen(QColor(90, 150, 100));
    p.drawText(QRect(4, 30, 42, 24), Qt::AlignLeft | Qt::AlignVCenter, "Images");
    return img;
}

QImage countPanel() {
    QImage img = canvas(32, 16);
    QPainter p(&img);
    recess(p, img.rect(), QColor(12, 16, 14));
    return img;
}

// The small arrow buttons of the frame count, up or down, normal or pressed.
QImage arrowButton(bool up, bool pressed) {
    QImage img = canvas(9, 7);
    QPainter p(&img);
    p.fillRect(img.rect(), pressed ? QColor(52, 71, 80) : QColor(75, 75, 80));
    p.setPen(pressed ? QColor(48, 49, 51) : QColor(170, 175, 179));
    p.drawLine(0, 0, 8, 0);
    p.drawLine(0, 0, 0, 6);
    p.setPen(pressed ? QColor(170, 175, 179) : QColor(48, 49, 51));
    p.drawLine(0, 6, 8, 6);
    p.drawLine(8, 0, 8, 6);
    const QColor arrow = pressed ? QColor(120, 255, 120) : QColor(235, 235, 235);
    const int o = pressed ? 1 : 0;
    for (int row = 0; row < 3; ++row) {
        const int y = (up ? 2 + row : 4 - row) + (pressed ? 0 : 0);
        for (int x = 4 - row; x <= 4 + row; ++x) img.setPixelColor(x + o - (o ? 1 : 0), y, arrow);
    }
    return img;
}

QImage banner(int w, int h, const QString& text) {
    QImage img = canvas(w, h);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(70, 74, 80));
    g.setColorAt(1, QColor(30, 32, 36));
    p.fillRect(img.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    // A film strip on the left.
    p.fillRect(QRect(6, 4, 30, h - 8), QColor(16, 16, 18));
    p.setBrush(QColor(200, 200, 200));
    p.setPen(Qt::NoPen);
    for (int y = 6; y < h - 8; y += 6) {
        p.drawRect(8, y, 3, 3);
        p.drawRect(31, y, 3, 3);
    }
    p.setBrush(QColor(0, 200, 80));
    p.drawRect(13, 8, 16, h - 16);
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(h / 2);
    p.setFont(f);
    p.setPen(QColor(0, 255, 0));
    p.drawText(QRect(44, 0, w - 48, h), Qt::AlignLeft | Qt::AlignVCenter, text);
    return img;
}

QImage windowIcon() {
    QImage img = canvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(img.rect(), QColor(75, 75, 80));
    p.fillRect(QRect(2, 5, 28, 22), QColor(16, 16, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    for (int x = 4; x < 28; x += 5) {
        p.drawRect(x, 6, 3, 2);
        p.drawRect(x, 24, 3, 2);
    }
    p.fillRect(QRect(5, 10, 22, 12), QColor(0, 0, 128));
    p.setBrush(QColor(0, 255, 0));
    p.drawEllipse(QPointF(16, 16), 4.5, 4.5);
    p.setBrush(QColor(0, 0, 128));
    p.drawEllipse(QPointF(16, 16), 2, 2);
    return img;
}

// Pointer 101: a viewfinder (hover over the video); 102: the same, closed (pressed).
QImage pointer(bool pressed) {
    QImage img = canvas(32, 32, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = pressed ? QColor(0, 255, 0) : QColor(255, 255, 255);
    for (int pass = 0; pass < 2; ++pass) {
        p.setPen(QPen(pass == 0 ? QColor(0, 0, 0) : ink, pass == 0 ? 3 : 1));
        const int a = pressed ? 9 : 6, b = pressed ? 22 : 25, l = pressed ? 3 : 5;
        p.drawLine(a, a, a + l, a);
        p.drawLine(a, a, a, a + l);
        p.drawLine(b, a, b - l, a);
        p.drawLine(b, a, b, a + l);
        p.drawLine(a, b, a + l, b);
        p.drawLine(a, b, a, b - l);
        p.drawLine(b, b, b - l, b);
        p.drawLine(b, b, b, b - l);
        p.drawLine(15, 12, 15, 18);
        p.drawLine(12, 15, 18, 15);
    }
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char* name;
        QImage image;
    } images[] = {
        {"track.png", track()},
        {"thumb.png", thumb()},
        {"display_panel.png", displayPanel()},
        {"count_panel.png", countPanel()},
        {"count_up.png", arrowButton(true, false)},
        {"count_up_pressed.png", arrowButton(true, true)},
        {"count_down.png", arrowButton(false, false)},
        {"count_down_pressed.png", arrowButton(false, true)},
        {"peace.png", banner(268, 43, "Stillmar")},
        {"peace2.png", banner(407, 35, "Stillmar - images fixes")},
        {"window_icon.png", windowIcon()},
        {"pointer101.png", pointer(false)},
        {"pointer102.png", pointer(true)},
    };
    for (const auto& i : images) {
        if (!i.image.save(out.filePath(QString::fromLatin1(i.name)))) {
            std::fprintf(stderr, "cannot write %s\n", i.name);
            return 1;
        }
    }
    return 0;
}
