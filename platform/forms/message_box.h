#pragma once
// Modal message boxes. The program shows a real QMessageBox; a test installs an answerer that
// sees each request and returns the button pressed instead.

#include <QString>
#include <functional>

class QWidget;

namespace stillmar::forms {

// Buttons and icons, added together as the run time does.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;

// Results.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

struct MessageBoxRequest {
    QString prompt;
    int buttons = vbOKOnly;
    QString title;
};

using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;

// Installs an answerer for every later box; an empty function restores real boxes.
void setMessageBoxAnswerer(MessageBoxAnswerer answerer);

// Shows a modal box and returns the button pressed. An empty title is the program's name.
int MsgBox(const QString& prompt, int buttons = vbOKOnly, const QString& title = QString(),
           QWidget* parent = nullptr);

}  // namespace stillmar::forms
