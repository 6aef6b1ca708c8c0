// The sound path on SDL's disk driver: the device writes what it plays into a file, one
// buffer per buffer's duration (SDL_DISKAUDIODELAY unset), so it is timed like a sound card
// and the audio callback is the master clock. Reading the file back shows that the device
// really opened (a silent fall-back to the wall clock writes nothing) and what the volume did.

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/audio_output.h"
#include "platform/mci/media_engine.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;

// Before SDL's audio subsystem first starts in this process: it picks its driver once.
const bool kDiskDriver = [] { return setenv("SDL_AUDIODRIVER", "disk", 1) == 0; }();

bool sdlHasDiskDriver() {
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i)
        if (std::strcmp(SDL_GetAudioDriver(i), "disk") == 0) return true;
    return false;
}

// What a stereo 16-bit device played: the loudest sample of each side and how many frames
// carried any sound at all.
struct Played {
    bool fileWritten = false;
    int leftPeak = 0;
    int rightPeak = 0;
    std::size_t soundingFrames = 0;
};

Played readPlayed(const std::string& path) {
    Played p;
    std::ifstream in(path, std::ios::binary);
    p.fileWritten = bool(in);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<int16_t> samples(bytes.size() / sizeof(int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(int16_t));
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
        const int left = std::abs(int(samples[i])), right = std::abs(int(samples[i + 1]));
        p.leftPeak = std::max(p.leftPeak, left);
        p.rightPeak = std::max(p.rightPeak, right);
        p.soundingFrames += (left | right) != 0;
    }
    return p;
}

class AudioClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(kDiskDriver);
        if (!sdlHasDiskDriver())
            GTEST_SKIP() << "this SDL has no disk audio driver: nothing shows what was played";
        dir_ = test::makeTempDir("engine_audio");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    // The file the next device that opens writes to; the driver reads the name at each open,
    // so a device kept from the last run is let go first.
    std::string nextSoundFile(const std::string& tag) {
        audio::releaseKeptDevice();
        const std::string path = dir_ + "/" + tag + ".raw";
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        return path;
    }

    std::string dir_;
};

TEST_F(AudioClockTest, playbackWithSound_advancesAndEndsAtTheLength) {
    for (const char* name : {"clock.mp4", "tone.wav", "clock.avi"}) {
        SCOPED_TRACE(name);
        const std::string sound = nextSoundFile(name);
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(test::fixture(name)), EngineStatus::Ok);
        test::TestSurface surface;
        engine->setSurface(&surface);
        const int64_t length = engine->info().lengthMs;
        engine->play(length - 1500, -1);
        for (int i = 0; i < 400 && engine->positionMs() < length - 1200; ++i)
            std::this_thread::sleep_for(5ms);
        EXPECT_GE(engine->positionMs(), length - 1200);
        engine->pause();
        const int64_t held = engine->positionMs();
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(engine->positionMs(), held);
        engine->resume();
        ASSERT_TRUE(engine->waitUntilStopped(20s));
        EXPECT_EQ(engine->mode(), EngineMode::Stopped);
        EXPECT_EQ(engine->positionMs(), length);
        if (engine->info().hasVideo) {
            EXPECT_GE(surface.shownFrame(), int((length - 300) * 25 / 1000));
        }
        engine->setSurface(nullptr);
        engine.reset();  // closes the device, which completes its file

        // About 1.5 s went through the device; a slow machine may drop late sound, so only
        // a quarter of a second of 44.1 kHz frames is asked for.
        const Played played = readPlayed(sound);
        ASSERT_TRUE(played.fileWritten) << "the sound device never opened";
        EXPECT_GE(played.soundingFrames, 11025u);
    }
}

TEST_F(AudioClockTest, volume_scalesEachSideOfWhatTheDevicePlays) {
    // The same second of the tone at full volume, then at half volume on the left only.
    Played runs[2];
    const int32_t volumes[2][2] = {{1000, 1000}, {500, 0}};
    for (int r = 0; r < 2; ++r) {
        const std::string sound = nextSoundFile("volume" + std::to_string(r));
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(test::fixture("tone.wav")), EngineStatus::Ok);
        engine->setVolume(volumes[r][0], volumes[r][1]);
        engine->play(1000, 2000);
        ASSERT_TRUE(engine->waitUntilStopped(20s));
        engine.reset();
        runs[r] = readPlayed(sound);
        ASSERT_TRUE(runs[r].fileWritten) << "the sound device never opened";
        ASSERT_GE(runs[r].soundingFrames, 4410u) << "run " << r;
    }
    const Played& full = runs[0];
    const Played& half = runs[1];
    // The fixture's mono sine, an eighth of full scale, is spread over both sides.
    EXPECT_GT(full.leftPeak, 2000);
    EXPECT_NEAR(full.rightPeak, full.leftPeak, 2);
    EXPECT_EQ(half.rightPeak, 0);
    EXPECT_NEAR(double(half.leftPeak) / full.leftPeak, 0.5, 0.01);
}

}  // namespace
}  // namespace stillmar::mci
