#pragma once
// Modal message boxes. The program shows a real QMessageBox; a test installs an answerer that
// sees each request and returns the button pressed instead.

#include <QString>
#include <functional>

class QWidget;

namespace stillmar::forms {

// A message box's buttons and its icon, added together into one style.
namespace MsgBoxButtons {
inline constexpr int OkOnly = 0;
inline constexpr int OkCancel = 1;
inline constexpr int AbortRetryIgnore = 2;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int RetryCancel = 5;
}  // namespace MsgBoxButtons
namespace MsgBoxIcon {
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
}  // namespace MsgBoxIcon

// The button the user chose.
namespace MsgBoxAnswer {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace MsgBoxAnswer

struct MessageBoxRequest {
    QString prompt;
    int buttons = MsgBoxButtons::OkOnly;
    QString title;
};

using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;

// Installs an answerer for every later box; an empty function restores real boxes.
void setMessageBoxAnswerer(MessageBoxAnswerer answerer);

// Shows a modal box and returns the button pressed. An empty title is the program's name.
int MsgBox(const QString& prompt, int buttons = MsgBoxButtons::OkOnly,
           const QString& title = QString(), QWidget* parent = nullptr);

}  // namespace stillmar::forms
