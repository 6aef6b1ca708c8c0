#include "platform/system/window_query.h"

#include <atomic>

namespace stillmar::sys {
namespace {
std::atomic<WindowQuery*> g_query{nullptr};
}

void setWindowQuery(WindowQuery* query) {
    g_query.store(query);
}

bool getWindowRect(int32_t hwnd, WindowRect& rect) {
    WindowQuery* q = g_query.load();
    return q != nullptr && q->getWindowRect(hwnd, rect);
}

int32_t findWindow(std::string_view title) {
    WindowQuery* q = g_query.load();
    return q != nullptr ? q->findWindow(title) : 0;
}

}  // namespace stillmar::sys
