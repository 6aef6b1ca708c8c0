// The object's state, the device type chosen from the short path, and reply trimming.

#include <filesystem>

#include "media/talve_player.h"
#include "tests/media/player_fixture.h"

namespace stillmar::test {
namespace {

TEST_F(PlayerTest, newObjectUsesMyPlayerUntilTheAliasIsSet) {
    EXPECT_EQ(player.AliasName(), "MYPLAYER");
    EXPECT_EQ(player.hwndParent(), 0);
    EXPECT_EQ(player.LastPutResult(), 0);
    EXPECT_EQ(player.Filename(), "");
    player.setAliasName("VideoCapture");
    player.setCommand(3);
    EXPECT_EQ(svc.texts().back(), "stop VideoCapture");
}

TEST_F(PlayerTest, deviceTypeComesFromTheExtensionIgnoringCase) {
    const struct {
        const char* name;
        const char* type;
    } cases[] = {
        {"CLIP.MID", "Sequencer"}, {"song.mid", "Sequencer"}, {"clip.avi", "MPEGVideo"},
        {"Clip.Avi", "MPEGVideo"}, {"CLIP.AVI", "MPEGVideo"}, {"clip.rmi", "MPEGVideo"},
        {"a.wav", "MPEGVideo"},    {"a.mpv2", "MPEGVideo"},   {"a.Wmx", "MPEGVideo"},
        {"a.qt", "MPEGVideo"},     {"clip.xyz", ""},          {"clip.mp4", ""},
        {"noextension", ""},       {"endsindot.", ""},        {"clip.midi", ""},
    };
    for (const auto& c : cases) {
        player.setFilename(touch(c.name));
        EXPECT_EQ(player.DeviceType(), c.type) << c.name;
    }
}

TEST_F(PlayerTest, deviceTypeSeesADotInAFolderAndFollowsTheShortPath) {
    std::filesystem::create_directory(dir + "/my.folder");
    player.setFilename(touch("my.folder/clip"));
    EXPECT_EQ(player.DeviceType(), "");

    // A name that needs an alias keeps its extension, and so its device.
    player.setFilename(touch("holiday clip.Wmv"));
    EXPECT_EQ(player.DeviceType(), "MPEGVideo");
    EXPECT_EQ(player.Filename().find(' '), std::string::npos);

    player.setFilename(dir + "/missing.avi");
    EXPECT_EQ(player.DeviceType(), "") << "a missing file has no short form";
}

TEST(GetString, cutsAtTheFirstNulAndTrimsTrailingSpacesOnly) {
    std::string buffer(256, '\0');
    buffer.replace(0, 7, "playing");
    EXPECT_EQ(TALVEplayer::getString(buffer), "playing");
    buffer.replace(0, 9, "word  \0zz", 9);
    EXPECT_EQ(TALVEplayer::getString(buffer), "word");
    EXPECT_EQ(TALVEplayer::getString(std::string(256, '\0')), "");
    EXPECT_EQ(TALVEplayer::getString("  lead "), "  lead");
    EXPECT_EQ(TALVEplayer::getString("no nul"), "no nul");
}

}  // namespace
}  // namespace stillmar::test
