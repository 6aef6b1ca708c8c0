// Playback keeps real time on every container with sound. CTest runs this program twice:
// once with no sound device (the wall clock leads) and once with SDL's dummy driver, which
// consumes samples at the device's rate, so that the sound callback leads the clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/mci/media_engine.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Unless the run names a driver, none: SDL knows no driver of that name, so no device opens
// even on a machine with a sound card. Set before SDL's audio first starts in this process.
const bool kDriverChosen = [] { return setenv("SDL_AUDIODRIVER", "none", 0) == 0; }();

class PlaybackSpeedTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PlaybackSpeedTest, positionFollowsWallTimeAndPicturesKeepUp) {
    ASSERT_TRUE(kDriverChosen);
    const std::string path = test::fixture(GetParam());
    ASSERT_FALSE(path.empty());
    auto engine = createMediaEngine();
    ASSERT_EQ(engine->open(path), EngineStatus::Ok);
    test::TestSurface surface;
    engine->setSurface(&surface);
    const MediaInfo info = engine->info();
    ASSERT_GE(info.lengthMs, 4500);

    engine->play(0, -1);
    // Measured from the first moment the position moves: the start (an exact seek and the
    // device opening) is not part of the speed.
    for (int i = 0; i < 400 && engine->positionMs() == 0; ++i) std::this_thread::sleep_for(5ms);
    const auto t0 = Clock::now();
    const int64_t p0 = engine->positionMs();
    std::this_thread::sleep_for(4000ms - 500ms * (info.lengthMs < 6000));
    const int64_t p1 = engine->positionMs();
    const double wallMs =
        double(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count()) /
        1000.0;
    std::printf("%s: position %lld ms in %.0f ms\n", GetParam().c_str(), (long long)(p1 - p0),
                wallMs);
    EXPECT_EQ(engine->mode(), EngineMode::Playing);
    EXPECT_NEAR(double(p1 - p0), wallMs, wallMs * 0.1)
        << "position " << p0 << " -> " << p1 << " in " << wallMs << " ms";
    if (info.hasVideo) {
        // The picture on screen is no further than half a second behind the position.
        const int shown = surface.shownFrame();
        EXPECT_GE(shown, int((p1 - 500) * 25 / 1000)) << "position " << p1;
    }
    engine->setSurface(nullptr);
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, PlaybackSpeedTest,
                         ::testing::ValuesIn(test::fixturesWithSound()), [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace stillmar::mci
