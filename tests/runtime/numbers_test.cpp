#include <gtest/gtest.h>

#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"

namespace rt = stillmar::rt;

namespace {
template <typename F>
int32_t errorNumberOf(F f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return e.number();
    }
    return 0;
}
}  // namespace

TEST(Rounding, halfwayGoesToEven_otherwiseNearest) {
    const double cases[][2] = {{2.5, 2},   {3.5, 4},    {0.5, 0},          {-2.5, -2},
                               {-3.5, -4}, {2.6, 3},    {-2.6, -3},        {59.499, 59},
                               {59.5, 60}, {13.09, 13}, {1e15 + 0.5, 1e15}};
    for (const auto& c : cases) EXPECT_EQ(rt::roundHalfEven(c[0]), c[1]) << c[0];
    EXPECT_EQ(rt::toInt16OrRaise(-32768.5), -32768);  // rounds into range before the check
}

TEST(Overflow, raisedWhenAResultLeavesItsType) {
    EXPECT_EQ(rt::mul16(546, 60), 32760);
    EXPECT_EQ(rt::mul32(2147483, 1000), 2147483000);
    EXPECT_EQ(errorNumberOf([] { rt::mul16(547, 60); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::mul32(2147484, 1000); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::sub32(-2147483647, 2); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::div16(-32768, -1); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::toInt16OrRaise(32767.5); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::toInt32OrRaise(2147483648.0); }), 6);
    EXPECT_EQ(errorNumberOf([] { rt::div32(1, 0); }), 11);
    EXPECT_EQ(rt::toInt64Saturated(1e300), INT64_MAX);
}
