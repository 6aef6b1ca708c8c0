#pragma once
// CapMod: what a window shows on screen now, as a picture value, in a picture box and on the
// clipboard.
//
// A copy renders the window and its visible children (the video surfaces) into an image the
// size asked for, so it holds exactly what the control shows, at the display's true colour.

#include <QList>
#include <QRgb>
#include <QString>
#include <cstdint>

#include "platform/forms/picture.h"
#include "platform/forms/picture_box.h"

namespace stillmar::CapMod {

// A picture that owns `hBmp`'s pixels. `hPal` is the colour table of an 8-bit bitmap (empty:
// none); the picture is kept at true colour, so a palette only serves to resolve indices.
forms::Picture CreateBitmapPicture(const QImage& hBmp, const QList<QRgb>& hPal = {});

// The rectangle (leftSrc, topSrc, widthSrc, heightSrc) of window `hWndSrc`, in pixels from the
// corner of its client area (`client` true) or of the whole window. A handle that names no
// window, or an empty size, gives an empty picture; nothing is reported.
forms::Picture CaptureWindow(int32_t hWndSrc, bool client, int32_t leftSrc, int32_t topSrc,
                             int32_t widthSrc, int32_t heightSrc);

// The whole client area of `pic`.
forms::Picture CapturePictureBox(forms::PictureBox& pic);

// Clears the clipboard, makes the copy of `pic` its Picture and puts its Image on the
// clipboard as a bitmap. A failure shows the "CAPTURE ERROR" box and is not passed on.
void CaptureToClipboard(forms::PictureBox& pic);

// The text of the "CAPTURE ERROR" box: number, "=  ", description.
QString CaptureErrorText(int32_t number, const QString& description);

}  // namespace stillmar::CapMod
