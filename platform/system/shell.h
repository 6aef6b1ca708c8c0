#pragma once
// Handing documents, links and programs to the desktop.

#include <QString>
#include <functional>

namespace stillmar::sys {

struct ShellRequest {
    enum class Kind { Open, Start };
    Kind kind = Kind::Open;
    QString target;     // Open: a URL ("https:", "mailto:", ...) or a local path; Start: a program
    QString directory;  // working folder asked for by the caller, may be empty
};

// Opens `target` with the desktop's default handler: a URL with a scheme as it is, anything
// else as a local file or folder. True when the desktop accepted it.
bool shellOpen(const QString& target, const QString& directory = {});
// Starts `program` (a path, no arguments) detached, in a normal window. True when it started.
bool shellStart(const QString& program);

// Tests observe requests instead of launching anything: while a hook is installed every request
// goes to it and its answer is returned. An empty hook restores the desktop.
using ShellHook = std::function<bool(const ShellRequest&)>;
void setShellHook(ShellHook hook);

}  // namespace stillmar::sys
