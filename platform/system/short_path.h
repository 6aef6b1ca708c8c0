#pragma once
// Short path names: a name of an existing file that a command string can carry unquoted.

#include <string>
#include <string_view>

namespace stillmar::sys {

constexpr std::size_t kMaxShortPath = 128;

// The short form of `path`: a name of the same file with no white space, no double quote, no
// character outside printable ASCII and at most kMaxShortPath characters, keeping the file's
// extension. It is the absolute path itself when that already qualifies; otherwise a private
// alias (a symbolic link in the per-user runtime folder), the same alias every time for the
// same file. Empty for a path that does not exist, an empty path, or when no alias can be
// made.
std::string shortPathName(std::string_view path);

// True when `path` can be carried unquoted in a command (the rule above, extension aside).
bool qualifiesAsShortPath(std::string_view path);

// The per-user folder that holds the aliases ($XDG_RUNTIME_DIR/stillmar when that qualifies,
// else /tmp/stillmar-<uid>), created with mode 0700 and checked to be ours. Empty on failure.
std::string shortPathFolder();

}  // namespace stillmar::sys
