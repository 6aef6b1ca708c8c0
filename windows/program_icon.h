#pragma once
// The program's icon for the secondary windows: the application's when it has one, else the
// desktop icon built into this library.

#include <QIcon>

namespace stillmar {

QIcon programIcon();

}  // namespace stillmar
