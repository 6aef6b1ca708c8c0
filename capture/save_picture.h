#pragma once
// Saving a picture as a 24-bit Windows bitmap (.bmp), with the reason of a failure in words
// the user reads (French).

#include <QImage>
#include <QString>
#include <string>

namespace stillmar::CapMod {

// Writes `picture` to `path`, replacing an existing file; the file appears whole or not at
// all. On failure returns false and sets *reason (folder missing, access denied, disk
// full...).
bool SavePicture(const QImage& picture, const std::string& path, QString* reason = nullptr);

// Saves the bitmap the clipboard holds; false with a reason when it holds none.
bool SaveClipboardPicture(const std::string& path, QString* reason = nullptr);

}  // namespace stillmar::CapMod
