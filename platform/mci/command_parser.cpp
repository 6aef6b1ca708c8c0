#include "platform/mci/command_parser.h"

#include <array>

#include "platform/mci/errors.h"

namespace stillmar::mci {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

constexpr std::array<KeywordSpec, 2> kCommonKeywords = {{{"wait"}, {"notify"}}};

// Number of tokens that the words of `phrase` ("time format") match at the front of `tokens`.
std::size_t matchPhrase(std::span<const Token> tokens, std::string_view phrase) {
    std::size_t count = 0;
    while (!phrase.empty()) {
        const auto space = phrase.find(' ');
        const std::string_view word = phrase.substr(0, space);
        if (count >= tokens.size() || tokens[count].quoted ||
            !equalsNoCase(tokens[count].text, word)) {
            return 0;
        }
        ++count;
        phrase = space == std::string_view::npos ? std::string_view() : phrase.substr(space + 1);
    }
    return count;
}

std::size_t matchAny(std::span<const Token> tokens, std::span<const KeywordSpec> table,
                     const KeywordSpec** match) {
    const std::size_t own = matchKeyword(tokens, table, match);
    if (own > 0) return own;
    return matchKeyword(tokens, kCommonKeywords, match);
}

// A keyword may be given once, and not with another of its group.
uint32_t checkCombination(const KeywordSpec& keyword, std::span<const KeywordSpec> table,
                          const Args& given) {
    if (given.has(keyword.name)) return err::kDuplicateFlags;
    if (keyword.group == 0) return err::kOk;
    for (const ArgValue& other : given.values()) {
        for (const KeywordSpec& row : table) {
            if (row.name == other.keyword && row.group == keyword.group) {
                return err::kFlagsNotCompatible;
            }
        }
    }
    return err::kOk;
}

// The readers of a keyword's value from the words after it (`rest`); `used` receives how many
// words the value took.

uint32_t readNumbers(std::span<const Token> rest, int count, ArgValue& value, std::size_t& used) {
    for (; used < std::size_t(count); ++used) {
        if (used >= rest.size()) return err::kBadInteger;
        const auto n = parseNumber(rest[used].text);
        if (!n) return err::kBadInteger;
        value.numbers.push_back(*n);
    }
    return err::kOk;
}

// One of the keyword's constants, the longest that matches; an unknown word is kept as it is.
uint32_t readConstant(std::span<const Token> rest, const KeywordSpec& keyword, ArgValue& value,
                      std::size_t& used) {
    if (rest.empty()) return err::kMissingParameter;
    for (std::string_view c : keyword.constants) {
        const std::size_t n = matchPhrase(rest, c);
        if (n > used) {
            used = n;
            value.text = c;
        }
    }
    if (used == 0) {
        value.text = rest[0].text;
        value.known = false;
        used = 1;
    }
    return err::kOk;
}

uint32_t readValue(std::span<const Token> rest, const KeywordSpec& keyword,
                   std::span<const KeywordSpec> table, ArgValue& value, std::size_t& used) {
    const KeywordSpec* next = nullptr;
    switch (keyword.kind) {
        case ArgKind::Flag:
            return err::kOk;
        case ArgKind::Integer:
            return readNumbers(rest, 1, value, used);
        case ArgKind::Rect:
            return readNumbers(rest, 4, value, used);
        case ArgKind::Text:
            // Empty when the next word is a keyword.
            if (!rest.empty() && matchAny(rest, table, &next) == 0) {
                value.text = rest[0].text;
                used = 1;
            }
            return err::kOk;
        case ArgKind::Constant:
            return readConstant(rest, keyword, value, used);
        case ArgKind::IntegerOrConstant:
            if (!rest.empty()) {
                if (const auto n = parseNumber(rest[0].text)) {
                    value.numbers.push_back(*n);
                    used = 1;
                    return err::kOk;
                }
            }
            return readConstant(rest, keyword, value, used);
    }
    return err::kOk;
}

}  // namespace

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

uint32_t tokenize(std::string_view line, std::vector<Token>& out) {
    out.clear();
    // The caller's text ends at its first NUL, as a C string would.
    line = line.substr(0, line.find('\0'));
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        Token token;
        if (line[i] == '"') {
            const auto close = line.find('"', i + 1);
            if (close == std::string_view::npos) return err::kNoClosingQuote;
            token.text = line.substr(i + 1, close - i - 1);
            token.quoted = true;
            i = close + 1;
            if (i < line.size() && !isBlank(line[i])) return err::kExtraCharacters;
        } else {
            const std::size_t start = i;
            while (i < line.size() && !isBlank(line[i])) ++i;
            token.text = line.substr(start, i - start);
        }
        out.push_back(std::move(token));
    }
    return err::kOk;
}

std::optional<int64_t> parseNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < -2147483648LL || value > 4294967295LL) return std::nullopt;
    return value;
}

std::size_t matchKeyword(std::span<const Token> tokens, std::span<const KeywordSpec> table,
                         const KeywordSpec** match) {
    std::size_t best = 0;
    for (const KeywordSpec& keyword : table) {
        const std::size_t n = matchPhrase(tokens, keyword.name);
        if (n > best) {
            best = n;
            *match = &keyword;
        }
    }
    return best;
}

const ArgValue* Args::find(std::string_view keyword) const {
    for (const ArgValue& v : values_) {
        if (v.keyword == keyword) return &v;
    }
    return nullptr;
}

int64_t Args::number(std::string_view keyword) const {
    const ArgValue* v = find(keyword);
    return v && !v->numbers.empty() ? v->numbers.front() : 0;
}

const std::string& Args::text(std::string_view keyword) const {
    static const std::string kEmpty;
    const ArgValue* v = find(keyword);
    return v ? v->text : kEmpty;
}

std::vector<std::string_view> Args::given() const {
    std::vector<std::string_view> out;
    for (const ArgValue& v : values_) {
        if (v.keyword != "wait" && v.keyword != "notify") out.push_back(v.keyword);
    }
    return out;
}

uint32_t parseArguments(std::span<const Token> tokens, std::span<const KeywordSpec> table,
                        uint32_t unknownCode, Args& out) {
    std::size_t i = 0;
    while (i < tokens.size()) {
        const KeywordSpec* keyword = nullptr;
        const std::size_t words = matchAny(tokens.subspan(i), table, &keyword);
        if (words == 0) return unknownCode;
        if (const uint32_t code = checkCombination(*keyword, table, out)) return code;
        i += words;
        ArgValue value;
        value.keyword = keyword->name;
        std::size_t used = 0;
        if (const uint32_t code = readValue(tokens.subspan(i), *keyword, table, value, used)) {
            return code;
        }
        i += used;
        out.values().push_back(std::move(value));
    }
    return err::kOk;
}

}  // namespace stillmar::mci
