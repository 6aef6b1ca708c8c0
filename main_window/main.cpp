#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "main_window/command_line.h"
#include "main_window/desktop_input.h"
#include "main_window/form1.h"
#include "platform/forms/french_locale.h"
#include "platform/forms/window_layer.h"
#include "platform/mci/command_service.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
    using stillmar::CommandLine;
    // Read before the window system starts: --help, --version and a wrong option need no
    // display and open no window.
    const CommandLine line = stillmar::ParseCommandLine(
        std::vector<std::string>(argv + 1, argv + argc), STILLMAR_VERSION);
    switch (line.action) {
        case CommandLine::Action::Help:
        case CommandLine::Action::Version:
            std::fputs(line.text.c_str(), stdout);
            return line.exitStatus;
        case CommandLine::Action::Error:
            std::fputs(line.text.c_str(), stderr);
            return line.exitStatus;
        case CommandLine::Action::Run:
            break;
    }

    // The window system sees its own options only, never the file name.
    std::vector<std::string> toolkit{argv[0]};
    toolkit.insert(toolkit.end(), line.toolkitArguments.begin(), line.toolkitArguments.end());
    std::vector<char*> qtArgv;
    for (std::string& a : toolkit) qtArgv.push_back(a.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(toolkit.size());

    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("Stillmar"));
    QApplication::setApplicationVersion(QStringLiteral(STILLMAR_VERSION));
    stillmar::forms::installFrenchLocale();
    stillmar::resources::init();
    stillmar::forms::installWindowLayer();
    stillmar::Form1 window;
    window.show();
    // Once the window stands on the screen, so the video fills its final area.
    if (!line.file.empty())
        QTimer::singleShot(0, &window,
                           [&window, &line] { stillmar::PlayChosenFile(window, line.file); });
    const int status = app.exec();
    // Devices closed and the threads that would outlive them ended, while the window still
    // stands: its own close commands later find nothing open.
    stillmar::mci::shutdownDefaultService();
    return status;
}
