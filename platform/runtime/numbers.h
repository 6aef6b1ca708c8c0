#pragma once
// The numeric rules of the run time: banker's rounding, checked 16- and 32-bit integers,
// Booleans shown as -1.

#include <cstdint>

namespace stillmar::rt {

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
constexpr int16_t toBoolean(bool value) {
    return value ? kTrue : kFalse;
}

// Nearest whole number, a value exactly halfway going to the even neighbour (2.5 -> 2).
double roundHalfEven(double value);

// Float to integer as the run time converts: round half to even, then raise Overflow (6)
// when the result does not fit (NaN included).
int16_t toInt16OrRaise(double value);
int32_t toInt32OrRaise(double value);

// Float to a 64-bit whole number, saturating instead of failing; for values only shown.
int64_t toInt64Saturated(double value);

// Checked integer arithmetic: Overflow (6) when the exact result does not fit.
// Division by zero raises 11.
int16_t mul16(int16_t a, int16_t b);
int16_t div16(int16_t a, int16_t b);  // integer division, truncated toward zero
int32_t add32(int32_t a, int32_t b);
int32_t sub32(int32_t a, int32_t b);
int32_t mul32(int32_t a, int32_t b);
int32_t div32(int32_t a, int32_t b);

}  // namespace stillmar::rt
