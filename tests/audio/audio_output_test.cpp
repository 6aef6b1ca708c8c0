// Sound out on SDL's timed dummy driver: a closed output calls its fill no more, and the
// device it leaves behind serves the next open.
#include "platform/audio/audio_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace stillmar::audio {
namespace {

using namespace std::chrono_literals;

// Before SDL's audio subsystem first starts in this process.
const bool kDummyDriver = [] { return setenv("SDL_AUDIODRIVER", "dummy", 1) == 0; }();

bool waitFor(const std::atomic<int>& calls, int atLeast) {
    for (int i = 0; i < 200 && calls.load() < atLeast; ++i) std::this_thread::sleep_for(5ms);
    return calls.load() >= atLeast;
}

TEST(AudioOutputTest, closedOutputFillsNoMore_andTheNextOpenOfAnyFormatGetsADevice) {
    ASSERT_TRUE(kDummyDriver);
    std::atomic<int> first{0}, second{0};
    auto out = createAudioOutput();
    if (!out->open(44100, 2, [&](int16_t*, int) { ++first; }))
        GTEST_SKIP() << "SDL's dummy audio driver did not open";
    out->setPaused(false);
    ASSERT_TRUE(waitFor(first, 2));
    out->close();
    const int atClose = first.load();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(first.load(), atClose) << "fill called after close";

    // Reopened at once (the device kept), by another owner too.
    auto other = createAudioOutput();
    ASSERT_TRUE(other->open(44100, 2, [&](int16_t*, int) { ++second; }));
    EXPECT_EQ(other->format().rate, 44100);
    other->setPaused(false);
    EXPECT_TRUE(waitFor(second, 2));
    EXPECT_EQ(first.load(), atClose);
    other->close();

    // Another format: the kept device is let go first (this driver has one device only).
    std::atomic<int> third{0};
    ASSERT_TRUE(out->open(22050, 1, [&](int16_t*, int) { ++third; }));
    EXPECT_EQ(out->format().channels, 1);
    out->setPaused(false);
    EXPECT_TRUE(waitFor(third, 2));
    out.reset();  // closes
}

int threadsOfThisProcess() {
    int n = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

TEST(AudioOutputTest, shutdownClosesTheKeptDeviceAndJoinsItsThreads_laterOpensStillWork) {
    ASSERT_TRUE(kDummyDriver);
    auto out = createAudioOutput();
    if (!out->open(44100, 2, [](int16_t*, int) {}))
        GTEST_SKIP() << "SDL's dummy audio driver did not open";
    out->close();  // kept open, with a thread to close it later
    const int kept = threadsOfThisProcess();
    shutdownAudio();
    // The device's own thread and the one that would have closed it are both gone.
    EXPECT_LE(threadsOfThisProcess(), kept - 2);

    std::atomic<int> calls{0};
    ASSERT_TRUE(out->open(44100, 2, [&](int16_t*, int) { ++calls; }));
    out->setPaused(false);
    EXPECT_TRUE(waitFor(calls, 2));
    out.reset();
    shutdownAudio();
}

}  // namespace
}  // namespace stillmar::audio
