#include <gtest/gtest.h>

#include <thread>

#include "platform/mci/mpeg_video_device.h"
#include "platform/mci/sequencer_device.h"
#include "tests/mci/harness.h"

namespace stillmar::mci {
namespace {

using test::Step;
using ServiceTest = test::ServiceHarness;

TEST_F(ServiceTest, answersMalformedCommandsWithTheirCodes) {
    run({
        {"", 267},
        {"    ", 267},
        {"frobnicate x", 261},
        {"\"play\" x", 261},
        {"play", 292},
        {"open", 292},
        {"status nothing mode", 263},
        {"close nothing", 263},
        {"status all mode", 279},
        {"play all", 279},
        {"open \"$/clip.avi", 294},
        {"open \"$/clip.avi\"x type mpegvideo", 305},
        {"open $/clip.avi type mpegvideo bogus", 259},
        {"open $/clip.avi type mpegvideo parent 0xfa", 270},
        {"open $/clip.avi type mpegvideo parent", 270},
        {"open $/clip.avi type mpegvideo style sideways", 290},
        {"open $/clip.avi alias a alias b", 295},
        {"open $/clip.avi type mpegvideo alias", 269},
    });
    EXPECT_TRUE(world_.engines.empty());
}

// The verbs the service knows are the rows of the device tables: a verb of any table reaches
// the device lookup (263 for a name nothing is open under), and one a device's own table lacks
// is that device's 274, never the service's 261.
TEST_F(ServiceTest, knowsEveryVerbOfEveryDeviceTable) {
    std::vector<std::string_view> verbs;
    for (const auto& row : MpegVideoDevice::commands()) verbs.push_back(row.verb);
    for (const auto& row : SequencerDevice::commands()) verbs.push_back(row.verb);
    ASSERT_GT(verbs.size(), 10u);
    run({{"open $/clip.avi type mpegvideo alias V", 0, "1"}, {"open sequencer alias S", 0, "2"}});
    for (std::string_view verb : verbs) {
        std::string reply;
        EXPECT_EQ(service_.sendString(std::string(verb) + " nothing", &reply, 256, 0), 263u)
            << verb;
        const bool sequencerHasIt = answersVerb<SequencerDevice>(verb);
        const uint32_t code = service_.sendString(std::string(verb) + " S", &reply, 256, 0);
        EXPECT_NE(code, 261u) << verb;
        if (!sequencerHasIt) {
            EXPECT_EQ(code, 274u) << verb;
        }
    }
}

TEST_F(ServiceTest, opensWithIdsReusedFromOneAndFreesAliasesOnClose) {
    run({
        {"open $/clip.avi type MPEGVideo alias A", 0, "1"},
        {"open $/clip.avi type mpegvideo alias B", 0, "2"},
        {"OPEN $/clip.avi TYPE MpegVideo ALIAS c", 0, "3"},
        {"close b", 0},
        {"open $/clip.avi type mpegvideo alias D", 0, "2"},
        {"open $/clip.avi type mpegvideo alias a", 289},
        {"close all", 0},
        {"status a mode", 263},
        {"open $/clip.avi type mpegvideo alias A wait shareable notify", 0, "1"},
    });
    EXPECT_EQ(world_.last().openedPath, path("clip.avi"));
}

TEST_F(ServiceTest, checksTheAliasFirstThenTheTypeThenTheFile) {
    run({
        {"open $/clip.avi type mpegvideo alias A", 0, "1"},
        {"open $/missing.avi type mpegvideo alias A", 289},
        {"open $/missing.avi type bogus alias B", 263},
        {"open $/missing.avi type mpegvideo alias B", 275},
        {"open $/missing.xyz alias B", 275},
        {"open $/clip.avi type sequencer alias B", 296},
        {"open $/tune.mid alias B", 296},
        {"open $/clip.avi type nonesuch alias B", 263},
        {"open $/clip.avi type mpegvideo", 0, "2"},
        {"open $/clip.avi type mpegvideo", 265},
        {"open \"$/clip.avi\" type mpegvideo", 265},
        {"status $/clip.avi mode", 0, "stopped"},
    });
}

TEST_F(ServiceTest, answersCdAudioWithNoDriverButAliasInUseFirst) {
    // What the player's preliminary open sends, padding and all.
    run({
        {"open  Type cdaudio alias MYPLAYER wait shareable", 266},
        {"open cdaudio", 266},
        {"open $/x.cda", 266},
        {"status MYPLAYER mode", 263},
        {"open $/clip.avi type MPEGVideo Alias MYPLAYER parent 0 Style 1073741824" +
             std::string(150, ' '),
         0, "1"},
        {"open  Type cdaudio alias MYPLAYER wait shareable", 289},
        {"status MYPLAYER mode", 0, "stopped"},
    });
}

TEST_F(ServiceTest, picksTheDeviceFromTheContentWhenNoTypeIsGiven) {
    run({
        {"open $/clip.mp4 type  Alias V parent 0 Style 1073741824", 0, "1"},
        {"open $/clip.mp4 alias W", 0, "2"},
    });
    EXPECT_EQ(world_.probed, (std::vector<std::string>{path("clip.mp4"), path("clip.mp4")}));
    world_.content = ContentKind::Unknown;
    run({{"open $/notes.txt type  alias X", 281}, {"open $/clip.mp4 alias X", 281}});
    // Content that looks like MIDI goes to the Sequencer, which reads it itself.
    world_.content = ContentKind::Midi;
    run({{"open $/notes.txt alias X", 296}});
    // The extension table goes first: no probing for a listed extension.
    world_.probed.clear();
    run({{"open $/clip.avi alias X", 0, "3"}});
    EXPECT_TRUE(world_.probed.empty());
}

TEST_F(ServiceTest, openAcceptsTypeBangElement) {
    run({
        {"open mpegvideo!$/clip.avi alias A", 0, "1"},
        {"open bogus!$/clip.avi alias B", 263},
        {"open mpegvideo!$/clip.avi type mpegvideo alias B", 295},
    });
    EXPECT_EQ(world_.last().openedPath, path("clip.avi"));
}

TEST_F(ServiceTest, mapsEngineFailuresToOpenCodesAndKeepsNothingOpen) {
    world_.openResult = EngineStatus::Unsupported;
    run({{"open $/clip.avi type mpegvideo alias A", 296}});
    world_.openResult = EngineStatus::FileNotFound;
    run({{"open $/clip.avi type mpegvideo alias A", 275}});
    world_.openResult = EngineStatus::Io;
    run({{"open $/clip.avi type mpegvideo alias A", 348}, {"status A mode", 263}});
    world_.openResult = EngineStatus::Ok;
    run({{"open $/clip.avi type mpegvideo alias A", 0, "1"}});
    // A folder or a device node is never handed to the engine.
    const std::size_t before = world_.engines.size();
    run({{"open $ type mpegvideo alias B", 296}, {"open /dev/zero type mpegvideo alias B", 296}});
    EXPECT_EQ(world_.engines.size(), before);
}

TEST_F(ServiceTest, aReplyLongerThanTheBufferIs268AndLeavesItEmpty) {
    run({{"open $/clip.avi type mpegvideo alias A", 0, "1"}});
    std::string reply = "stale";
    EXPECT_EQ(service_.sendString("status A mode", &reply, 7, 0), 268u);  // "stopped" + NUL
    EXPECT_EQ(reply, "");
    EXPECT_EQ(service_.sendString("status A mode", &reply, 8, 0), 0u);
    EXPECT_EQ(reply, "stopped");
    // No buffer: the reply is dropped, not an error.
    EXPECT_EQ(service_.sendString("status A mode", nullptr, 0, 0), 0u);
    EXPECT_EQ(service_.sendString("status A mode", &reply, 0, 0), 0u);
    EXPECT_EQ(reply, "");
    // An open whose id does not fit fails and opens nothing.
    EXPECT_EQ(
        service_.sendString(("open " + path("clip.avi") + " type mpegvideo alias B"), &reply, 1, 0),
        268u);
    EXPECT_EQ(service_.sendString("status B mode", &reply, 256, 0), 263u);
    EXPECT_EQ(
        service_.sendString("open " + path("clip.avi") + " type mpegvideo alias B", nullptr, 0, 0),
        0u);
}

TEST_F(ServiceTest, errorStringIsTrueWithTheTextForKnownCodesOnly) {
    std::string text = "untouched";
    EXPECT_FALSE(service_.getErrorString(0, text, 128));
    EXPECT_FALSE(service_.getErrorString(258, text, 128));
    EXPECT_FALSE(service_.getErrorString(9999, text, 128));
    EXPECT_FALSE(service_.getErrorString(263, text, 0));
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(service_.getErrorString(275, text, 128));
    EXPECT_EQ(text, "Cannot find the specified file. Make sure the path and filename are correct.");
    EXPECT_TRUE(service_.getErrorString(275, text, 7));
    EXPECT_EQ(text, "Cannot");
}

TEST_F(ServiceTest, commandsFromManyThreadsKeepTheDeviceTableConsistent) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            const std::string alias = "T" + std::to_string(t);
            for (int i = 0; i < 50; ++i) {
                std::string reply;
                EXPECT_EQ(service_.sendString(
                              "open " + path("clip.avi") + " type mpegvideo alias " + alias, &reply,
                              256, 0),
                          0u);
                EXPECT_EQ(service_.sendString("status " + alias + " mode", &reply, 256, 0), 0u);
                EXPECT_EQ(service_.sendString("close " + alias, nullptr, 0, 0), 0u);
            }
        });
    }
    for (auto& t : threads) t.join();
    std::string reply;
    EXPECT_EQ(
        service_.sendString("open " + path("clip.avi") + " type mpegvideo alias Z", &reply, 256, 0),
        0u);
    EXPECT_EQ(reply, "1");
}

}  // namespace
}  // namespace stillmar::mci
