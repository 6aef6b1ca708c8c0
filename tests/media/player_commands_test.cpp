// The command strings of opening, transport and placement, exactly as sent and in order.

#include "media/talve_player.h"
#include "tests/media/player_fixture.h"
#include "tests/support/real_service.h"

namespace stillmar::test {
namespace {

TEST_F(PlayerTest, openSendsA255CharacterFieldThenLeavesMilliseconds) {
    player.setFilename(file);
    EXPECT_EQ(player.OpenMediaFile(1234, "MYPLAYER", "MPEGVideo"), "Success");
    EXPECT_EQ(svc.commands, (Log{{padded(openOf(file, "MPEGVideo", "MYPLAYER", "1234")), kNone},
                                 {"set MYPLAYER time format milliseconds", kNone},
                                 {"status MYPLAYER length", kStatus}}));

    player.OpenMediaFile(0, "A", "");  // two spaces for no type, parent 0 as one digit
    EXPECT_EQ(svc.commands.at(3).text,
              padded("open " + file + " type  Alias A parent 0 Style 1073741824"));

    const std::string alias(200, 'A');
    player.OpenMediaFile(77, alias, "MPEGVideo");
    EXPECT_EQ(svc.commands.at(6).text, openOf(file, "MPEGVideo", alias, "77").substr(0, 255));
}

TEST_F(PlayerTest, openOfAMissingFileReturnsTheServicesErrorText) {
    player.setFilename(dir + "/gone.avi");
    svc.answer("open", 275);
    svc.errorText(275, "Cannot find the specified file.");
    EXPECT_EQ(player.OpenMediaFile(1, "MYPLAYER", player.DeviceType()),
              "Cannot find the specified file.");
    EXPECT_EQ(svc.commands.at(0).text,
              padded("open  type  Alias MYPLAYER parent 1 Style 1073741824"));
}

TEST_F(PlayerTest, playMediaFileOpensFitsSeeksAndPlays) {
    windows.rects[42] = {10, 20, 330, 260};
    player.setFilename(file);
    player.setHwndParent(42);
    player.PlayMEDIAFILE(12);
    EXPECT_EQ(svc.commands, (Log{{padded(openOf(file, "MPEGVideo", "MYPLAYER", "42")), kNone},
                                 {"set MYPLAYER time format milliseconds", kNone},
                                 {"status MYPLAYER length", kStatus},
                                 {"put MYPLAYER window at 0 0 320 240", kNone},
                                 {"seek MYPLAYER to 12000", kNone},
                                 {"play MYPLAYER", kNone}}));
    player.PlayMEDIAFILE();
    EXPECT_EQ(svc.commands.at(10).text, "seek MYPLAYER to 0");
}

// The transport codes on a real file: what each does to the device, not the strings it sends.
TEST(PlayerOnTheRealService, setCommandSeeksPlaysPausesResumesStopsAndCloses) {
    const std::string clip = fixture("clock.mp4");
    ASSERT_FALSE(clip.empty());
    const auto service = makeRealService();
    TALVEplayer player{*service};
    player.setFilename(clip);
    ASSERT_EQ(player.OpenMediaFile(0, "MYPLAYER", "MPEGVideo"), "Success");
    const auto status = [&](const std::string& item, uint32_t* code = nullptr) {
        std::string reply(128, '\0');
        const uint32_t c = service->sendString("status MYPLAYER " + item, &reply, 128, 0);
        if (code) *code = c;
        return TALVEplayer::getString(reply);
    };

    player.setCommand(PlayerCommand::SeekAndPlay, "", 4000);  // seek there and play on
    EXPECT_EQ(status("mode"), "playing");
    EXPECT_GE(std::stoi(status("position")), 4000);
    player.setCommand(PlayerCommand::Pause, "", 0);
    EXPECT_EQ(status("mode"), "paused");
    player.setCommand(PlayerCommand::Resume, "", 0);
    EXPECT_EQ(status("mode"), "playing");
    player.setCommand(PlayerCommand::Stop, "", 0);
    EXPECT_EQ(status("mode"), "stopped");
    player.setCommand(PlayerCommand::Close, "", 0);
    uint32_t code = 0;
    status("mode", &code);
    EXPECT_EQ(code, 263u) << "closed";
}

TEST_F(PlayerTest, rewindPlaysFromThePositionWithoutClamping) {
    svc.answer("status MYPLAYER position", 0, "4000");
    player.FRewind(10);
    EXPECT_EQ(svc.commands, (Log{{"set MYPLAYER time format ms", kNone},
                                 {"status MYPLAYER position", kStatus},
                                 {"set MYPLAYER time format ms", kField},
                                 {"play MYPLAYER from -6000", kNone}}));
}

TEST_F(PlayerTest, placementFillsAZeroSizeFromTheWindowAndReportsRefusal) {
    windows.rects[7] = {100, 50, 500, 350};
    int32_t w = 0, h = 300;
    EXPECT_EQ(player.MoveVideoTo(7, 3, 4, w, h), "Success");
    EXPECT_EQ(std::pair(w, h), std::pair(400, 300));
    player.MoveVideoTo(7, 0, 0, w, h, 5);
    player.setAliasName("Other");
    player.PutVideoCapture(1, 2, 3, w, h);
    EXPECT_EQ(svc.texts(), (std::vector<std::string>{"put MYPLAYER window at 3 4 400 300",
                                                     "put MYPLAYER window at 5 5 390 290",
                                                     "put VideoCapture window at 2 3 400 300"}));
    EXPECT_EQ(player.LastPutResult(), 0);

    svc.answer("put", 263);
    svc.errorText(263, "The specified device is not open or is not recognized by MCI.");
    EXPECT_EQ(player.PutVideoCapture(1, 0, 0, w, h),
              "The specified device is not open or is not recognized by MCI.");
    EXPECT_EQ(player.LastPutResult(), 263);
}

TEST_F(PlayerTest, openCaptureReopensMutesSeeksShowsAndPlaces) {
    player.setFilename(file);
    player.OpenCapture(9, 75, "unused", 0, 0, 320, 240);
    EXPECT_EQ(player.AliasName(), "VideoCapture");
    EXPECT_EQ(svc.commands, (Log{{"close VideoCapture", kNone},
                                 {"stop VideoCapture", kNone},
                                 {padded(openOf(file, "MPEGVideo", "VideoCapture", "9")), kNone},
                                 {"set VideoCapture time format milliseconds", kNone},
                                 {"status VideoCapture length", kStatus},
                                 {"set VideoCapture time format ms", kField},
                                 {"set VideoCapture audio all off", kNone},
                                 {"window VideoCapture state hide", kNone},
                                 {"seek VideoCapture to 75000", kNone},
                                 {"window VideoCapture state show", kNone},
                                 {"put VideoCapture window at 0 0 320 240", kNone}}));
}

TEST_F(PlayerTest, desktopHandleIsZeroWithoutProgramManager) {
    EXPECT_EQ(player.GetHwndDesktop(), 0);
    windows.titles["Program Manager"] = 65552;
    EXPECT_EQ(player.GetHwndDesktop(), 65552);
}

}  // namespace
}  // namespace stillmar::test
