#pragma once
// The folder the program runs from.

#include <string>

namespace stillmar::sys {

// The folder of the running executable (/proc/self/exe), without a trailing "/" except for
// the root folder. Empty if it cannot be read.
std::string applicationFolder();

}  // namespace stillmar::sys
