// Transport, seek bursts, the source cache, and bad input.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/source_cache.h"
#include "platform/mci/media_engine.h"
#include "platform/system/bmp_file.h"
#include "tests/engine/clock_engine.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;
using test::frame25;
using test::TestSurface;
namespace fs = std::filesystem;

// Polls until `done` holds; false after a generous limit. No timing is asserted.
template <typename F>
bool eventually(F done) {
    for (int i = 0; i < 2000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

using EngineControlTest = test::ClockEngineTest;

TEST_F(EngineControlTest, transport_followsPlayPauseResumeStop) {
    engine_->pause();  // from stopped: cues the shown frame
    EXPECT_EQ(engine_->mode(), EngineMode::Paused);
    engine_->resume();
    EXPECT_EQ(engine_->mode(), EngineMode::Playing);
    ASSERT_TRUE(eventually([&] { return engine_->positionMs() >= 400; }));
    ASSERT_TRUE(eventually([&] { return surface_.shownFrame() >= 5; }));

    engine_->pause();
    EXPECT_EQ(engine_->mode(), EngineMode::Paused);
    const int64_t held = engine_->positionMs();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(engine_->positionMs(), held);
    engine_->resume();
    EXPECT_EQ(engine_->mode(), EngineMode::Playing);
    ASSERT_TRUE(eventually([&] { return engine_->positionMs() > held + 200; }));

    engine_->stop();
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    const int64_t stoppedAt = engine_->positionMs();
    EXPECT_GT(stoppedAt, held);  // not rewound
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(engine_->positionMs(), stoppedAt);
    engine_->resume();  // only a paused device resumes
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);

    // Play from where it stopped, then a seek stops it.
    engine_->play(-1, -1);
    EXPECT_EQ(engine_->mode(), EngineMode::Playing);
    ASSERT_TRUE(eventually([&] { return engine_->positionMs() > stoppedAt + 100; }));
    engine_->seek(12345);
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine_->positionMs(), 12345);
    EXPECT_EQ(surface_.shownFrame(), frame25(12345));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(surface_.shownFrame(), frame25(12345));  // nothing late overwrites it
}

TEST_F(EngineControlTest, playRange_endsAtItsEndOnTheFrameThere) {
    engine_->play(3000, 3600);
    ASSERT_TRUE(engine_->waitUntilStopped(20s));
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine_->positionMs(), 3600);
    EXPECT_EQ(surface_.shownFrame(), frame25(3600));
    // A range that ends where it starts plays nothing.
    engine_->play(5000, 5000);
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
}

TEST_F(EngineControlTest, speed_changesTheClockRate) {
    engine_->setSpeed(4000);
    EXPECT_EQ(engine_->speed(), 4000);
    engine_->play(10000, 16000);
    // Six seconds of media at four times the speed; the wait allows far more.
    ASSERT_TRUE(engine_->waitUntilStopped(20s));
    EXPECT_EQ(engine_->positionMs(), 16000);
    engine_->setSpeed(0);  // never zero: that would stop time
    EXPECT_GT(engine_->speed(), 0);
}

TEST_F(EngineControlTest, seekBurst_endsOnTheLastTarget) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int64_t> pick(0, engine_->info().lengthMs);
    int64_t last = 0;
    for (int i = 0; i < 40; ++i) {
        last = pick(rng);
        if (i % 5 == 0) engine_->play(pick(rng), -1);  // a burst also interrupts playback
        engine_->seek(last);
    }
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine_->positionMs(), last);
    EXPECT_EQ(surface_.shownFrame(), frame25(last));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(surface_.shownFrame(), frame25(last));
}

TEST_F(EngineControlTest, refresh_presentsTheShownFrameAtTheNewTargetSize) {
    engine_->seek(7000);
    const int before = surface_.presentCount();
    surface_.setTargetSize(Size{489, 372});
    engine_->refresh();
    EXPECT_GT(surface_.presentCount(), before);
    auto shown = surface_.presented();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 489);
    EXPECT_EQ(shown->height, 372);
    EXPECT_EQ(shown->pixels.size(), size_t(489 * 372));
    EXPECT_EQ(surface_.shownFrame(), frame25(7000));

    // Resizing while playing (a refresh a tick) neither stalls nor loses the end.
    engine_->play(engine_->info().lengthMs - 800, -1);
    for (int i = 0; i < 4000 && engine_->mode() == EngineMode::Playing; ++i) {
        surface_.setTargetSize(i % 2 ? Size{489, 372} : Size{320, 240});
        engine_->refresh();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine_->positionMs(), engine_->info().lengthMs);
    engine_->seek(7000);

    // A surface attached later receives the current frame at once.
    TestSurface second;
    engine_->setSurface(&second);
    EXPECT_EQ(second.shownFrame(), frame25(7000));
    engine_->setSurface(nullptr);
    engine_->seek(8000);  // no surface: nothing to show, nothing breaks
    EXPECT_EQ(engine_->positionMs(), 8000);
}

TEST_F(EngineControlTest, handedOverFrames_areConvertedOnlyWhenRead_oncePerSize) {
    // An off-screen surface, as the service gives a device without a window layer.
    auto surface = makeOffscreenSurface(engine_->info().videoSize);
    engine_->setSurface(surface.get());
    const auto conversions = [] { return engine::engineCounters().conversions; };
    const int64_t before = conversions();
    // Placed twice, then a seek: nothing has read a picture yet.
    surface->setDestination({0, 0, 32, 24});
    engine_->refresh();
    surface->setDestination({0, 0, 160, 120});
    engine_->refresh();
    engine_->seek(5480);
    engine_->refresh();
    EXPECT_EQ(conversions(), before);

    auto shown = surface->presented();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 160);
    EXPECT_EQ(test::decodeFrameNumber(shown->pixels, shown->width, shown->height), frame25(5480));
    EXPECT_EQ(surface->presented(), shown);  // the same size again: no second conversion
    engine_->refresh();
    EXPECT_EQ(surface->presented(), shown);
    EXPECT_EQ(conversions(), before + 1);

    // At the video's own size the window shows exactly what "capture ... as" writes.
    surface->setDestination({0, 0, 320, 240});
    shown = surface->presented();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 320);
    const std::string dir = test::makeTempDir("engine-handover");
    ASSERT_EQ(engine_->captureFrame(dir + "/f.bmp"), EngineStatus::Ok);
    sys::BmpImage bmp;
    ASSERT_TRUE(sys::readBmp(dir + "/f.bmp", bmp));
    EXPECT_TRUE(bmp.pixels == shown->pixels);
    fs::remove_all(dir);
    engine_->setSurface(nullptr);
}

TEST(EnginePlaybackCountTest, everyFrameAfterTheStart_isPresentedOrDropped) {
    const std::string path = test::fixture("short.mp4");
    ASSERT_FALSE(path.empty());
    auto engine = createMediaEngine();
    ASSERT_EQ(engine->open(path), EngineStatus::Ok);
    TestSurface surface;
    surface.setVisible(true);
    engine->setSurface(&surface);
    const auto before = engine::engineCounters();
    engine->play(0, -1);
    ASSERT_TRUE(engine->waitUntilStopped(20s));
    const auto d = engine::engineCounters() - before;
    // Frame 0 is the start; the 9 after it are each counted once, however late they come.
    EXPECT_EQ(d.presented + d.dropped, 9);
    EXPECT_GE(d.presented, 1);  // the last frame is always shown
    EXPECT_LE(d.late, d.presented);
    EXPECT_EQ(surface.shownFrame(), 9);
    engine->setSurface(nullptr);
}

// The clock clip opened as a source, without an engine; null when it cannot be.
std::unique_ptr<engine::MediaSource> openClock() {
    EngineStatus status;
    const std::string path = test::fixture("clock.mp4");
    return path.empty() ? nullptr : engine::MediaSource::open(path, status);
}

TEST(MediaSourceTest, interruptedPlaybackDecoding_goesOnWithoutLosingAFrame) {
    // A close or a seek interrupts the decoding of the next frame; the warm file then goes on
    // from where it stood, so the next exact seek forward still finds its frame.
    auto source = openClock();
    ASSERT_TRUE(source);
    std::atomic<bool> interrupt{false};
    source->setInterrupt(&interrupt);
    ASSERT_TRUE(source->seekVideo(2000, false));
    std::vector<int64_t> seen;
    int refused = 0;
    for (int round = 0; round < 3; ++round) {
        interrupt = true;
        for (int i = 0; i < 8; ++i) {
            const AVFrame* f = source->nextVideo();
            if (f)
                seen.push_back(source->framePtsMs(f));
            else
                ++refused;
        }
        interrupt = false;
        for (int i = 0; i < 3; ++i) {
            const AVFrame* f = source->nextVideo();
            ASSERT_TRUE(f);
            seen.push_back(source->framePtsMs(f));
        }
    }
    EXPECT_GT(refused, 0);
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(frame25(seen[i]), 51 + int(i));
    const AVFrame* f = source->seekVideo(3000, false);
    ASSERT_TRUE(f);
    EXPECT_EQ(frame25(source->framePtsMs(f)), 75);
}

TEST(MediaSourceTest, reseekWhereTheDecoderStands_readsTheSoundAgainWithoutDecodingAgain) {
    // Playing with sound from where a device stands: the sound around the start is read again,
    // and the pictures go on from that frame exactly.
    auto source = openClock();
    ASSERT_TRUE(source);
    const AVFrame* f = source->seekVideo(6480, false);
    ASSERT_TRUE(f);
    EXPECT_EQ(frame25(source->framePtsMs(f)), 162);
    int sound = 0;
    source->setAudioSink([&sound](engine::PacketPtr) { return ++sound > 0; });
    const int64_t decoded = source->decodedFrames();
    f = source->seekVideo(6480, true);
    ASSERT_TRUE(f);
    EXPECT_EQ(frame25(source->framePtsMs(f)), 162);
    for (int n = 163; n < 200; ++n) {
        f = source->nextVideo();
        ASSERT_TRUE(f);
        EXPECT_EQ(frame25(source->framePtsMs(f)), n);
    }
    EXPECT_LE(source->decodedFrames() - decoded, 200 - 163);  // nothing decoded twice
    EXPECT_GT(sound, 10);  // about 1.5 s of sound from the keyframe at 6 s, read again
    source->setAudioSink(nullptr);
}

TEST(MediaSourceTest, seekDecodedAhead_isTakenWhenAsked_andAnythingElseLandsExactly) {
    // A file reopened a step further on each time (a capture run) decodes the next step while
    // it stands still. The frame shown stays; the next step costs nothing, and a play, a step
    // or another seek from the frame shown land as they would have without it.
    auto source = openClock();
    ASSERT_TRUE(source);
    auto number = [&](const AVFrame* f) { return f ? frame25(source->framePtsMs(f)) : -1; };
    auto reopenAt = [&](int64_t ms) {
        source->noteReopened();
        return number(source->seekVideo(ms, false));
    };
    EXPECT_EQ(number(source->seekVideo(2040, false)), 51);
    EXPECT_FALSE(source->decodeAhead());  // one seek says nothing of the next
    // Keyframes every 2 s: from 3040 the next step lies past one, from 4040 within a group.
    for (int64_t ms : {3040, 4040, 5040}) {
        EXPECT_EQ(reopenAt(ms), frame25(ms));
        ASSERT_TRUE(source->decodeAhead());
        EXPECT_EQ(number(source->seekVideo(ms, false)), frame25(ms));
    }
    int64_t decoded = source->decodedFrames();
    EXPECT_EQ(reopenAt(6040), 151);
    EXPECT_EQ(source->decodedFrames(), decoded);

    // Playing on from the frame shown.
    ASSERT_TRUE(source->decodeAhead());
    EXPECT_EQ(number(source->seekVideo(6040, true)), 151);
    for (int n = 152; n < 156; ++n) EXPECT_EQ(number(source->nextVideo()), n);

    // Another seek, behind what was decoded ahead; without a reopen before it, it starts no
    // pattern.
    EXPECT_EQ(reopenAt(7040), 176);
    ASSERT_TRUE(source->decodeAhead());
    EXPECT_EQ(number(source->seekVideo(7500, false)), 187);
    EXPECT_FALSE(source->decodeAhead());

    // A step from the frame shown.
    source->noteReopened();
    const AVFrame* shown = source->seekVideo(8040, false);
    EXPECT_EQ(number(shown), 201);
    ASSERT_TRUE(shown);
    const int64_t ticks = shown->best_effort_timestamp;
    ASSERT_TRUE(source->decodeAhead());
    EXPECT_EQ(number(source->videoAfter(ticks)), 202);
}

TEST(EngineCacheTest, reopenedASecondFurtherOn_decodesTheNextSecondAhead) {
    const auto before = engine::engineCounters();
    TestSurface surface;
    for (int64_t ms : {12040, 13040, 14040, 15040}) {
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(test::fixture("clock.mp4")), EngineStatus::Ok);
        engine->setSurface(&surface);
        engine->setChannelsEnabled(false, false);  // as a capture run's device
        ASSERT_EQ(engine->seek(ms), EngineStatus::Ok);
        EXPECT_EQ(surface.shownFrame(), frame25(ms));
    }
    // After 13040 and 14040 at least (the engine's close waits for it).
    EXPECT_GE((engine::engineCounters() - before).aheads, 2);
    engine::clearSourceCache();
}

TEST(EngineCacheTest, changedFile_isOpenedAfresh) {
    const std::string dir = test::makeTempDir("engine-cache");
    const std::string path = dir + "/clip.mp4";
    fs::copy_file(test::fixture("clock.mp4"), path);
    {
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(path), EngineStatus::Ok);
        EXPECT_NEAR(double(engine->info().lengthMs), 20000, 40);
    }
    // Same name, other content (and size): the warm copy must not be used.
    fs::remove(path);
    fs::copy_file(test::fixture("short.mp4"), path);
    auto engine = createMediaEngine();
    ASSERT_EQ(engine->open(path), EngineStatus::Ok);
    EXPECT_NEAR(double(engine->info().lengthMs), 400, 40);
    engine.reset();
    fs::remove(path);
    engine = createMediaEngine();
    EXPECT_EQ(engine->open(path), EngineStatus::FileNotFound);
    engine::clearSourceCache();
    fs::remove_all(dir);
}

TEST(EngineBadInputTest, unplayableFiles_areRefusedWithoutHanging) {
    auto engine = createMediaEngine();
    EXPECT_EQ(engine->open(test::fixtureDir() + "/no-such-file.mp4"), EngineStatus::FileNotFound);
    EXPECT_EQ(engine->open(""), EngineStatus::FileNotFound);
    EXPECT_EQ(engine->open(test::fixture("noise.bin")), EngineStatus::Unsupported);
    EXPECT_EQ(engine->open(test::fixture("empty.mp4")), EngineStatus::Unsupported);
    EXPECT_EQ(engine->open(test::fixture("truncated.mp4")), EngineStatus::Unsupported);
    EXPECT_EQ(engine->open(test::fixtureDir()), EngineStatus::Unsupported);  // a folder
    // Nothing is open now: every command is harmless.
    engine->seek(1000);
    engine->play(0, -1);
    EXPECT_EQ(engine->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine->positionMs(), 0);
    EXPECT_FALSE(engine->info().hasVideo);
    EXPECT_EQ(engine->captureFrame(test::fixtureDir() + "/never.bmp"), EngineStatus::Unsupported);
}

TEST(ProbeContentTest, tellsMissingMidiMediaAndUnknown) {
    EXPECT_EQ(probeContent(test::fixtureDir() + "/absent.xyz"), ContentKind::Missing);
    EXPECT_EQ(probeContent(test::fixture("clock.mkv")), ContentKind::Media);
    EXPECT_EQ(probeContent(test::fixture("tone.mpa")), ContentKind::Media);
    EXPECT_EQ(probeContent(test::fixture("noise.bin")), ContentKind::Unknown);
    EXPECT_EQ(probeContent(test::fixture("empty.mp4")), ContentKind::Unknown);

    const std::string dir = test::makeTempDir("engine-probe");
    const std::string midi = dir + "/song.dat";
    {
        std::ofstream f(midi, std::ios::binary);
        const char header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
        f.write(header, sizeof header);
    }
    EXPECT_EQ(probeContent(midi), ContentKind::Midi);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace stillmar::mci
