// The service over the real FFmpeg engine, with generated fixtures whose frames tell their time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/service.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

// Off-screen surfaces the test can read.
struct KeepingFactory final : SurfaceFactory {
    std::unique_ptr<VideoSurface> createSurface(int32_t, bool, Size size) override {
        auto surface = makeOffscreenSurface(size);
        last = surface.get();
        return surface;
    }
    VideoSurface* last = nullptr;
};

class EngineIntegration : public ::testing::Test {
  protected:
    void SetUp() override { setSurfaceFactory(&factory_); }
    void TearDown() override {
        service_.sendString("close all", nullptr, 0, 0);
        setSurfaceFactory(nullptr);
    }

    uint32_t send(const std::string& command, std::string* reply = nullptr) {
        std::string local;
        return service_.sendString(command, reply ? reply : &local, 256, 0);
    }
    std::string ask(const std::string& command) {
        std::string reply;
        EXPECT_EQ(send(command, &reply), 0u) << command;
        return reply;
    }
    int shownFrame() {
        const VideoFramePtr frame = factory_.last ? factory_.last->presented() : nullptr;
        if (!frame) return -1;
        return stillmar::test::decodeFrameNumber(frame->pixels, frame->width, frame->height);
    }
    // Opens a fixture the way the player does: its 255-character field, no device type.
    void openLikeThePlayer(const std::string& fixture, const std::string& alias) {
        const std::string file = stillmar::test::fixture(fixture);
        ASSERT_FALSE(file.empty());
        std::string command =
            "open " + file + " type  Alias " + alias + " parent 0 Style 1073741824";
        command.resize(255, ' ');
        ASSERT_EQ(send(command), 0u) << fixture;
    }

    KeepingFactory factory_;
    Service service_{DeviceEnvironment{[] { return createMediaEngine(); },
                                       [](const std::string& p) { return probeContent(p); }}};
};

TEST_F(EngineIntegration, lengthAndPositionInBothFormats) {
    openLikeThePlayer("clock.mp4", "V");
    EXPECT_EQ(ask("status V length"), "20000");
    EXPECT_EQ(ask("status V frame rate"), "25000");
    EXPECT_EQ(ask("status V position"), "0");
    ASSERT_EQ(send("set V time format frames"), 0u);
    EXPECT_EQ(ask("status V length"), "500");
    ASSERT_EQ(send("seek V to 137"), 0u);
    EXPECT_EQ(ask("status V position"), "137");
    EXPECT_EQ(shownFrame(), 137);
    ASSERT_EQ(send("set V time format ms"), 0u);
    EXPECT_EQ(ask("status V position"), "5480");
}

TEST_F(EngineIntegration, modesFollowTheTransportCommands) {
    openLikeThePlayer("clock.mp4", "V");
    EXPECT_EQ(ask("status V mode"), "stopped");
    EXPECT_EQ(ask("status V window visible"), "false");
    ASSERT_EQ(send("play V"), 0u);
    EXPECT_EQ(ask("status V mode"), "playing");
    EXPECT_EQ(ask("status V window visible"), "true");
    ASSERT_EQ(send("pause V"), 0u);
    EXPECT_EQ(ask("status V mode"), "paused");
    const std::string held = ask("status V position");
    EXPECT_EQ(ask("status V position"), held);
    ASSERT_EQ(send("resume V"), 0u);
    EXPECT_EQ(ask("status V mode"), "playing");
    ASSERT_EQ(send("stop V"), 0u);
    EXPECT_EQ(ask("status V mode"), "stopped");
    ASSERT_EQ(send("seek V to 4000"), 0u);
    ASSERT_EQ(send("pause V wait"), 0u);
    EXPECT_EQ(ask("status V mode"), "paused");
    EXPECT_EQ(shownFrame(), 100);
    ASSERT_EQ(send("play V from 19000 to 19600 wait"), 0u);
    EXPECT_EQ(ask("status V mode"), "stopped");
    EXPECT_EQ(ask("status V position"), "19600");
}

// Steps land on the next or previous frame; the position they report is one a seek finds the
// same frame at, in milliseconds and in frames; stepping back decodes a stretch once.
TEST_F(EngineIntegration, stepMovesFrameByFrameToPositionsASeekFindsAgain) {
    // 990 ms lies in frame 29 (967.6 to 1001 ms) at 29.97 fps, and in frame 24 (960 to
    // 1015 ms) of the variable-rate clip, a picture nothing refers to.
    for (const auto& [name, first] : {std::pair{"steps.mp4", 29}, {"steps_vfr.mp4", 24}}) {
        SCOPED_TRACE(name);
        openLikeThePlayer(name, "V");
        const bool ntsc = ask("status V frame rate") == "29970";
        ASSERT_EQ(send("seek V to 990"), 0u);
        ASSERT_EQ(shownFrame(), first);
        for (int k = 1; k <= 40; ++k) {
            ASSERT_EQ(send(k % 10 == 0 ? "step V by 2 reverse" : "step V"), 0u);
            const int n = shownFrame();
            EXPECT_EQ(n, first + k - 3 * (k / 10)) << "step " << k << " from " << first;
            EXPECT_EQ(ask("status V mode"), "paused");
            const std::string position = ask("status V position");
            ASSERT_EQ(send("seek V to " + position), 0u);
            EXPECT_EQ(shownFrame(), n) << "at " << position << " ms";
            if (!ntsc) continue;
            ASSERT_EQ(send("set V time format frames"), 0u);
            EXPECT_EQ(ask("status V position"), std::to_string(n)) << "at " << position << " ms";
            ASSERT_EQ(send("seek V to " + std::to_string(n)), 0u);
            EXPECT_EQ(shownFrame(), n);
            ASSERT_EQ(send("set V time format ms"), 0u);
        }
        ASSERT_EQ(send("close V"), 0u);
    }

    // Back over the keyframe at frame 250: the first step decodes the group before it, the
    // next ones nothing, forward or back, until the stretch is used up (the variable-rate
    // clip claims 200 frames a second: the stretch must still cover the frames it has).
    for (const auto& [name, keyframeMs] :
         {std::pair{"steps.mp4", 8342}, {"steps_vfr.mp4", 10015}}) {
        SCOPED_TRACE(name);
        openLikeThePlayer(name, "V");
        ASSERT_EQ(send("seek V to " + std::to_string(keyframeMs)), 0u);
        ASSERT_EQ(shownFrame(), 250);
        ASSERT_EQ(send("step V reverse"), 0u);
        EXPECT_EQ(shownFrame(), 249);
        const auto before = engine::engineCounters();
        for (int i = 0; i < 10; ++i) ASSERT_EQ(send("step V reverse"), 0u);
        EXPECT_EQ(shownFrame(), 239);
        ASSERT_EQ(send("step V by 5"), 0u);
        ASSERT_EQ(send("step V by 3 reverse"), 0u);
        EXPECT_EQ(shownFrame(), 241);
        ASSERT_EQ(send("step V by 200 reverse"), 0u);
        EXPECT_EQ(shownFrame(), 41);
        const auto steps = engine::engineCounters() - before;
        EXPECT_EQ(steps.steps, 13);
        EXPECT_EQ(steps.stepFrames, 0);
        EXPECT_GT(engine::engineCounters().stepBytes, 0);
        ASSERT_EQ(send("step V by 0"), 0u);
        EXPECT_EQ(shownFrame(), 41);
        ASSERT_EQ(send("close V"), 0u);
    }

    // A playing device stops on the frame after the one it shows; what cannot be stepped
    // says why.
    openLikeThePlayer("steps.mp4", "V");
    ASSERT_EQ(send("play V from 1000"), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(send("step V"), 0u);
    EXPECT_EQ(ask("status V mode"), "paused");
    EXPECT_GE(shownFrame(), 31);
    EXPECT_EQ(send("step V by"), 270u);
    EXPECT_EQ(send("step V by -1"), 282u);
    EXPECT_EQ(send("step V backwards"), 259u);
    EXPECT_EQ(send("step W"), 263u);
    openLikeThePlayer("tone.wav", "S");
    EXPECT_EQ(send("step S"), 346u);
    ASSERT_EQ(send("close V"), 0u);
    EXPECT_EQ(engine::engineCounters().stepBytes, 0);
}

TEST_F(EngineIntegration, commonContainersOpenWithoutADeviceType) {
    for (const char* name : {"clock.mkv", "clock.webm", "clock.divx", "clock.wmv", "clock.mpg"}) {
        openLikeThePlayer(name, "C");
        ASSERT_EQ(send("seek C to 3000"), 0u) << name;
        EXPECT_EQ(shownFrame(), 75) << name;
        ASSERT_EQ(send("close C"), 0u);
    }
}

TEST_F(EngineIntegration, audioOnlyFilesPlayWithoutAWindow) {
    openLikeThePlayer("tone.wav", "S");
    EXPECT_EQ(ask("status S length"), "5000");
    EXPECT_EQ(send("status S window handle"), 346u);
    ASSERT_EQ(send("play S from 4500 wait"), 0u);
    EXPECT_EQ(ask("status S position"), "5000");
}

TEST_F(EngineIntegration, badFilesEndInAnErrorCode) {
    const std::string noise = stillmar::test::fixture("noise.bin");
    const std::string empty = stillmar::test::fixture("empty.mp4");
    const std::string truncated = stillmar::test::fixture("truncated.mp4");
    EXPECT_EQ(send("open " + noise + " type mpegvideo alias B"), 296u);
    EXPECT_EQ(send("open " + empty + " type mpegvideo alias B"), 296u);
    EXPECT_EQ(send("open " + truncated + " type mpegvideo alias B"), 296u);
    EXPECT_EQ(send("open " + noise + " type  alias B"), 281u);
    EXPECT_EQ(send("open " + empty + " alias B"), 281u);
    EXPECT_EQ(send("open " + noise + ".missing type  alias B"), 275u);
    EXPECT_EQ(send("status B mode"), 263u);
}

}  // namespace
}  // namespace stillmar::mci
