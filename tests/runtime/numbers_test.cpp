#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"

namespace rt = stillmar::rt;

namespace {
int32_t errorNumberOf(void (*f)()) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return 0;
}
}  // namespace

TEST(Rounding, halfwayGoesToEven_otherwiseNearest) {
    const struct {
        double in, out;
    } cases[] = {{2.5, 2},   {3.5, 4},   {0.5, 0},    {1.5, 2},          {-2.5, -2},
                 {-3.5, -4}, {2.4, 2},   {2.6, 3},    {-2.6, -3},        {59.499, 59},
                 {59.5, 60}, {60.5, 60}, {13.09, 13}, {1e15 + 0.5, 1e15}};
    for (const auto& c : cases) EXPECT_EQ(rt::roundHalfEven(c.in), c.out) << c.in;
}

TEST(Conversion, roundsThenRaisesOverflowOutsideTheType) {
    EXPECT_EQ(rt::toInt16(32767.4), 32767);
    EXPECT_EQ(rt::toInt16(-32768.5), -32768);  // halfway to even stays in range
    EXPECT_EQ(rt::toInt32(2147483647.0), 2147483647);
    EXPECT_EQ(errorNumberOf([] { rt::toInt16(32767.5); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::toInt32(2147483648.0); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::toInt32(std::nan("")); }), 6);
    EXPECT_EQ(rt::toInt64Saturated(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(rt::toInt64Saturated(-1e300), std::numeric_limits<int64_t>::min());
}

TEST(CheckedArithmetic, raisesOverflowAtTheTypeBounds) {
    EXPECT_EQ(rt::mul16(546, 60), 32760);
    EXPECT_EQ(errorNumberOf([] { rt::mul16(547, 60); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::add16(32767, 1); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::sub16(-32768, 1); }), 6);
    EXPECT_EQ(rt::mul32(2147483, 1000), 2147483000);
    EXPECT_EQ(errorNumberOf([] { rt::mul32(2147484, 1000); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::add32(2147483647, 1); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::sub32(-2147483647, 2); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::div32(-2147483647 - 1, -1); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::div16(-32768, -1); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::div32(1, 0); }), 11);
    EXPECT_EQ(rt::div32(-7, 2), -3);
}

TEST(RuntimeError, carriesTheRunTimesNumbersAndDescriptions) {
    const struct {
        int32_t number;
        const char* text;
    } cases[] = {{5, "Invalid procedure call or argument"},
                 {6, "Overflow"},
                 {11, "Division by zero"},
                 {13, "Type mismatch"},
                 {53, "File not found"},
                 {75, "Path/File access error"},
                 {76, "Path not found"}};
    for (const auto& c : cases) {
        const rt::RuntimeError e(c.number);
        EXPECT_EQ(e.number(), c.number);
        EXPECT_EQ(e.description(), c.text);
    }
    EXPECT_EQ(rt::toBoolean(true), -1);
    EXPECT_EQ(rt::toBoolean(false), 0);
}
