#pragma once
// The text rules of the run time: reading numbers out of text and the numeric patterns.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stillmar::rt {

// The leading-number rule: blanks (space, tab, CR, LF) at the start are skipped, then an
// optional sign, digits with at most one decimal point, and an optional exponent (E or D,
// optional sign, digits) are read as far as they form a number. Text without a leading number
// gives 0. The decimal point is always ".", whatever the user's locale.
double leadingNumber(std::string_view text);

// The strict conversion: the whole text, blanks around it allowed, must be a plain decimal
// number (sign, digits, one decimal point, exponent); empty text and anything else fail.
std::optional<double> tryStrictNumber(std::string_view text);
// As tryStrictNumber, raising Type mismatch (13) on failure.
double strictNumber(std::string_view text);

// The numeric pattern "00": at least two digits, a leading "-" for negatives (7 -> "07",
// 125 -> "125", -5 -> "-05").
std::string formatPattern00(int64_t value);
// The numeric pattern "00:00": at least four digits with ":" before the last two
// (45 -> "00:45", 12345 -> "123:45").
std::string formatPattern00Colon00(int64_t value);

// A number in decimal as the run time writes it: whole numbers without a point, others with
// up to 15 significant digits and the user's decimal separator (the C library's LC_NUMERIC).
std::string numberText(double value);

}  // namespace stillmar::rt
