#pragma once
// Tokens, numbers and keyword tables of command strings.
//
// A command is `verb device rest`. Words are separated by runs of blanks; a word may be quoted
// with double quotes (no escapes) so that a name keeps its spaces. The words after the device
// are matched against the keyword table of the command, longest multi-word keyword first.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace stillmar::mci {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a command line. Returns 0, or 294 (no closing quote) / 305 (text after a quote).
uint32_t tokenize(std::string_view line, std::vector<Token>& out);

// Decimal with an optional leading minus, within -2^31 .. 2^32-1; nothing otherwise.
std::optional<int64_t> parseNumber(std::string_view text);

bool equalsNoCase(std::string_view a, std::string_view b);

enum class ArgKind {
    Flag,               // the keyword alone
    Integer,            // one number (270 when missing or malformed)
    Rect,               // four numbers
    Text,               // one word or quoted name; empty when the next word is a keyword
    Constant,           // one of `constants` (multi-word allowed); an unknown word is kept raw
    IntegerOrConstant,  // a number, else as Constant
};

struct KeywordSpec {
    std::string_view name;  // lower case, words separated by one space
    ArgKind kind = ArgKind::Flag;
    // Keywords sharing a non-zero group cannot be combined (284).
    int group = 0;
    std::span<const std::string_view> constants = {};
};

struct ArgValue {
    std::string_view keyword;  // the table's spelling
    std::vector<int64_t> numbers;
    std::string text;
    bool known = true;  // Constant: the word is one of the table's constants
};

class Args {
  public:
    bool has(std::string_view keyword) const { return find(keyword) != nullptr; }
    const ArgValue* find(std::string_view keyword) const;
    int64_t number(std::string_view keyword) const;
    const std::string& text(std::string_view keyword) const;
    bool empty() const { return values_.empty(); }
    // The keywords given, without wait/notify.
    std::vector<std::string_view> given() const;
    std::vector<ArgValue>& values() { return values_; }
    const std::vector<ArgValue>& values() const { return values_; }

  private:
    std::vector<ArgValue> values_;
};

// Matches `tokens` against `table` (plus wait and notify, always accepted). An unquoted word
// that is no keyword gives `unknownCode`.
uint32_t parseArguments(std::span<const Token> tokens, std::span<const KeywordSpec> table,
                        uint32_t unknownCode, Args& out);

// How many tokens from `tokens` the longest keyword of `table` matching at the front spans
// (0 when none); `*match` receives the row.
std::size_t matchKeyword(std::span<const Token> tokens, std::span<const KeywordSpec> table,
                         const KeywordSpec** match);

}  // namespace stillmar::mci
