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
        case MsgBoxButtons::OkCancel:
            rows = {{QMessageBox::Ok, MsgBoxAnswer::Ok},
                    {QMessageBox::Cancel, MsgBoxAnswer::Cancel}};
            break;
        case MsgBoxButtons::AbortRetryIgnore:
            rows = {{QMessageBox::Abort, MsgBoxAnswer::Abort},
                    {QMessageBox::Retry, MsgBoxAnswer::Retry},
                    {QMessageBox::Ignore, MsgBoxAnswer::Ignore}};
            break;
        case MsgBoxButtons::YesNoCancel:
            rows = {{QMessageBox::Yes, MsgBoxAnswer::Yes},
                    {QMessageBox::No, MsgBoxAnswer::No},
                    {QMessageBox::Cancel, MsgBoxAnswer::Cancel}};
            break;
        case MsgBoxButtons::YesNo:
            rows = {{QMessageBox::Yes, MsgBoxAnswer::Yes}, {QMessageBox::No, MsgBoxAnswer::No}};
            break;
        case MsgBoxButtons::RetryCancel:
            rows = {{QMessageBox::Retry, MsgBoxAnswer::Retry},
                    {QMessageBox::Cancel, MsgBoxAnswer::Cancel}};
            break;
        default:
            rows = {{QMessageBox::Ok, MsgBoxAnswer::Ok}};
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
        case MsgBoxIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgBoxIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgBoxIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgBoxIcon::Information:
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
    return rows.size() > 1 ? rows.back().result : MsgBoxAnswer::Ok;
}

}  // namespace stillmar::forms
