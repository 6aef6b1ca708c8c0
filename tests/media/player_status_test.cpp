// Status queries: the commands they send and the time texts made of the replies.

#include "media/talve_player.h"
#include "tests/media/player_fixture.h"

namespace stillmar::test {
namespace {

TEST_F(PlayerTest, lengthRepliesBecomeSecondsAndMinutesRoundedHalfToEven) {
    const char* cases[][3] = {{"2500", "2", "00:02"},        {"3500", "4", "00:04"},
                              {"59499", "59", "00:59"},      {"59500", "60", "01:00"},
                              {"7500000", "7500", "125:00"}, {"garbage", "0", "00:00"}};
    for (const auto& c : cases) {
        svc.answer("status MYPLAYER length", 0, c[0]);
        EXPECT_EQ(player.LENGTHFORMAT(TimeText::Seconds), c[1]) << c[0];
        EXPECT_EQ(player.getStatusInfo(PlayerStatus::LengthSeconds), c[1]) << c[0];
        EXPECT_EQ(player.LENGTHFORMAT(TimeText::MinutesSeconds), c[2]) << c[0];
    }
}

TEST_F(PlayerTest, positionRepliesAreReadStrictly) {
    const char* cases[][2] = {
        {"61400", "01:01"}, {"0", "00:00"}, {"12abc", "00:00"}, {"", "00:00"}};
    for (const auto& c : cases) {
        svc.answer("status MYPLAYER position", 0, c[0]);
        EXPECT_EQ(player.POSFORMAT(TimeText::MinutesSeconds), c[1]) << c[0];
    }
    svc.answer("status MYPLAYER position", 0, "01:02:03:04");
    EXPECT_EQ(player.POSFORMAT(TimeText::Seconds), "0") << "a tmsf reply is not a plain number";
    EXPECT_EQ(player.POSFORMAT(TimeText::DeviceUnits), "01:02:03:04");
}

TEST_F(PlayerTest, minutesPastTheSixteenBitLimitUse32BitArithmetic) {
    svc.answer("status MYPLAYER length", 0, "32820000");  // 547 minutes
    EXPECT_EQ(player.LENGTHFORMAT(TimeText::MinutesSeconds), "547:00");
    svc.answer("status MYPLAYER position", 0, "32879400");
    EXPECT_EQ(player.POSFORMAT(TimeText::MinutesSeconds), "547:59");
}

TEST_F(PlayerTest, remainingTimeIsLengthMinusPosition) {
    const char* cases[][3] = {{"250000", "3000", "04:07"}, {"250000", "300000", "00:00"},
                              {"0", "0", "00:00"},         {"3599000", "0", "59:59"},
                              {"3725000", "0", "1:02:05"}, {"40000000", "1000", "11:06:39"}};
    for (const auto& c : cases) {
        svc.answer("status MYPLAYER length", 0, c[0]);
        svc.answer("status MYPLAYER position", 0, c[1]);
        EXPECT_EQ(player.FormatRemain(), c[2]) << c[0] << " - " << c[1];
    }
}

TEST_F(PlayerTest, statusInfoSendsItsRowAndPostProcessesTheReply) {
    player.setAliasName("VideoCapture");
    svc.answer("status VideoCapture position", 0, "1234.5");
    svc.answer("status VideoCapture speed", 0, "1000");
    svc.answer("status VideoCapture length", 0, "2500");
    svc.answer("status VideoCapture mode", 0, "playing  ");
    const struct {
        int32_t code;
        Log sent;
        const char* result;
    } rows[] = {
        {PlayerStatus::LengthFrames,
         {{"set VideoCapture time format frames", kStatus},
          {"status VideoCapture length", kStatus}},
         "2500"},
        {PlayerStatus::Mode, {{"status VideoCapture mode", kStatus}}, "playing"},
        {PlayerStatus::PositionMs,
         {{"set VideoCapture time format ms", kNone}, {"status VideoCapture position", kStatus}},
         "1234"},
        {PlayerStatus::FrameRate, {{"Status VideoCapture frame rate", kStatus}}, ""},
        {PlayerStatus::Speed, {{"status VideoCapture speed ", kStatus}}, "100"},
        {PlayerStatus::LengthSeconds,
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
    EXPECT_EQ(player.getStatusInfo(PlayerStatus::Speed), "100.5");
}

}  // namespace
}  // namespace stillmar::test
