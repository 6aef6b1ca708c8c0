#include <QApplication>

#include "main_window/form1.h"
#include "platform/forms/french_locale.h"
#include "platform/forms/window_layer.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stillmar"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    stillmar::forms::installFrenchLocale();
    stillmar::resources::init();
    stillmar::forms::installWindowLayer();
    stillmar::Form1 window;
    window.show();
    return app.exec();
}
