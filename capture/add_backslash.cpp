#include "capture/add_backslash.h"

namespace stillmar::CapMod {

std::string AddBackslash(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != kPathSeparator) out.push_back(kPathSeparator);
    return out;
}

}  // namespace stillmar::CapMod
