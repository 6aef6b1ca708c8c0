#include "platform/runtime/numbers.h"

#include <cmath>
#include <limits>

#include "platform/runtime/runtime_error.h"

namespace stillmar::rt {

double roundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) return floor;
    if (diff > 0.5) return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {
template <typename T>
T toChecked(double value) {
    const double r = roundHalfEven(value);
    // NaN fails both comparisons and so lands in the error branch.
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max()))) {
        raise(kOverflow);
    }
    return static_cast<T>(r);
}

}  // namespace

int16_t toInt16OrRaise(double value) {
    return toChecked<int16_t>(value);
}
int32_t toInt32OrRaise(double value) {
    return toChecked<int32_t>(value);
}

int64_t toInt64Saturated(double value) {
    const double r = roundHalfEven(value);
    if (std::isnan(r)) return 0;
    // 2^63 is exactly representable; anything at or above it saturates.
    if (r >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (r <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

int16_t mul16(int16_t a, int16_t b) {
    int16_t r;
    if (__builtin_mul_overflow(a, b, &r)) raise(kOverflow);
    return r;
}
int16_t div16(int16_t a, int16_t b) {
    if (b == 0) raise(kDivisionByZero);
    if (a == std::numeric_limits<int16_t>::min() && b == -1) raise(kOverflow);
    return static_cast<int16_t>(a / b);
}
int32_t add32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) raise(kOverflow);
    return r;
}
int32_t sub32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) raise(kOverflow);
    return r;
}
int32_t mul32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) raise(kOverflow);
    return r;
}
int32_t div32(int32_t a, int32_t b) {
    if (b == 0) raise(kDivisionByZero);
    if (a == std::numeric_limits<int32_t>::min() && b == -1) raise(kOverflow);
    return a / b;
}

}  // namespace stillmar::rt
