#pragma once
// The program speaks French in every window: Qt's own texts (file dialog, message-box
// buttons, context menus, warnings) come from the distribution's Qt catalogue, and dates and
// numbers are written the French way.

#include <QLocale>

namespace stillmar::forms {

// The locale every window writes dates and numbers in.
QLocale frenchLocale();

// Makes French the default locale and installs Qt's French catalogue. Call once the
// application object exists, before any window is made. Returns false when the catalogue is
// not installed: Qt's own texts then stay English, the program's own are French anyway.
bool installFrenchLocale();

}  // namespace stillmar::forms
