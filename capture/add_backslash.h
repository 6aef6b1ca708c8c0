#pragma once
// Folder paths: the helper keeps its name and uses the platform's separator.

#include <string>
#include <string_view>

namespace stillmar::CapMod {

constexpr char kPathSeparator = '/';

// `path` ending in the separator: one is added when missing; the empty path gives "/".
std::string AddBackslash(std::string_view path);

}  // namespace stillmar::CapMod
