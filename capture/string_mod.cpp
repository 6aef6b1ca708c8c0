#include "capture/string_mod.h"

namespace stillmar::StringMod {

std::string TrimAtNull(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::string GetFileName(std::string_view path) {
    // The search starts at the second-to-last character, so a final separator is kept.
    if (path.size() < 2) return std::string(path);
    const std::size_t p = path.rfind('/', path.size() - 2);
    if (p == std::string_view::npos) return std::string(path);
    return std::string(path.substr(p + 1));
}

}  // namespace stillmar::StringMod
