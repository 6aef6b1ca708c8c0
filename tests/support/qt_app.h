#pragma once
// One QApplication for a test program, made on first use (Qt's offscreen platform under ctest).

#include <QApplication>

namespace stillmar::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "stillmar-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace stillmar::test
