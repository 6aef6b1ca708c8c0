#include "platform/system/display.h"

#include <atomic>

namespace stillmar::sys {
namespace {
std::atomic<const Display*> g_display{nullptr};
}

void setDisplay(const Display* display) {
    g_display.store(display);
}
const Display* display() {
    return g_display.load();
}

int32_t logicalDpiX() {
    const Display* d = g_display.load();
    return d != nullptr ? d->logicalDpiX() : 0;
}

int32_t logicalDpiY() {
    const Display* d = g_display.load();
    return d != nullptr ? d->logicalDpiY() : 0;
}

}  // namespace stillmar::sys
