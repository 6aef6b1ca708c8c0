// The device type chosen from the short path, and reply trimming.

#include <filesystem>

#include "media/talve_player.h"
#include "tests/media/player_fixture.h"

namespace stillmar::test {
namespace {

TEST_F(PlayerTest, deviceTypeComesFromTheExtensionOfTheShortPath) {
    std::filesystem::create_directory(dir + "/my.folder");
    const char* cases[][2] = {{"CLIP.MID", "Sequencer"},
                              {"clip.avi", "MPEGVideo"},
                              {"Clip.Avi", "MPEGVideo"},
                              {"clip.rmi", "MPEGVideo"},
                              {"a.mpv2", "MPEGVideo"},
                              {"clip.xyz", ""},
                              {"noextension", ""},
                              {"endsindot.", ""},
                              {"my.folder/clip", ""},
                              // Needs an alias, which keeps the extension.
                              {"holiday clip.Wmv", "MPEGVideo"}};
    for (const auto& c : cases) {
        player.setFilename(touch(c[0]));
        EXPECT_EQ(player.DeviceType(), c[1]) << c[0];
    }
    player.setFilename(dir + "/missing.avi");
    EXPECT_EQ(player.DeviceType(), "") << "a missing file has no short form";
}

TEST(GetString, cutsAtTheFirstNulAndTrimsTrailingSpacesOnly) {
    std::string buffer(256, '\0');
    buffer.replace(0, 6, "word  ");
    EXPECT_EQ(TALVEplayer::getString(buffer), "word");
    EXPECT_EQ(TALVEplayer::getString(std::string(256, '\0')), "");
    EXPECT_EQ(TALVEplayer::getString("  lead "), "  lead");
}

}  // namespace
}  // namespace stillmar::test
