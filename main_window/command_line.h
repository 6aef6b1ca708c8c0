#pragma once
// The program's command line: an optional file to play at once, --help and --version. It is
// read before the window system starts, so the texts and the errors need no display.

#include <string>
#include <vector>

namespace stillmar {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Absolute path of the file to play at start-up; empty: start as usual.
    std::string file;
    // Options of the window system (-platform, -style, ...), handed on to it unchanged.
    std::vector<std::string> toolkitArguments;
    // For Help and Version, what goes to standard output; for Error, to standard error.
    std::string text;
    // The process's exit status for Help, Version and Error.
    int exitStatus = 0;
};

// `args` are the arguments after the program's name. A file may be given as a path or as a
// file: URL; a relative path is made absolute against the current folder.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& version);

}  // namespace stillmar
