#pragma once
// Saving a picture as a 24-bit Windows bitmap (.bmp), with the reason of a failure in words
// the user reads (French).

#include <QImage>
#include <QString>
#include <string>

namespace stillmar::sys {
class FileFinisher;
}

namespace stillmar::CapMod {

// Writes `picture` to `path`, replacing an existing file; the file appears whole or not at
// all. On failure returns false and sets *reason (folder missing, access denied, disk
// full...). With a `finisher` the file is synced and named on its thread: a failure there is
// told by the finisher (see SystemReason).
bool SavePicture(const QImage& picture, const std::string& path, QString* reason = nullptr,
                 sys::FileFinisher* finisher = nullptr);

// Saves the bitmap the clipboard holds; false with a reason when it holds none.
bool SaveClipboardPicture(const std::string& path, QString* reason = nullptr,
                          sys::FileFinisher* finisher = nullptr);

// A system error number (errno) as a reason the user reads.
QString SystemReason(int systemError);

}  // namespace stillmar::CapMod
