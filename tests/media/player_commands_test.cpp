// The command strings of opening, transport and placement, exactly as sent and in order.

#include "media/talve_player.h"
#include "platform/runtime/runtime_error.h"
#include "tests/media/player_fixture.h"

namespace stillmar::test {
namespace {

TEST_F(PlayerTest, openSendsA255CharacterFieldThenLeavesMilliseconds) {
    player.setFilename(file);
    EXPECT_EQ(player.OpenMediaFile(1234, "MYPLAYER", "MPEGVideo"), "Success");
    const std::string open =
        "open " + file + " type MPEGVideo Alias MYPLAYER parent 1234 Style 1073741824";
    EXPECT_EQ(svc.commands, (Log{{padded(open), kNone},
                                 {"set MYPLAYER time format milliseconds", kNone},
                                 {"status MYPLAYER length", kStatus}}));
    ASSERT_EQ(svc.commands[0].text.size(), 255u);
}

TEST_F(PlayerTest, openWritesParentZeroAndAnEmptyTypeAsIs) {
    player.setFilename(file);
    player.OpenMediaFile(0, "A", "");
    EXPECT_EQ(svc.commands.at(0).text,
              padded("open " + file + " type  Alias A parent 0 Style 1073741824"));
    svc.clearLog();
    player.OpenMediaFile(-5, "A", "Sequencer");
    EXPECT_EQ(svc.commands.at(0).text,
              padded("open " + file + " type Sequencer Alias A parent -5 Style 1073741824"));
}

TEST_F(PlayerTest, openCutsALongCommandTo255Characters) {
    player.setFilename(file);
    const std::string alias(200, 'A');
    player.OpenMediaFile(77, alias, "MPEGVideo");
    const std::string full =
        "open " + file + " type MPEGVideo Alias " + alias + " parent 77 Style 1073741824";
    ASSERT_GT(full.size(), 255u);
    EXPECT_EQ(svc.commands.at(0).text, full.substr(0, 255));
}

TEST_F(PlayerTest, openOfAMissingFileSendsNoNameAndReturnsTheErrorText) {
    player.setFilename(dir + "/gone.avi");
    svc.answer("open", 275);
    svc.errorText(275, "Cannot find the specified file.");
    EXPECT_EQ(player.OpenMediaFile(1, "MYPLAYER", player.DeviceType()),
              "Cannot find the specified file.");
    EXPECT_EQ(svc.commands.at(0).text,
              padded("open  type  Alias MYPLAYER parent 1 Style 1073741824"));
    EXPECT_EQ(svc.commands.size(), 3u) << "length query still follows a failed open";
}

TEST_F(PlayerTest, playMediaFileOpensFitsSeeksAndPlays) {
    windows.rects[42] = {10, 20, 330, 260};
    player.setFilename(file);
    player.setHwndParent(42);
    player.PlayMEDIAFILE(12);
    EXPECT_EQ(
        svc.commands,
        (Log{{padded("open " + file + " type MPEGVideo Alias MYPLAYER parent 42 Style 1073741824"),
              kNone},
             {"set MYPLAYER time format milliseconds", kNone},
             {"status MYPLAYER length", kStatus},
             {"put MYPLAYER window at 0 0 320 240", kNone},
             {"seek MYPLAYER to 12000", kNone},
             {"play MYPLAYER", kNone}}));
    svc.clearLog();
    player.PlayMEDIAFILE();
    EXPECT_EQ(svc.commands.at(4).text, "seek MYPLAYER to 0");
}

TEST_F(PlayerTest, secondsBeyond32BitMillisecondsRaiseOverflow) {
    try {
        player.PlayMEDIAFILE(2147484);
        ADD_FAILURE() << "no overflow";
    } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.number(), 6);
    }
    EXPECT_EQ(svc.texts().back(), "put MYPLAYER window at 0 0 0 0") << "seek must not be sent";
}

TEST_F(PlayerTest, setCommandSendsThePreliminaryOpenThenItsRow) {
    const std::string open = "open  Type cdaudio alias MYPLAYER wait shareable";
    const std::map<int32_t, std::vector<std::string>> rows = {
        {-1, {}},
        {0, {"set MYPLAYER door open", "capability MYPLAYER can eject notify"}},
        {1, {"set MYPLAYER door closed"}},
        {2, {}},
        {3, {"stop MYPLAYER"}},
        {4, {"play MYPLAYER"}},
        {5, {"set MYPLAYER time format ms", "seek MYPLAYER to 90000", "play MYPLAYER from 90000"}},
        {6, {"set MYPLAYER speed 90000"}},
        {7, {"close MYPLAYER"}},
        {8, {"pause MYPLAYER wait"}},
        {9, {"resume MYPLAYER"}},
        {10, {}},
    };
    for (const auto& [code, row] : rows) {
        svc.clearLog();
        player.setCommand(code, "", 90000);
        std::vector<std::string> expected{open};
        expected.insert(expected.end(), row.begin(), row.end());
        EXPECT_EQ(svc.texts(), expected) << "code " << code;
    }
    svc.clearLog();
    player.setCommand(5, "", 90000);
    EXPECT_EQ(svc.commands.at(1).replyLength, kField);
    EXPECT_EQ(svc.commands.at(2).replyLength, kNone);
    svc.clearLog();
    player.setCommand(1, "D:");
    EXPECT_EQ(svc.texts().at(0), "open D: Type cdaudio alias MYPLAYER wait shareable");
}

TEST_F(PlayerTest, volumeAndAudioStatesFollowTheirTables) {
    player.SetVolumeState(0, 500);
    player.SetVolumeState(1, -3);
    player.SetVolumeState(2, 1000);
    player.SetVolumeState(3, 1);
    player.SetAudioState(0, 0);
    player.SetAudioState(1, 1);
    player.SetAudioState(2, -1);
    player.SetAudioState(-1, 0);
    EXPECT_EQ(svc.texts(), (std::vector<std::string>{
                               "setaudio MYPLAYER right volume to 500",
                               "setaudio MYPLAYER left volume to -3",
                               "setaudio MYPLAYER volume to 1000",
                               "set MYPLAYER audio right on",
                               "set MYPLAYER audio left off",
                               "set MYPLAYER audio all off",
                           }));
}

TEST_F(PlayerTest, rewindAndForwardPlayFromThePositionWithoutClamping) {
    svc.answer("status MYPLAYER position", 0, "4000");
    player.FRewind(10);
    EXPECT_EQ(svc.commands, (Log{{"set MYPLAYER time format ms", kNone},
                                 {"status MYPLAYER position", kStatus},
                                 {"set MYPLAYER time format ms", kField},
                                 {"play MYPLAYER from -6000", kNone}}));
    svc.clearLog();
    player.FForward(3);
    EXPECT_EQ(svc.texts().back(), "play MYPLAYER from 7000");
}

TEST_F(PlayerTest, moveVideoToFillsAZeroSizeFromTheWindowAndAppliesTheMargin) {
    windows.rects[7] = {100, 50, 500, 350};
    int32_t w = 0, h = 300;
    EXPECT_EQ(player.MoveVideoTo(7, 3, 4, w, h), "Success");
    EXPECT_EQ(w, 400);
    EXPECT_EQ(h, 300);
    EXPECT_EQ(svc.texts().back(), "put MYPLAYER window at 3 4 400 300");

    w = 400, h = 300;
    player.MoveVideoTo(7, 0, 0, w, h, 5);
    EXPECT_EQ(svc.texts().back(), "put MYPLAYER window at 5 5 390 290");
    EXPECT_EQ(player.LastPutResult(), 0);

    svc.answer("put", 263);
    svc.errorText(263, "The specified device is not open or is not recognized by MCI.");
    w = 0;
    EXPECT_EQ(player.MoveVideoTo(99, 0, 0, w, h),
              "The specified device is not open or is not recognized by MCI.");
    EXPECT_EQ(player.LastPutResult(), 263);
    EXPECT_EQ(w, 0) << "unknown window gives an empty rectangle";
    EXPECT_EQ(svc.commands.back(), (RecordedCommand{"put MYPLAYER window at 0 0 0 0", kNone}));
}

TEST_F(PlayerTest, putVideoCaptureAlwaysAddressesTheStillFrameAlias) {
    player.setAliasName("Other");
    int32_t w = 320, h = 240;
    EXPECT_EQ(player.PutVideoCapture(1, 2, 3, w, h), "Success");
    EXPECT_EQ(svc.texts(), (std::vector<std::string>{"put VideoCapture window at 2 3 320 240"}));
}

TEST_F(PlayerTest, openCaptureReopensMutesSeeksShowsAndPlaces) {
    player.setFilename(file);
    player.OpenCapture(9, 75, "unused", 0, 0, 320, 240);
    EXPECT_EQ(player.AliasName(), "VideoCapture");
    EXPECT_EQ(svc.commands,
              (Log{{"close VideoCapture", kNone},
                   {"stop VideoCapture", kNone},
                   {padded("open " + file +
                           " type MPEGVideo Alias VideoCapture parent 9 Style 1073741824"),
                    kNone},
                   {"set VideoCapture time format milliseconds", kNone},
                   {"status VideoCapture length", kStatus},
                   {"set VideoCapture time format ms", kField},
                   {"set VideoCapture audio all off", kNone},
                   {"window VideoCapture state hide", kNone},
                   {"seek VideoCapture to 75000", kNone},
                   {"window VideoCapture state show", kNone},
                   {"put VideoCapture window at 0 0 320 240", kNone}}));
    svc.clearLog();
    player.OpenCapture(9, 0, "", 0, 0, 320, 240);
    EXPECT_EQ(svc.texts().at(8), "seek VideoCapture to 0");
    svc.clearLog();
    player.CloseCapture();
    EXPECT_EQ(svc.texts(), (std::vector<std::string>{"close VideoCapture"}));
}

TEST_F(PlayerTest, desktopHandleIsZeroWithoutProgramManager) {
    EXPECT_EQ(player.GetHwndDesktop(), 0);
    windows.titles["Program Manager"] = 65552;
    EXPECT_EQ(player.GetHwndDesktop(), 65552);
}

}  // namespace
}  // namespace stillmar::test
