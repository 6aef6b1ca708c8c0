#include <gtest/gtest.h>

#include "platform/mci/midi/time_format.h"

namespace stillmar::mci::midi {
namespace {

TEST(TimeFormat, lookup_acceptsOurFormats_andTellsUnsupportedFromUnknown) {
    struct Case {
        const char* words;
        FormatSupport support;
        TimeFormat format;
    };
    const Case cases[] = {
        {"ms", FormatSupport::Supported, TimeFormat::Milliseconds},
        {"MilliSeconds", FormatSupport::Supported, TimeFormat::Milliseconds},
        {"smpte 24", FormatSupport::Supported, TimeFormat::Smpte24},
        {"SMPTE   25", FormatSupport::Supported, TimeFormat::Smpte25},
        {" smpte 30 ", FormatSupport::Supported, TimeFormat::Smpte30},
        {"smpte 30 drop", FormatSupport::Unsupported, TimeFormat::Milliseconds},
        {"frames", FormatSupport::Unsupported, TimeFormat::Milliseconds},
        {"tmsf", FormatSupport::Unsupported, TimeFormat::Milliseconds},
        {"song pointer", FormatSupport::Unsupported, TimeFormat::Milliseconds},
        {"smpte", FormatSupport::Unknown, TimeFormat::Milliseconds},
        {"smpte 29", FormatSupport::Unknown, TimeFormat::Milliseconds},
        {"seconds", FormatSupport::Unknown, TimeFormat::Milliseconds},
        {"", FormatSupport::Unknown, TimeFormat::Milliseconds},
    };
    for (const Case& c : cases) {
        TimeFormatLookup got = lookupTimeFormat(c.words);
        EXPECT_EQ(got.support, c.support) << c.words;
        if (c.support == FormatSupport::Supported) {
            EXPECT_EQ(got.format, c.format) << c.words;
        }
    }
    EXPECT_EQ(timeFormatName(TimeFormat::Milliseconds), "milliseconds");
    EXPECT_EQ(timeFormatName(TimeFormat::Smpte25), "smpte 25");
}

TEST(TimeFormat, formatTime_writesMillisecondsOrSmpteFields) {
    struct Case {
        int64_t ms;
        TimeFormat format;
        const char* text;
    };
    const Case cases[] = {
        {0, TimeFormat::Milliseconds, "0"},
        {123456, TimeFormat::Milliseconds, "123456"},
        {-3, TimeFormat::Milliseconds, "0"},
        {0, TimeFormat::Smpte24, "00:00:00:00"},
        {41, TimeFormat::Smpte24, "00:00:00:00"},  // frame 1 starts at 41.67 ms
        {42, TimeFormat::Smpte24, "00:00:00:01"},
        {999, TimeFormat::Smpte24, "00:00:00:23"},
        {65500, TimeFormat::Smpte25, "00:01:05:12"},
        {3723967, TimeFormat::Smpte30, "01:02:03:29"},
        {360000000, TimeFormat::Smpte30, "100:00:00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatTime(c.ms, c.format), c.text) << c.ms;
}

TEST(TimeFormat, parseTime_readsFieldsFromTheHours_andPackedNumbers) {
    EXPECT_EQ(parseTime("1500", TimeFormat::Milliseconds), 1500);
    EXPECT_EQ(parseTime("00:01:05:12", TimeFormat::Smpte25), 65480);
    EXPECT_EQ(parseTime("0:0:1", TimeFormat::Smpte25), 1000);
    EXPECT_EQ(parseTime("1", TimeFormat::Smpte24), 3600000);  // a bare number is packed: 1 hour
    EXPECT_EQ(parseTime("0:0:0:1", TimeFormat::Smpte24), 42);
    // Packed: hours in the low byte, then minutes, seconds, frames.
    EXPECT_EQ(parseTime(std::to_string(2 | 3 << 8 | 4 << 16 | 5 << 24), TimeFormat::Smpte30),
              (2 * 3600 + 3 * 60 + 4) * 1000 + 167);
    for (const char* bad : {"", "-1", "+5", "0x10", "1:60", "0:0:60", "0:0:0:25", "1:2:3:4:5",
                            "1::2", "a:b", "0:0:0:", "256:0:0:0"})
        EXPECT_EQ(parseTime(bad, TimeFormat::Smpte25), std::nullopt) << bad;
    EXPECT_EQ(parseTime("12a", TimeFormat::Milliseconds), std::nullopt);
    EXPECT_EQ(parseTime("0:0:0:29", TimeFormat::Smpte30).has_value(), true);
}

TEST(TimeFormat, smpteText_readsBackIntoTheSameFrame) {
    for (TimeFormat f : {TimeFormat::Smpte24, TimeFormat::Smpte25, TimeFormat::Smpte30}) {
        for (int64_t ms = 0; ms < 5000; ++ms) {
            const std::string text = formatTime(ms, f);
            auto back = parseTime(text, f);
            ASSERT_TRUE(back.has_value()) << text;
            EXPECT_LE(*back, ms) << text;
            EXPECT_EQ(formatTime(*back, f), text);
        }
    }
}

}  // namespace
}  // namespace stillmar::mci::midi
