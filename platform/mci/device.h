#pragma once
// A device opened under an alias, and the table-driven dispatch of its commands.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/mci/command_parser.h"
#include "platform/mci/errors.h"

namespace stillmar::mci {

// Every time format the service knows; a device answers 293 for one it lacks.
inline constexpr std::string_view kTimeFormatWords[] = {
    "ms",       "milliseconds", "frames",   "tmsf",          "msf",     "hms",          "bytes",
    "smpte 24", "smpte 25",     "smpte 30", "smpte 30 drop", "samples", "song pointer",
};

class Device {
  public:
    virtual ~Device() = default;
    // Runs `verb` with the words after the device name. `reply` is empty on entry.
    virtual uint32_t execute(std::string_view verb, std::span<const Token> rest,
                             std::string& reply) = 0;
};

// One row of a device's command table.
template <class D>
struct CommandRow {
    std::string_view verb;
    std::span<const KeywordSpec> keywords;
    uint32_t (D::*handler)(const Args&, std::string&);
    uint32_t unknownKeyword = err::kUnrecognizedKeyword;
};

// Whether the device class `D` has a row for `verb` in its command table (D::commands()).
template <class D>
bool answersVerb(std::string_view verb) {
    for (const CommandRow<D>& row : D::commands()) {
        if (equalsNoCase(row.verb, verb)) return true;
    }
    return false;
}

// Finds the verb's row (274 when the device has none), parses its keywords, runs its handler.
template <class D>
uint32_t dispatch(std::span<const CommandRow<D>> table, D& device, std::string_view verb,
                  std::span<const Token> rest, std::string& reply) {
    for (const CommandRow<D>& row : table) {
        if (!equalsNoCase(row.verb, verb)) continue;
        Args args;
        if (const uint32_t code = parseArguments(rest, row.keywords, row.unknownKeyword, args)) {
            return code;
        }
        return (device.*row.handler)(args, reply);
    }
    return err::kUnsupportedFunction;
}

}  // namespace stillmar::mci
