#include <gtest/gtest.h>

#include "tests/mci/harness.h"

namespace stillmar::mci {
namespace {

using test::Step;

class MpegVideoTest : public test::ServiceHarness {
  protected:
    void SetUp() override {
        ServiceHarness::SetUp();
        run({{"open $/clip.avi type MPEGVideo Alias A parent 0 Style 1073741824", 0, "1"}});
    }
    test::FakeEngineState& engine() { return world_.last(); }
    std::vector<std::string> takeCalls() { return std::exchange(engine().calls, {}); }
};

// Lengths and positions over the real engine are proven in the engine integration tests.
TEST_F(MpegVideoTest, acceptsOnlyItsTimeFormatsAndAnswersTheFixedStatusItems) {
    run({
        {"set A time format frames", 0},
        {"set A time format tmsf ", 293},
        {"set A time format smpte 25", 293},
        {"set A time format bogus", 290},
        {"set A time format", 273},
        {"status A time format", 0, "frames"},
        {"set A time format ms wait", 0},
        {"status A time format", 0, "milliseconds"},
        {"Status A frame rate", 0, "25000"},
        {"status A speed ", 0, "1000"},
        {"status A ready", 0, "true"},
        {"status A media present", 0, "true"},
    });
}

TEST_F(MpegVideoTest, framesRoundTripAtFractionalRates) {
    world_.info.frameRateMilli = 29970;
    world_.info.frameCount = 299;
    run({{"open $/clip.avi type mpegvideo alias B", 0, "2"}, {"set B time format frames", 0}});
    for (int frame = 0; frame <= 299; frame += 7) {
        const std::string n = std::to_string(frame);
        run({{"seek B to " + n, 0}, {"status B position", 0, n}});
        // The millisecond handed to the engine lies inside the frame.
        const double start = frame * 1000.0 / 29.97;
        EXPECT_GE(double(engine().position), start);
        EXPECT_LT(double(engine().position), start + 1000.0 / 29.97);
    }
}

TEST_F(MpegVideoTest, seekClampsIntoTheMediaAndNeedsATarget) {
    run({
        {"seek A to -5", 0},
        {"seek A to 99999", 0},
        {"seek A to end", 0},
        {"seek A to start", 0},
        {"seek A to 2500 wait", 0},
        {"seek A", 273},
        {"seek A to", 270},
        {"seek A to 5 to end", 284},
        {"seek A to 5 to 6", 295},
    });
    EXPECT_EQ(takeCalls(), (std::vector<std::string>{"seek 0", "seek 10000", "seek 10000", "seek 0",
                                                     "seek 2500"}));
}

// The modes themselves are proven over the real engine; here, what reaches the engine.
TEST_F(MpegVideoTest, playRangesReachTheEngineInMillisecondsAndBadOnesAreRefused) {
    run({
        {"play A", 0},
        {"pause A", 0},
        {"resume A", 0},
        {"stop A", 0},
        {"play A from 2000 to 3000 wait", 0},
        {"play A from 5000 to 1000", 282},
        {"play A to 1000", 282},
        {"play A from -6000", 0},
        {"play A from 99999", 0},
        {"play A from x", 270},
    });
    EXPECT_EQ(takeCalls(),
              (std::vector<std::string>{"play -1 -1", "pause", "resume", "stop", "play 2000 3000",
                                        "wait", "play 0 -1", "play 10000 -1"}));
    run({{"set A time format frames", 0}, {"play A from 50 to 75", 0}});
    EXPECT_EQ(takeCalls(), (std::vector<std::string>{"play 2000 3000"}));
}

TEST_F(MpegVideoTest, audioChannelsAndVolumes) {
    run({
        {"status A audio", 0, "on"},
        {"set A audio all off", 0},
        {"status A audio", 0, "off"},
        {"set A audio left on", 0},
        {"status A audio", 0, "on"},
        {"set A audio all", 273},
        {"set A on", 273},
        {"set A audio all on off", 284},
        {"set A audio left on audio right on", 284},
    });
    EXPECT_TRUE(engine().leftOn);
    EXPECT_FALSE(engine().rightOn);
    run({
        {"setaudio A volume to 500", 0},
        {"setaudio A left volume to 200", 0},
        {"status A volume", 0, "350"},
        {"status A left volume", 0, "200"},
        {"status A right volume", 0, "500"},
        {"setaudio A volume to 1001", 282},
        {"setaudio A right volume to -1", 282},
        {"setaudio A left right volume to 5", 284},
        {"setaudio A", 273},
        {"setaudio A right off", 0},
    });
    EXPECT_EQ(engine().leftVolume, 200);
    EXPECT_EQ(engine().rightVolume, 500);
    EXPECT_FALSE(engine().rightOn);
    run({
        {"set A speed 500", 0},
        {"status A speed", 0, "500"},
        {"set A speed 0", 282},
        {"set A speed -5", 282},
        {"set A", 273},
        {"set A door open", 274},
        {"set A door closed", 274},
        {"set A door open door closed", 284},
    });
}

TEST_F(MpegVideoTest, placesItsWindowAndDestination) {
    const std::string handle = std::to_string(engine().surface->handle());
    run({
        {"status A window handle", 0, handle},
        {"where A window", 0, "0 0 320 240"},
        {"put A window at 10 20 400 300", 0},
        {"where A window", 0, "10 20 400 300"},
        {"where A destination", 0, "0 0 400 300"},
        {"put A destination at 5 5 100 100", 0},
        {"put A window at 0 0 200 100", 0},
        {"where A destination", 0, "5 5 100 100"},
        {"put A destination", 0},
        {"where A destination", 0, "0 0 200 100"},
        {"put A window at 7 8 0 0", 0},
        {"where A window", 0, "7 8 320 240"},
        {"where A source", 0, "0 0 320 240"},
        {"put A window at 0 0 -1 5", 282},
        {"put A destination at 0 0 0 5", 282},
        {"put A window at 1 2 3", 270},
        {"put A", 273},
        {"where A", 273},
        {"where A window destination", 284},
        {"status A window visible", 0, "false"},
        {"window A state show", 0},
        {"status A window visible", 0, "true"},
        {"window A state hide", 0},
        {"status A window visible", 0, "false"},
        {"window A", 273},
        {"window A state hide state show", 284},
    });
    EXPECT_EQ(engine().surface->targetSize(), (Size{320, 240}));
    EXPECT_GE(engine().refreshes, 5);
}

TEST_F(MpegVideoTest, answersCapabilitiesAndRejectsOddStatusQueries) {
    run({
        {"capability A can eject notify", 0, "false"},
        {"capability A", 274},
        {"capability A can fly", 290},
        {"status A", 274},
        {"status A wait", 274},
        {"status A length position", 284},
        {"status A bogus", 290},
        {"status A length length", 295},
        {"status A \"mode\"", 290},
    });
}

TEST_F(MpegVideoTest, capturesTheShownFrameToTheNamedFile) {
    run({
        {"capture A as $/one.bmp", 0},
        {"capture A", 298},
        {"capture A as", 298},
        {"capture A as \"$/my frame.bmp\"", 0},
    });
    EXPECT_EQ(engine().capturedTo, path("my frame.bmp"));
    engine().captureResult = EngineStatus::Io;
    run({{"capture A as /nonexistent/dir/x.bmp", 349}});
}

TEST_F(MpegVideoTest, closeStopsTheEngineAndDetachesTheWindow) {
    const auto state = world_.engines.back();
    run({{"play A", 0}, {"close A wait", 0}, {"status A mode", 263}, {"close A", 263}});
    EXPECT_EQ(state->calls.back(), "stop");
    EXPECT_EQ(state->surface, nullptr);
}

using DeviceOpenTest = test::ServiceHarness;

TEST_F(DeviceOpenTest, aDeviceOpenedByTypeAloneIsNotReady) {
    run({
        {"open mpegvideo alias M", 0, "1"},
        {"status M mode", 0, "not ready"},
        {"status M ready", 0, "false"},
        {"status M length", 276},
        {"play M", 276},
        {"capability M can play", 0, "true"},
        {"close M", 0},
    });
    EXPECT_TRUE(world_.engines.empty());
}

struct RecordingFactory final : SurfaceFactory {
    std::unique_ptr<VideoSurface> createSurface(int32_t parent, bool child, Size size) override {
        parents.push_back(parent);
        children.push_back(child);
        sizes.push_back(size);
        return parent == 666 ? nullptr : makeOffscreenSurface(size);
    }
    std::vector<int32_t> parents;
    std::vector<bool> children;
    std::vector<Size> sizes;
};

TEST_F(DeviceOpenTest, asksTheInstalledFactoryForAChildOfTheParent) {
    RecordingFactory factory;
    setSurfaceFactory(&factory);
    run({
        {"open $/clip.avi type mpegvideo alias A parent 1234 style 1073741824", 0, "1"},
        {"open $/clip.avi type mpegvideo alias B parent 1234 style child", 0, "2"},
        {"open $/clip.avi type mpegvideo alias C parent 99 style popup", 0, "3"},
        {"open $/clip.avi type mpegvideo alias D", 0, "4"},
        {"open $/clip.avi type mpegvideo alias E parent 666 style child", 347},
        {"status E mode", 263},
    });
    setSurfaceFactory(nullptr);
    EXPECT_EQ(factory.parents, (std::vector<int32_t>{1234, 1234, 99, 0, 666}));
    EXPECT_EQ(factory.children, (std::vector<bool>{true, true, false, false, true}));
    EXPECT_EQ(factory.sizes.front(), (Size{320, 240}));
}

}  // namespace
}  // namespace stillmar::mci
