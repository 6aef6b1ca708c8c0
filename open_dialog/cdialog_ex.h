#pragma once
// CDialogEX: the open-file dialog with French labels, a window of the caller's shown inside
// it, a fixed height and a centred position. Window thread only.

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QFileDialog;

namespace stillmar::CDialogEX {

// Last confirmed choice (the dialog's buffer as ShowOpenDialog returns it); kept by Cancel.
extern QString LastFileName;

struct ModuleState {
    QString filter;
    int32_t insertWindow = 0;
    int32_t insertX = 0;  // caller's x + 4
    int32_t insertY = 0;  // caller's y + 23
    int32_t dialogHeight = 0;
};

void SetDialogInsert(int32_t hWndInsert, int32_t x, int32_t y);
void SetDialogHeight(int32_t height);
void SetDialogFilter(const QString& filter);
// The stored filter with every "|" made a NUL, plus two NULs.
QString ConvertFilter();

// Shows the dialog modally. On OK `fileName` and LastFileName receive the chosen path padded
// with NULs as DialogOutcome gives it, and the file's folder is kept in the settings file; on
// Cancel nothing changes. It opens in `initialDir`, or when that is empty in the folder of the
// last file chosen in any run; when that folder is gone, in the user's Videos folder, or home.
void ShowOpenDialog(int32_t hWndOwner, const QString& initialFile, const QString& initialDir,
                    const QString& title, QString& fileName);

// The name filters of a converted filter text: one per (description, patterns) pair, up to
// the first empty item, as "description (pattern pattern ...)".
QStringList NameFilters(const QString& converted);
// The 260-character file buffer holding `path`, blanks trimmed at both ends and one final NUL
// removed: path + (259 - length) NULs. A path too long for the buffer comes back whole.
QString DialogOutcome(const QString& path);
// Top-left corner centring a frame on a screen measured in twips, at the fixed 15 twips per
// pixel; halves round to even.
QPoint CentredPosition(double screenWidthTwips, double screenHeightTwips, QSize frame);

// The settings file that keeps the last folder across runs; empty (the default) is the user's
// own (~/.config/Stillmar/Stillmar.conf). Tests name a temporary file.
void SetSettingsFile(const QString& path);

// Called once the dialog is shown and settled, inside its modal loop; a test accepts or
// rejects the dialog from here. An empty hook removes it.
using ShownHook = std::function<void(QFileDialog&)>;
void SetShownHook(ShownHook hook);

}  // namespace stillmar::CDialogEX
