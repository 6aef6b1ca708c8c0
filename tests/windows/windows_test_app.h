#pragma once
// The application object every window test needs, made once.

#include <QApplication>

namespace stillmar::test {

inline QApplication& windowsApp() {
    static int argc = 1;
    static char name[] = "windows_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace stillmar::test
