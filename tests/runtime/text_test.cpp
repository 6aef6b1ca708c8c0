#include <gtest/gtest.h>

#include <cmath>

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/text.h"

namespace rt = stillmar::rt;

TEST(LeadingNumber, readsTheLeadingDecimalNumber_zeroWhenNone) {
    const struct {
        const char* in;
        double out;
    } cases[] = {{"2500", 2500}, {"  42abc", 42}, {"\t-3.5 s", -3.5}, {"1.5e3x", 1500},
                 {"1e", 1},      {".5", 0.5},     {"12.3.4", 12.3},   {"playing", 0},
                 {"", 0},        {"-", 0},        {"1,5", 1},         {"1 2", 1}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(rt::leadingNumber(c.in), c.out) << c.in;
    EXPECT_TRUE(std::isinf(rt::leadingNumber(std::string(400, '9'))));
}

TEST(StrictNumber, acceptsOnlyAPlainNumber) {
    EXPECT_EQ(rt::tryStrictNumber(" 61400 "), 61400.0);
    EXPECT_EQ(rt::tryStrictNumber("-2.5e1"), -25.0);
    for (const char* bad : {"", "   ", "12abc", "1 2", "--1", "1e", "0x10"}) {
        EXPECT_FALSE(rt::tryStrictNumber(bad).has_value()) << '"' << bad << '"';
    }
    try {
        rt::strictNumber("");
        ADD_FAILURE() << "no error";
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), 13);
    }
}

TEST(NumericPatterns, padToTheirDigitsAndNeverCut) {
    EXPECT_EQ(rt::formatPattern00(7), "07");
    EXPECT_EQ(rt::formatPattern00(125), "125");
    EXPECT_EQ(rt::formatPattern00(-5), "-05");
    EXPECT_EQ(rt::formatPattern00Colon00(45), "00:45");
    EXPECT_EQ(rt::formatPattern00Colon00(12345), "123:45");
    EXPECT_EQ(rt::formatPattern00Colon00(-5), "-00:05");
    EXPECT_EQ(rt::formatPattern00(INT64_MIN), "-9223372036854775808");
}
