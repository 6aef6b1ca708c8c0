// Names that look like command syntax or protocols, through the player and the service: each
// opens the named local file or fails with its code, and none adds words to a command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "media/talve_player.h"
#include "tests/support/fixtures.h"
#include "tests/support/real_service.h"

namespace stillmar::hardening {
namespace {

namespace fs = std::filesystem;

class HostileNames : public ::testing::Test {
  protected:
    void SetUp() override {
        clip_ = stillmar::test::fixture("short.mp4");
        ASSERT_FALSE(clip_.empty());
    }
    void TearDown() override {
        service_->sendString("close all", nullptr, 0, 0);
        fs::remove_all(folder_);
    }
    std::string copyAs(const std::string& name) {
        const fs::path path = fs::path(folder_) / name;
        fs::create_directories(path.parent_path());
        fs::copy_file(clip_, path, fs::copy_options::overwrite_existing);
        return path.string();
    }
    uint32_t send(const std::string& command, std::string* reply = nullptr) {
        std::string local;
        return service_->sendString(command, reply ? reply : &local, 256, 0);
    }
    bool isOpen(const std::string& alias) { return send("status " + alias + " mode") == 0; }
    // The clip's length through an alias, to prove the named file (not another) is open.
    std::string lengthOf(const std::string& alias) {
        std::string reply;
        send("set " + alias + " time format ms");
        EXPECT_EQ(send("status " + alias + " length", &reply), 0u) << alias;
        return reply;
    }

    std::unique_ptr<mci::Service> service_ = test::makeRealService();
    std::string folder_ = stillmar::test::makeTempDir("hostile-names");
    std::string clip_;
};

// Names whose words are command keywords, quotes or spaces.
const std::vector<std::string> kAwkward = {
    "my clip.mp4",     "x alias EVIL.mp4", "x type Sequencer.mp4", "wait notify shareable.mp4",
    "say \"hi\".mp4",  "\"quoted\".mp4",   "tab\there.mp4",        "seek EVIL to end.mp4",
    "concat:a.mp4",    "http:b.mp4",       "file:c.mp4",           "cdaudio!d.mp4",
    "été à l'eau.mp4", "-dash.mp4",
};

TEST_F(HostileNames, playerOpensEachNamedFileAndNothingElse) {
    TALVEplayer reference(*service_);
    reference.setFilename(clip_);
    reference.setAliasName("REF");
    ASSERT_EQ(reference.OpenMediaFile(0, "REF", "MPEGVideo"), "Success");
    const std::string expected = lengthOf("REF");
    ASSERT_NE(expected, "");

    for (const std::string& name : kAwkward) {
        TALVEplayer player(*service_);
        player.setFilename(copyAs(name));
        EXPECT_EQ(
            player.OpenMediaFile(0, "MYPLAYER",
                                 player.DeviceType().empty() ? "MPEGVideo" : player.DeviceType()),
            "Success")
            << name;
        EXPECT_EQ(lengthOf("MYPLAYER"), expected) << name;
        for (const char* injected : {"EVIL", "EVIL.mp4", "Sequencer.mp4", "d.mp4", "b.mp4"})
            EXPECT_FALSE(isOpen(injected)) << name << " opened " << injected;
        send("close MYPLAYER");
    }
}

TEST_F(HostileNames, playerOpensAPathOfThreeHundredCharacters) {
    std::string name;
    while (folder_.size() + name.size() < 260) name += "deep folder name/";
    name += std::string(300 - folder_.size() - name.size() - 5, 'x') + ".mp4";
    const std::string path = copyAs(name);
    ASSERT_EQ(path.size(), 300u);
    TALVEplayer player(*service_);
    player.setFilename(path);
    EXPECT_EQ(player.OpenMediaFile(0, "MYPLAYER", "MPEGVideo"), "Success");
    EXPECT_NE(lengthOf("MYPLAYER"), "0");
    // Straight to the service, quoted, the long name opens as well.
    EXPECT_EQ(send("open \"" + path + "\" type mpegvideo alias LONG"), 0u);
}

TEST_F(HostileNames, serviceTakesAQuotedNameAsOneElement) {
    for (const std::string& name : kAwkward) {
        if (name.find('"') != std::string::npos) continue;  // a quoted name has no escape
        const std::string path = copyAs(name);
        EXPECT_EQ(send("open \"" + path + "\" type mpegvideo alias q"), 0u) << name;
        EXPECT_FALSE(isOpen("EVIL")) << name;
        send("close q");
    }
}

TEST_F(HostileNames, unquotedOrBadlyQuotedNamesFailWithTheirCode) {
    copyAs("x alias EVIL.mp4");
    copyAs("say \"hi\".mp4");
    const std::string dir = folder_ + "/";
    // The words after the space are the service's, and "x" is no file.
    EXPECT_EQ(send("open " + dir + "x alias EVIL.mp4 type mpegvideo"), 275u);
    EXPECT_EQ(send("open " + dir + "x alias EVIL.mp4"), 275u);
    EXPECT_FALSE(isOpen("EVIL.mp4"));
    // A quote cannot be carried inside a quoted name.
    EXPECT_EQ(send("open \"" + dir + "say \"hi\".mp4\" alias q"), 305u);
    EXPECT_EQ(send("open \"" + dir + "say"), 294u);
    // Inside an unquoted word a quote is just a character (here: a word that names no file).
    EXPECT_EQ(send("open " + dir + "say\"hi\".mp4 alias q"), 275u);
    EXPECT_FALSE(isOpen("q"));
}

TEST_F(HostileNames, protocolLikeNamesNameLocalFilesOnly) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    // No such local files: whatever a protocol would reach, the answer is "file not found".
    for (const char* name : {"concat:/etc/passwd", "http://127.0.0.1:9/x.mp4", "pipe:0",
                             "file:/nonexistent.mp4", "subfile:,,start,0,end,0,,:/etc/hosts"}) {
        EXPECT_EQ(send(std::string("open \"") + name + "\" type mpegvideo alias p"), 275u) << name;
        EXPECT_EQ(send(std::string("open \"") + name + "\" alias p"), 275u) << name;
    }
    // A local file with such a name opens, relative to the working folder.
    copyAs("concat:a.mp4");
    EXPECT_EQ(send("open \"concat:a.mp4\" alias p"), 0u);
    EXPECT_EQ(send("close p"), 0u);
    fs::current_path(previous);
}

}  // namespace
}  // namespace stillmar::hardening
