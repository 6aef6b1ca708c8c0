#include "capture/cap_mod.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>
#include <new>

#include "platform/forms/colors.h"
#include "platform/forms/handles.h"
#include "platform/forms/message_box.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"

namespace stillmar::CapMod {
namespace {

constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kCantOpenClipboard = 521;

QClipboard& openClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) throw rt::RuntimeError(kCantOpenClipboard, "Can't open Clipboard");
    return *clipboard;
}

}  // namespace

forms::Picture CreateBitmapPicture(const QImage& hBmp, const QList<QRgb>& hPal) {
    if (hBmp.isNull()) return {};
    if (hBmp.format() == QImage::Format_Indexed8 && !hPal.isEmpty()) {
        QImage indexed = hBmp;
        indexed.setColorTable(hPal);
        return forms::Picture(indexed);
    }
    return forms::Picture(hBmp);
}

forms::Picture CaptureWindow(int32_t hWndSrc, bool client, int32_t leftSrc, int32_t topSrc,
                             int32_t widthSrc, int32_t heightSrc) {
    QWidget* source = forms::widgetOf(hWndSrc);
    if (source == nullptr || widthSrc <= 0 || heightSrc <= 0) return {};

    // A picture box's client area lies inside its border; other windows have no frame of
    // their own here (the window manager draws it), so both areas are the widget.
    auto* box = qobject_cast<forms::PictureBox*>(source);
    QPoint corner(leftSrc, topSrc);
    if (client && box != nullptr) corner += QPoint(box->borderWidth(), box->borderWidth());

    QImage bitmap(widthSrc, heightSrc, QImage::Format_RGB32);
    if (bitmap.isNull()) return {};
    // A picture box lets its background show what lies behind it on screen, but its own
    // surface is opaque in that colour: the copy is of the box, not of its siblings.
    bitmap.fill(box != nullptr ? forms::toQColor(box->BackColor())
                               : source->palette().color(source->backgroundRole()));
    source->render(&bitmap, QPoint(0, 0), QRegion(QRect(corner, QSize(widthSrc, heightSrc))),
                   QWidget::DrawChildren);

    // Only a 256-colour palette display would need the system palette copied with the
    // bitmap. Qt renders at true colour on every display it drives, so no palette is made.
    const QList<QRgb> hPal;
    return CreateBitmapPicture(bitmap, hPal);
}

forms::Picture CapturePictureBox(forms::PictureBox& pic) {
    const auto toPixels = [](double v) { return rt::toInt32OrRaise(static_cast<float>(v)); };
    const int32_t width =
        toPixels(pic.ScaleX(pic.ScaleWidth(), pic.ScaleMode(), forms::ScaleMode::Pixels));
    const int32_t height =
        toPixels(pic.ScaleY(pic.ScaleHeight(), pic.ScaleMode(), forms::ScaleMode::Pixels));
    return CaptureWindow(forms::handleOf(&pic), true, 0, 0, width, height);
}

void CaptureToClipboard(forms::PictureBox& pic) {
    try {
        QClipboard& clipboard = openClipboard();
        clipboard.clear();
        pic.setPicture(CapturePictureBox(pic));
        clipboard.setImage(pic.Image().image);
        // The platform may refuse the data without saying so; the caller saves what it holds.
        if (clipboard.image().isNull())
            throw rt::RuntimeError(kCantOpenClipboard, "Can't open Clipboard");
    } catch (const rt::RuntimeError& e) {
        forms::MsgBox(CaptureErrorText(e.number(), QString::fromStdString(e.description())),
                      forms::MsgBoxButtons::OkOnly, QStringLiteral("CAPTURE ERROR"));
    } catch (const std::bad_alloc&) {
        forms::MsgBox(CaptureErrorText(kOutOfMemory, QStringLiteral("Out of memory")),
                      forms::MsgBoxButtons::OkOnly, QStringLiteral("CAPTURE ERROR"));
    }
}

QString CaptureErrorText(int32_t number, const QString& description) {
    return QString::number(number) + QStringLiteral("=  ") + description;
}

}  // namespace stillmar::CapMod
