#pragma once
// Text helpers for file names.

#include <string>
#include <string_view>

namespace stillmar::StringMod {

// The text before the first NUL; the whole text when it holds none.
std::string TrimAtNull(std::string_view text);

// The text after the last "/" that is not the final character; the whole path when there is
// none. "/videos/" gives "videos/".
std::string GetFileName(std::string_view path);

}  // namespace stillmar::StringMod
