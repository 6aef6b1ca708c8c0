#include "platform/runtime/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/runtime/runtime_error.h"

namespace stillmar::rt {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Scans a number starting at `pos`. Returns the number of characters used (0 when no digit
// was found) and writes a normalised copy ("D" exponent as "e") into `out`.
std::size_t scanNumber(std::string_view text, std::size_t pos, std::string& out) {
    const std::size_t start = pos;
    out.clear();
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        if (text[pos] == '-') out.push_back('-');
        ++pos;
    }
    bool digits = false;
    while (pos < text.size() && isDigit(text[pos])) {
        out.push_back(text[pos++]);
        digits = true;
    }
    if (pos < text.size() && text[pos] == '.') {
        out.push_back('.');
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            out.push_back(text[pos++]);
            digits = true;
        }
    }
    if (!digits) return 0;
    // An exponent counts only when digits follow it.
    if (pos < text.size() &&
        (text[pos] == 'e' || text[pos] == 'E' || text[pos] == 'd' || text[pos] == 'D')) {
        std::size_t e = pos + 1;
        std::string exp = "e";
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) exp.push_back(text[e++]);
        if (e < text.size() && isDigit(text[e])) {
            while (e < text.size() && isDigit(text[e])) exp.push_back(text[e++]);
            out += exp;
            pos = e;
        }
    }
    return pos - start;
}

double parseScanned(const std::string& s) {
    double value = 0.0;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    // from_chars does not take a leading '+'; scanNumber never writes one.
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range is either too large (infinity with the sign) or too small (zero).
        const bool negative = s[0] == '-';
        const std::size_t ePos = s.find('e');
        bool huge;
        if (ePos != std::string::npos) {
            huge = s[ePos + 1] != '-';
        } else {
            const std::string whole = s.substr(0, s.find('.'));
            huge = whole.find_first_of("123456789") != std::string::npos;
        }
        if (huge) return negative ? -HUGE_VAL : HUGE_VAL;
        return negative ? -0.0 : 0.0;
    }
    (void)ptr;
    return value;
}

}  // namespace

double leadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    std::string scanned;
    if (scanNumber(text, pos, scanned) == 0) return 0.0;
    return parseScanned(scanned);
}

std::optional<double> tryStrictNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    std::string scanned;
    const std::size_t used = scanNumber(text, pos, scanned);
    if (used == 0) return std::nullopt;
    pos += used;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    if (pos != text.size()) return std::nullopt;
    const double value = parseScanned(scanned);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

double strictNumber(std::string_view text) {
    const std::optional<double> value = tryStrictNumber(text);
    if (!value) raise(kTypeMismatch);
    return *value;
}

namespace {
// The sign, then the magnitude's digits with zeros in front up to `width`. Built by appending
// to one string: prefixing a temporary ("-" + digits) makes g++ 12 at -O3 warn falsely
// (-Wrestrict) inside std::string.
std::string signedPadded(int64_t value, std::size_t width) {
    // Magnitude as unsigned so that the minimum value does not overflow.
    const uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out;
    out.reserve(1 + std::max(width, digits.size()));
    if (value < 0) out.push_back('-');
    if (digits.size() < width) out.append(width - digits.size(), '0');
    out.append(digits);
    return out;
}
}  // namespace

std::string formatPattern00(int64_t value) {
    return signedPadded(value, 2);
}

std::string formatPattern00Colon00(int64_t value) {
    std::string text = signedPadded(value, 4);
    text.insert(text.size() - 2, 1, ':');
    return text;
}

std::string numberText(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return std::string(buf) == "-0" ? "0" : buf;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

}  // namespace stillmar::rt
