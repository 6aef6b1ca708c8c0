// The audio-clock path: SDL's dummy driver stands in for a sound card, consuming samples at
// the device's rate, so playback is timed by the audio callback instead of the wall clock.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "platform/mci/engine/audio_output.h"
#include "platform/mci/media_engine.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;

// Before SDL's audio subsystem first starts in this process.
const bool kDummyDriver = [] { return setenv("SDL_AUDIODRIVER", "dummy", 1) == 0; }();

TEST(AudioOutputTest, dummyDevice_callsTheFillFunction) {
    ASSERT_TRUE(kDummyDriver);
    auto out = engine::createAudioOutput();
    std::atomic<int> frames{0};
    ASSERT_TRUE(out->open(44100, 2, [&](int16_t* samples, int n) {
        for (int i = 0; i < n * 2; ++i) samples[i] = 0;
        frames += n;
    }));
    EXPECT_EQ(out->format().channels, 2);
    EXPECT_GT(out->format().bufferFrames, 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(frames.load(), 0);  // opened paused
    out->setPaused(false);
    for (int i = 0; i < 400 && frames.load() == 0; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_GT(frames.load(), 0);
    out->close();
    const int after = frames.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(frames.load(), after);  // no call after close
}

TEST(AudioClockTest, playbackWithSound_advancesAndEndsAtTheLength) {
    ASSERT_TRUE(kDummyDriver);
    for (const char* name : {"clock.mp4", "tone.wav", "clock.avi"}) {
        SCOPED_TRACE(name);
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(test::fixture(name)), EngineStatus::Ok);
        test::TestSurface surface;
        engine->setSurface(&surface);
        engine->setVolume(500, 0);
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
    }
}

}  // namespace
}  // namespace stillmar::mci
