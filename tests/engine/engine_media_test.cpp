// The engine on every container and codec the player meets: open, length, exact seeks,
// capture, playback to the end with no sound card.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/mci/media_engine.h"
#include "platform/system/bmp_file.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;
using test::TestSurface;

struct VideoCase {
    const char* name;
    int fps;
    int seconds;
};

std::ostream& operator<<(std::ostream& os, const VideoCase& c) {
    return os << c.name;
}

int frameAt(const VideoCase& c, int64_t ms) {
    const int64_t last = int64_t(c.fps) * c.seconds - 1;
    return int(std::min<int64_t>(ms * c.fps / 1000, last));
}

class VideoFileTest : public ::testing::TestWithParam<VideoCase> {
  protected:
    void SetUp() override {
        path_ = test::fixture(GetParam().name);
        ASSERT_FALSE(path_.empty());
        engine_ = createMediaEngine();
        ASSERT_EQ(engine_->open(path_), EngineStatus::Ok);
        engine_->setSurface(&surface_);
    }
    void TearDown() override {
        if (engine_) engine_->setSurface(nullptr);
    }

    std::string path_;
    TestSurface surface_;
    std::unique_ptr<MediaEngine> engine_;
};

TEST_P(VideoFileTest, open_describesTheVideoAndShowsItsFirstFrame) {
    const VideoCase& c = GetParam();
    const MediaInfo info = engine_->info();
    EXPECT_TRUE(info.hasVideo);
    EXPECT_EQ(info.videoSize, (Size{320, 240}));
    EXPECT_NEAR(double(info.lengthMs), c.seconds * 1000.0, 1000.0 / c.fps);
    EXPECT_EQ(info.frameRateMilli, c.fps * 1000);
    EXPECT_NEAR(double(info.frameCount), double(c.fps * c.seconds), 1.0);
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine_->positionMs(), 0);
    EXPECT_EQ(surface_.shownFrame(), 0);
    auto shown = surface_.presented();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 320);  // a 0x0 target means the video's own size
    EXPECT_EQ(shown->height, 240);
}

TEST_P(VideoFileTest, seek_presentsTheExactFrame_forwardBackwardAndMidGroup) {
    const VideoCase& c = GetParam();
    const int64_t length = engine_->info().lengthMs;
    const int64_t targets[] = {1000, 1020, 2520, 3333, 7990,   500, 0,         4040,
                               4000, 3999, 6100, 9960, length, 200, length - 1};
    for (int64_t t : targets) {
        engine_->seek(t);
        EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
        EXPECT_EQ(engine_->positionMs(), std::min(t, length));
        EXPECT_EQ(surface_.shownFrame(), frameAt(c, t)) << "seek to " << t << " ms";
    }
    engine_->seek(-50);  // clamped
    EXPECT_EQ(engine_->positionMs(), 0);
    EXPECT_EQ(surface_.shownFrame(), 0);
}

TEST_P(VideoFileTest, captureFrame_writesTheShownFrameAtTheVideosSize) {
    const VideoCase& c = GetParam();
    surface_.setTargetSize(Size{160, 100});
    engine_->refresh();
    engine_->seek(5480);
    auto shown = surface_.presented();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 160);
    EXPECT_EQ(shown->height, 100);
    EXPECT_EQ(surface_.shownFrame(), frameAt(c, 5480));

    const std::string dir = test::makeTempDir("engine-capture");
    const std::string bmp = dir + "/frame.bmp";
    ASSERT_EQ(engine_->captureFrame(bmp), EngineStatus::Ok);
    sys::BmpImage image;
    ASSERT_TRUE(sys::readBmp(bmp, image));
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 240);
    EXPECT_EQ(test::decodeFrameNumber(image.pixels, image.width, image.height), frameAt(c, 5480));
    EXPECT_EQ(engine_->captureFrame(dir + "/no/such/folder/x.bmp"), EngineStatus::Io);
    std::filesystem::remove_all(dir);
}

TEST_P(VideoFileTest, play_advancesWithoutSoundAndStopsAtTheLength) {
    const VideoCase& c = GetParam();
    const int64_t length = engine_->info().lengthMs;
    engine_->play(length - 700, -1);
    EXPECT_EQ(engine_->mode(), EngineMode::Playing);
    ASSERT_TRUE(engine_->waitUntilStopped(20s));
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(engine_->positionMs(), length);
    // The last frames were shown on the way.
    EXPECT_GE(surface_.shownFrame(), frameAt(c, length - 200));
    // Playing again from the end does nothing; from a point it starts over.
    engine_->play(-1, -1);
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    engine_->play(1000, 1480);
    ASSERT_TRUE(engine_->waitUntilStopped(20s));
    EXPECT_EQ(engine_->positionMs(), 1480);
    const int shown = surface_.shownFrame();
    EXPECT_GE(shown, frameAt(c, 1000));
    EXPECT_LE(shown, frameAt(c, 1480));
}

INSTANTIATE_TEST_SUITE_P(
    Containers, VideoFileTest,
    ::testing::Values(VideoCase{"clock.mp4", 25, 20}, VideoCase{"clock.mkv", 25, 20},
                      VideoCase{"clock.webm", 25, 10}, VideoCase{"clock.mpg", 25, 10},
                      VideoCase{"clock2.mpg", 25, 10}, VideoCase{"clock.avi", 25, 10},
                      VideoCase{"clock.wmv", 25, 10}, VideoCase{"clock.mov", 25, 10},
                      VideoCase{"clock.divx", 25, 10}, VideoCase{"clock30.mp4", 30, 10}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == '.') ch = '_';
        return n;
    });

class AudioFileTest : public ::testing::TestWithParam<const char*> {};

TEST_P(AudioFileTest, soundOnlyFile_opensSeeksAndPlaysToItsEnd) {
    const std::string path = test::fixture(GetParam());
    ASSERT_FALSE(path.empty());
    auto engine = createMediaEngine();
    ASSERT_EQ(engine->open(path), EngineStatus::Ok);
    const MediaInfo info = engine->info();
    EXPECT_TRUE(info.hasAudio);
    EXPECT_FALSE(info.hasVideo);
    EXPECT_NEAR(double(info.lengthMs), 5000.0, 60.0);
    EXPECT_EQ(info.frameCount, 0);
    engine->seek(2500);
    EXPECT_EQ(engine->positionMs(), 2500);
    EXPECT_EQ(engine->mode(), EngineMode::Stopped);
    engine->play(info.lengthMs - 400, -1);
    ASSERT_TRUE(engine->waitUntilStopped(20s));
    EXPECT_EQ(engine->positionMs(), info.lengthMs);
    engine->play(1000, 1300);
    ASSERT_TRUE(engine->waitUntilStopped(20s));
    EXPECT_EQ(engine->positionMs(), 1300);
    // No picture to capture.
    const std::string dir = test::makeTempDir("engine-audio");
    EXPECT_EQ(engine->captureFrame(dir + "/x.bmp"), EngineStatus::Unsupported);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.bmp"));
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Sound, AudioFileTest,
                         ::testing::Values("tone.wav", "tone.mp3", "tone.mpa"),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (char& ch : n)
                                 if (ch == '.') ch = '_';
                             return n;
                         });

}  // namespace
}  // namespace stillmar::mci

namespace stillmar::mci {
namespace {

// A file with a stretch that cannot be decoded (8.4 s to 12 s): a seek shows a whole picture
// and the position names it, the very picture the undamaged file has there; outside the
// stretch seeks stay exact, and playback runs through it.
TEST(DamagedFileTest, seekIntoTheHole_showsTheNearestWholeFrame_andNamesItsTime) {
    const std::string damaged = test::fixture("damaged.mp4");
    const std::string clean = test::fixture("clock.mp4");
    ASSERT_FALSE(damaged.empty());
    ASSERT_FALSE(clean.empty());
    const std::string dir = test::makeTempDir("engine-damaged");
    auto engine = createMediaEngine();
    auto reference = createMediaEngine();
    ASSERT_EQ(engine->open(damaged), EngineStatus::Ok);
    ASSERT_EQ(reference->open(clean), EngineStatus::Ok);
    TestSurface surface;
    engine->setSurface(&surface);

    // Forward and back, into the hole from either side, out of it within a group of pictures.
    for (const int64_t target : {7000, 9000, 10000, 11000, 13000, 8300, 11900, 12000, 16000}) {
        SCOPED_TRACE(target);
        ASSERT_EQ(engine->seek(target), EngineStatus::Ok);
        const int64_t at = engine->positionMs();
        const bool inHole = target >= 8400 && target < 12000;
        if (!inHole) {
            EXPECT_EQ(at, target);
        }
        EXPECT_TRUE(at < 8400 || at >= 12000) << at;
        EXPECT_EQ(surface.shownFrame(), int(at * 25 / 1000));

        ASSERT_EQ(engine->captureFrame(dir + "/damaged.bmp"), EngineStatus::Ok);
        ASSERT_EQ(reference->seek(at), EngineStatus::Ok);
        ASSERT_EQ(reference->captureFrame(dir + "/clean.bmp"), EngineStatus::Ok);
        sys::BmpImage mine, theirs;
        ASSERT_TRUE(sys::readBmp(dir + "/damaged.bmp", mine));
        ASSERT_TRUE(sys::readBmp(dir + "/clean.bmp", theirs));
        EXPECT_EQ(mine.pixels, theirs.pixels);
    }

    // Nothing whole from the target to the end: the seek fails and leaves the picture and
    // position as they were.
    auto ending = createMediaEngine();
    const std::string damagedEnd = test::fixture("damaged_end.mp4");
    ASSERT_FALSE(damagedEnd.empty());
    ASSERT_EQ(ending->open(damagedEnd), EngineStatus::Ok);
    ending->setSurface(&surface);
    ASSERT_EQ(ending->seek(15000), EngineStatus::Ok);
    EXPECT_NE(ending->seek(19000), EngineStatus::Ok);
    EXPECT_EQ(ending->positionMs(), 15000);
    EXPECT_EQ(surface.shownFrame(), 15 * 25);
    ending->setSurface(nullptr);
    ending.reset();
    engine->setSurface(&surface);

    // Through the hole to the end of the range, in about the range's time.
    const auto start = std::chrono::steady_clock::now();
    engine->play(7600, 12800);
    ASSERT_TRUE(engine->waitUntilStopped(20s));
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(engine->positionMs(), 12800);
    EXPECT_EQ(surface.shownFrame(), 320);
    EXPECT_LT(took, 5.2 + 2.0);
    engine->setSurface(nullptr);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace stillmar::mci
