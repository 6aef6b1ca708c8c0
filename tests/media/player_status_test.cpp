// Status queries: the commands they send and the time texts made of the replies.

#include "media/talve_player.h"
#include "tests/media/player_fixture.h"

namespace stillmar::test {
namespace {

TEST_F(PlayerTest, lengthRepliesBecomeSecondsAndMinutesRoundedHalfToEven) {
    const struct {
        const char* reply;
        const char* seconds;
        const char* minutes;
    } cases[] = {
        {"2500", "2", "00:02"},   {"3500", "4", "00:04"},         {"59499", "59", "00:59"},
        {"59500", "60", "01:00"}, {"7500000", "125:00", nullptr}, {"0", "0", "00:00"},
        {"", "0", "00:00"},       {"garbage", "0", "00:00"},
    };
    for (const auto& c : cases) {
        svc.answer("status MYPLAYER length", 0, c.reply);
        SCOPED_TRACE(c.reply);
        if (c.minutes != nullptr) {
            EXPECT_EQ(player.LENGTHFORMAT(0), c.seconds);
            EXPECT_EQ(player.getStatusInfo(8), c.seconds);
            EXPECT_EQ(player.LENGTHFORMAT(1), c.minutes);
        } else {
            EXPECT_EQ(player.LENGTHFORMAT(1), c.seconds);
        }
    }
    svc.answer("status MYPLAYER length", 0, "7500000 ");
    EXPECT_EQ(player.LENGTHFORMAT(2), "7500000");
}

TEST_F(PlayerTest, positionInMinutesReadsTheReplyStrictly) {
    const struct {
        const char* reply;
        const char* text;
    } cases[] = {{"61400", "01:01"}, {"0", "00:00"}, {"59500", "01:00"},
                 {"12abc", "00:00"}, {"", "00:00"},  {"1500", "00:02"}};
    for (const auto& c : cases) {
        svc.answer("status MYPLAYER position", 0, c.reply);
        EXPECT_EQ(player.POSFORMAT(1), c.text) << c.reply;
    }
    svc.answer("status MYPLAYER position", 0, "2500");
    EXPECT_EQ(player.POSFORMAT(0), "2");
    svc.answer("status MYPLAYER position", 0, "01:02:03:04");
    EXPECT_EQ(player.POSFORMAT(0), "0") << "a tmsf reply is not a plain number";
    EXPECT_EQ(player.POSFORMAT(2), "01:02:03:04");
    EXPECT_EQ(player.POSFORMAT(3), "");
}

TEST_F(PlayerTest, formatsPastTheSixteenBitMinuteLimitWith32BitArithmetic) {
    // 547 minutes is where 60 x minutes no longer fits 16 bits.
    svc.answer("status MYPLAYER length", 0, "32820000");
    EXPECT_EQ(player.LENGTHFORMAT(1), "547:00");
    svc.answer("status MYPLAYER position", 0, "32879400");
    EXPECT_EQ(player.POSFORMAT(1), "547:59");
    svc.answer("status MYPLAYER length", 0, "32760000");
    EXPECT_EQ(player.LENGTHFORMAT(1), "546:00");
}

TEST_F(PlayerTest, remainingTimeIsLengthMinusPosition) {
    const struct {
        const char* length;
        const char* position;
        const char* text;
    } cases[] = {
        {"250000", "3000", "04:07"},
        {"250000", "300000", "00:00"},
        {"0", "0", "00:00"},
        {"60000", "0", "01:00"},
        {"3599000", "0", "59:59"},
        // An hour or more reads H:MM:SS.
        {"3725000", "0", "1:02:05"},
        {"3600000", "0", "1:00:00"},
        {"40000000", "1000", "11:06:39"},
    };
    for (const auto& c : cases) {
        svc.answer("status MYPLAYER length", 0, c.length);
        svc.answer("status MYPLAYER position", 0, c.position);
        EXPECT_EQ(player.FormatRemain(), c.text) << c.length << " - " << c.position;
    }
    svc.clearLog();
    player.FormatRemain();
    EXPECT_EQ(svc.commands, (Log{{"set MYPLAYER time format tmsf ", kNone},
                                 {"status MYPLAYER position", kStatus},
                                 {"set MYPLAYER time format milliseconds", kNone},
                                 {"status MYPLAYER length", kStatus}}));
}

TEST_F(PlayerTest, statusInfoSendsItsRowAndPostProcessesTheReply) {
    player.setAliasName("VideoCapture");
    svc.answer("status VideoCapture position", 0, "1234.5");
    svc.answer("status VideoCapture speed", 0, "1000");
    svc.answer("status VideoCapture length", 0, "2500");
    svc.answer("status VideoCapture mode", 0, "playing  ");
    svc.answer("Status VideoCapture frame rate", 0, "25000");
    const struct {
        int32_t code;
        Log sent;
        const char* result;
    } rows[] = {
        {1,
         {{"set VideoCapture time format frames", kStatus},
          {"status VideoCapture length", kStatus}},
         "2500"},
        {2, {{"status VideoCapture mode", kStatus}}, "playing"},
        {3,
         {{"set VideoCapture time format ms", kNone}, {"status VideoCapture position", kStatus}},
         "1234"},
        {4, {{"status VideoCapture time format", kStatus}}, ""},
        {5, {{"Status VideoCapture frame rate", kStatus}}, "25000"},
        {6, {{"status VideoCapture speed ", kStatus}}, "100"},
        {7, {{"status VideoCapture window handle", kStatus}}, ""},
        {8,
         {{"set VideoCapture time format ms wait", kNone}, {"status VideoCapture length", kStatus}},
         "2"},
        {0, {}, ""},
        {9, {}, ""},
    };
    for (const auto& r : rows) {
        svc.clearLog();
        EXPECT_EQ(player.getStatusInfo(r.code), r.result) << "code " << r.code;
        EXPECT_EQ(svc.commands, r.sent) << "code " << r.code;
    }
    svc.answer("status VideoCapture speed", 0, "1005");
    EXPECT_EQ(player.getStatusInfo(6), "100.5");
}

TEST_F(PlayerTest, aFailedStatusGivesEmptyOrZero) {
    svc.answer("status", 263);
    EXPECT_EQ(player.getStatusInfo(2), "");
    EXPECT_EQ(player.getStatusInfo(3), "0");
    EXPECT_EQ(player.getStatusInfo(8), "0");
    EXPECT_EQ(player.POSFORMAT(0), "0");
    EXPECT_EQ(player.POSFORMAT(1), "00:00");
}

TEST_F(PlayerTest, timeFormatCodesAndTheLengthFormatRequest) {
    for (int32_t code : {0, 1, 2, 3, -1}) player.SetTimeFormat(code);
    player.LENGTHFORMAT(7);
    EXPECT_EQ(svc.commands, (Log{{"set MYPLAYER time format ms wait", kNone},
                                 {"set MYPLAYER time format tmsf wait", kNone},
                                 {"set MYPLAYER time format frames wait", kNone},
                                 {"set MYPLAYER time format milliseconds", kNone}}));
    svc.clearLog();
    player.LENGTHFORMAT(2);
    EXPECT_EQ(svc.commands.at(1), (RecordedCommand{"status MYPLAYER length", kField}));
}

}  // namespace
}  // namespace stillmar::test
