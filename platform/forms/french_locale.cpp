#include "platform/forms/french_locale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace stillmar::forms {

QLocale frenchLocale() {
    return QLocale(QLocale::French, QLocale::France);
}

bool installFrenchLocale() {
    QLocale::setDefault(frenchLocale());
    // Once per program: a second call finds the catalogue in place.
    static QTranslator* catalogue = nullptr;
    if (catalogue != nullptr) return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // qtbase holds every text of the widgets the program uses.
    if (!translator->load(frenchLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    catalogue = translator;
    return true;
}

}  // namespace stillmar::forms
