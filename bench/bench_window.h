#pragma once
// Driving the main window as a person does, for the benchmarks: mouse presses and releases
// delivered to the buttons (the handlers a click on the screen reaches), a file chosen in the
// open dialog of "Ouvrir", the count raised by holding its arrow.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMouseEvent>
#include <QTimer>
#include <string>

#include "main_window/form1.h"
#include "open_dialog/cdialog_ex.h"

namespace stillmar::bench {

inline void mouse(QWidget* widget, QEvent::Type type) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void press(QWidget* widget) {
    mouse(widget, QEvent::MouseButtonPress);
}
inline void release(QWidget* widget) {
    mouse(widget, QEvent::MouseButtonRelease);
}

// Runs the window's event loop for `ms` milliseconds, as the program's own loop does: waiting
// for events, never polling (so that a measure of the process's CPU holds no cost of the bench).
inline void runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// "Ouvrir", the file chosen in the dialog, "Ouvrir" again in the dialog: the file plays.
// The dialog remembers its folder in `settings`, not in the user's own file.
inline bool openThroughDialog(Form1& form, const std::string& file, const QString& settings) {
    CDialogEX::SetSettingsFile(settings);
    CDialogEX::SetShownHook([&file](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(file));
        static_cast<QDialog&>(dialog).accept();
    });
    press(form.Picture3[CommandButton::Open]);
    release(form.Picture3[CommandButton::Open]);
    CDialogEX::SetShownHook(nullptr);
    runEvents(100);
    return form.CurrentFile == file;
}

// Holds the count's up arrow until it reads `count` (it counts ten a second).
inline bool raiseCount(Form1& form, int count) {
    press(form.Picture7[0]);
    QElapsedTimer t;
    t.start();
    while (form.Label2->Caption() != QString::number(count) && t.elapsed() < 30000) runEvents(20);
    release(form.Picture7[0]);
    return form.Label2->Caption() == QString::number(count);
}

}  // namespace stillmar::bench
