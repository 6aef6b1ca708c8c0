#include <gtest/gtest.h>

#include "platform/mci/midi/time_format.h"

namespace stillmar::mci::midi {
namespace {

TEST(TimeFormat, texts_areMillisecondsOrSmpteFields_bothWays) {
    struct Case {
        int64_t ms;
        TimeFormat format;
        const char* text;
    };
    const Case cases[] = {
        {123456, TimeFormat::Milliseconds, "123456"},
        {41, TimeFormat::Smpte24, "00:00:00:00"},  // frame 1 starts at 41.67 ms
        {42, TimeFormat::Smpte24, "00:00:00:01"},
        {65480, TimeFormat::Smpte25, "00:01:05:12"},
        {3723967, TimeFormat::Smpte30, "01:02:03:29"},
        {360000000, TimeFormat::Smpte30, "100:00:00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatTime(c.ms, c.format), c.text) << c.ms;
    EXPECT_EQ(formatTime(-3, TimeFormat::Smpte25), "00:00:00:00");

    EXPECT_EQ(parseTime("00:01:05:12", TimeFormat::Smpte25), 65480);
    EXPECT_EQ(parseTime("0:0:1", TimeFormat::Smpte25), 1000);  // fields fill from the hours
    EXPECT_EQ(parseTime("1", TimeFormat::Smpte24), 3600000);   // a bare number is packed
    EXPECT_EQ(parseTime(std::to_string(2 | 3 << 8 | 4 << 16 | 5 << 24), TimeFormat::Smpte30),
              (2 * 3600 + 3 * 60 + 4) * 1000 + 167);
    for (const char* bad :
         {"", "-1", "+5", "0x10", "1:60", "0:0:0:25", "1:2:3:4:5", "1::2", "0:0:0:", "256:0:0:0"})
        EXPECT_EQ(parseTime(bad, TimeFormat::Smpte25), std::nullopt) << bad;
    EXPECT_EQ(parseTime("12a", TimeFormat::Milliseconds), std::nullopt);

    for (TimeFormat f : {TimeFormat::Smpte24, TimeFormat::Smpte25, TimeFormat::Smpte30}) {
        for (int64_t ms = 0; ms < 3000; ++ms) {
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
