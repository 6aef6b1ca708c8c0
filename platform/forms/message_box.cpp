#include "platform/forms/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace stillmar::forms {
namespace {

MessageBoxAnswerer& answerer() {
    static MessageBoxAnswerer a;
    return a;
}

struct ButtonRow {
    QMessageBox::StandardButton button;
    int result;
};

}  // namespace

void setMessageBoxAnswerer(MessageBoxAnswerer a) {
    answerer() = std::move(a);
}

int MsgBox(const QString& prompt, int buttons, const QString& title, QWidget* parent) {
    MessageBoxRequest request{prompt, buttons,
                              title.isEmpty() ? QApplication::applicationName() : title};
    if (answerer()) return answerer()(request);

    std::vector<ButtonRow> rows;
    switch (buttons & 7) {
        case vbOKCancel:
            rows = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
            break;
        case vbAbortRetryIgnore:
            rows = {{QMessageBox::Abort, vbAbort},
                    {QMessageBox::Retry, vbRetry},
                    {QMessageBox::Ignore, vbIgnore}};
            break;
        case vbYesNoCancel:
            rows = {{QMessageBox::Yes, vbYes},
                    {QMessageBox::No, vbNo},
                    {QMessageBox::Cancel, vbCancel}};
            break;
        case vbYesNo:
            rows = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
            break;
        case vbRetryCancel:
            rows = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
            break;
        default:
            rows = {{QMessageBox::Ok, vbOK}};
            break;
    }
    QMessageBox box(parent);
    box.setWindowTitle(request.title);
    // Prompts break lines with a lone carriage return, which Qt's labels do not honour.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(prompt)
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .replace(QChar(u'\r'), QChar(u'\n')));
    switch (buttons & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    QMessageBox::StandardButtons set;
    for (const ButtonRow& r : rows) set |= r.button;
    box.setStandardButtons(set);
    box.setDefaultButton(rows.front().button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonRow& r : rows)
        if (r.button == clicked) return r.result;
    // Closed with Escape or the window's close button.
    return rows.size() > 1 ? rows.back().result : vbOK;
}

}  // namespace stillmar::forms
