// The audio-clock path: SDL's dummy driver stands in for a sound card, consuming samples at
// the device's rate, so playback is timed by the audio callback instead of the wall clock.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/mci/media_engine.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;

// Before SDL's audio subsystem first starts in this process.
const bool kDummyDriver = [] { return setenv("SDL_AUDIODRIVER", "dummy", 1) == 0; }();

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
