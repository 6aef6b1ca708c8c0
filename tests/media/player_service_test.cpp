// The player against the real command-string service and a generated clip whose path needs a
// short alias: the commands it builds must be ones the service accepts.

#include <gtest/gtest.h>

#include <filesystem>

#include "media/talve_player.h"
#include "platform/runtime/text.h"
#include "tests/support/fixtures.h"

namespace stillmar {
namespace {

namespace fs = std::filesystem;

TEST(PlayerWithService, opensPausesSeeksAndClosesAClipWithAnAwkwardName) {
    const std::string source = test::fixture("clock.avi");
    ASSERT_FALSE(source.empty());
    const std::string dir = test::makeTempDir("player service") + "/vidéos d'été";
    fs::create_directories(dir);
    const std::string path = dir + "/mon \"clip\".avi";
    fs::copy_file(source, path, fs::copy_options::overwrite_existing);

    TALVEplayer player;
    player.setFilename(path);
    ASSERT_EQ(player.DeviceType(), "MPEGVideo");
    EXPECT_EQ(player.OpenMediaFile(0, player.AliasName(), player.DeviceType()), "Success");
    EXPECT_EQ(player.LENGTHFORMAT(1), "00:10");
    EXPECT_EQ(player.getStatusInfo(8), "10");

    player.setCommand(5, "", 3000);
    player.setCommand(8);
    EXPECT_EQ(player.getStatusInfo(2), "paused");
    const double seconds = rt::leadingNumber(player.POSFORMAT(0));
    EXPECT_GE(seconds, 3);
    EXPECT_LE(seconds, 10);
    EXPECT_EQ(player.FormatRemain().size(), 5u);

    player.setCommand(7);
    EXPECT_EQ(player.getStatusInfo(2), "") << "closed alias answers nothing";
    EXPECT_EQ(player.getStatusInfo(3), "0");
    EXPECT_NE(player.OpenMediaFile(0, "MYPLAYER", "NoSuchDevice"), "Success");
}

}  // namespace
}  // namespace stillmar
