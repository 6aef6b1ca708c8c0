#pragma once
// The busy pointer for as long as the window's thread waits on media (an open, a seek).

#include <QApplication>

namespace stillmar::forms {

class BusyPointer {
  public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace stillmar::forms
