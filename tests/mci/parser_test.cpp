#include <gtest/gtest.h>

#include "platform/mci/command_parser.h"
#include "platform/mci/errors.h"

namespace stillmar::mci {
namespace {

std::string joined(const std::vector<Token>& tokens) {
    std::string out;
    for (const Token& t : tokens) out += (t.quoted ? "Q[" : "[") + t.text + "]";
    return out;
}

TEST(Tokenize, splitsOnRunsOfBlanksAndKeepsQuotedNamesWhole) {
    struct Case {
        std::string line;
        uint32_t code;
        std::string tokens;
    };
    const Case cases[] = {
        {"play  a   from 5", 0, "[play][a][from][5]"},
        {"  status a mode" + std::string(230, ' '), 0, "[status][a][mode]"},
        {"open \"/tmp/my clip.avi\" alias x", 0, "[open]Q[/tmp/my clip.avi][alias][x]"},
        {"open \"\" type x", 0, "[open]Q[][type][x]"},
        {"open \"a b", err::kNoClosingQuote, ""},
        {"open \"a b\"c", err::kExtraCharacters, ""},
        {"open a\"b\"", 0, "[open][a\"b\"]"},
        {std::string("stop a\0garbage", 14), 0, "[stop][a]"},
        {"\t\r\n", 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<Token> tokens;
        EXPECT_EQ(tokenize(c.line, tokens), c.code) << c.line;
        if (c.code == 0) {
            EXPECT_EQ(joined(tokens), c.tokens) << c.line;
        }
    }
}

TEST(ParseNumber, acceptsPlainDecimalsWithAnOptionalMinusOnly) {
    struct Case {
        std::string text;
        std::optional<int64_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"1073741824", 1073741824},
        {"-6000", -6000},
        {"4294967295", 4294967295LL},
        {"-2147483648", -2147483648LL},
        {"4294967296", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999", std::nullopt},
        {"0xfa", std::nullopt},
        {"+5", std::nullopt},
        {"5x", std::nullopt},
        {"-", std::nullopt},
        {"--5", std::nullopt},
        {"", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parseNumber(c.text), c.value) << c.text;
}

constexpr std::string_view kFormats[] = {"ms", "frames", "smpte 30", "smpte 30 drop"};
constexpr KeywordSpec kTable[] = {
    {"time format", ArgKind::Constant, 0, kFormats},
    {"to", ArgKind::Integer, 1},
    {"to end", ArgKind::Flag, 1},
    {"at", ArgKind::Rect},
    {"type", ArgKind::Text},
    {"alias", ArgKind::Text},
};

std::string describe(const Args& args) {
    std::string out;
    for (const ArgValue& v : args.values()) {
        out += std::string(v.keyword) + "=";
        for (int64_t n : v.numbers) out += std::to_string(n) + ",";
        out += v.text + (v.known ? "" : "?") + ";";
    }
    return out;
}

TEST(ParseArguments, matchesLongestKeywordsAndTypesTheirValues) {
    struct Case {
        std::string words;
        uint32_t code;
        std::string parsed;
    };
    const Case cases[] = {
        {"TIME  Format SMPTE 30 Drop wait", 0, "time format=smpte 30 drop;wait=;"},
        {"time format tmsf", 0, "time format=tmsf?;"},
        {"time format", err::kMissingParameter, ""},
        {"time", 59, ""},
        {"to end", 0, "to end=;"},
        {"to -5", 0, "to=-5,;"},
        {"to", err::kBadInteger, ""},
        {"to 0xfa", err::kBadInteger, ""},
        {"to 5 to end", err::kFlagsNotCompatible, ""},
        {"at 1 2 3 4", 0, "at=1,2,3,4,;"},
        {"at 1 2 3", err::kBadInteger, ""},
        {"type  alias x", 0, "type=;alias=x;"},
        {"type \"alias\" alias x", 0, "type=alias;alias=x;"},
        {"alias", 0, "alias=;"},
        {"wait wait", err::kDuplicateFlags, ""},
        {"\"to\" 5", 59, ""},
        {"bogus", 59, ""},
        {"notify", 0, "notify=;"},
    };
    for (const Case& c : cases) {
        std::vector<Token> tokens;
        ASSERT_EQ(tokenize(c.words, tokens), 0u);
        Args args;
        EXPECT_EQ(parseArguments(tokens, kTable, 59, args), c.code) << c.words;
        if (c.code == 0) {
            EXPECT_EQ(describe(args), c.parsed) << c.words;
        }
    }
}

}  // namespace
}  // namespace stillmar::mci
