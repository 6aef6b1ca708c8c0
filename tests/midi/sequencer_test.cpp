#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <thread>

#include "platform/mci/midi/sequencer.h"
#include "tests/midi/smf_builder.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci::midi {
namespace {

using namespace std::chrono_literals;
using test::smf;
using test::Track;

constexpr int kRate = 48000;

// 2 s at 480 ticks per quarter and the default tempo: a note from 500 ms to 1500 ms.
test::Bytes twoSecondSong() {
    Track t;
    t.raw(0, {0xC0, 0x00}).noteOn(480, 0, 60, 120).noteOff(960, 0, 60).end(480);
    return smf(0, 480, {t});
}

SequencerOptions manual(std::string soundFont = kDefaultSoundFont) {
    SequencerOptions o;
    o.sampleRate = kRate;
    o.externalClock = true;
    o.soundFontPath = std::move(soundFont);
    return o;
}

// Pulls `ms` worth of frames through render() in device-sized blocks; returns the samples.
std::vector<float> pull(Sequencer& s, int64_t ms, int block = 512) {
    const int64_t frames = ms * kRate / 1000;
    std::vector<float> out(size_t(2 * frames));
    for (int64_t at = 0; at < frames; at += block)
        s.render(out.data() + 2 * at, int(std::min<int64_t>(block, frames - at)));
    return out;
}

float peak(const std::vector<float>& pcm, size_t from, size_t to, int channel = -1) {
    float m = 0;
    for (size_t i = from; i < to && i < pcm.size(); ++i)
        if (channel < 0 || int(i % 2) == channel) m = std::max(m, std::fabs(pcm[i]));
    return m;
}

size_t sampleAt(int64_t ms) {
    return size_t(2 * ms * kRate / 1000);
}

TEST(Sequencer, open_reportsMissingCorruptAndGoodFiles) {
    Sequencer s(manual());
    EXPECT_EQ(s.open("/nonexistent/song.mid"), SequencerStatus::FileNotFound);
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.openData({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}), SequencerStatus::Unsupported);
    EXPECT_EQ(s.openData(std::vector<uint8_t>(4096, 0x5A)), SequencerStatus::Unsupported);
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.lengthMs(), 0);
    s.play();  // nothing open: nothing happens
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);

    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    EXPECT_TRUE(s.isOpen());
    EXPECT_EQ(s.lengthMs(), 2000);
    EXPECT_EQ(s.positionMs(), 0);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
}

TEST(Sequencer, playing_advancesByThePulledFrames_andStopsAtTheLength) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    EXPECT_EQ(s.mode(), SequencerMode::Playing);
    pull(s, 750);
    EXPECT_EQ(s.positionMs(), 750);
    s.render(nullptr, kRate);  // a second with nobody listening
    EXPECT_EQ(s.positionMs(), 1750);
    EXPECT_EQ(s.mode(), SequencerMode::Playing);
    std::vector<float> rest(2 * kRate, 1.0f);
    EXPECT_FALSE(s.render(rest.data(), kRate));
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);
    EXPECT_TRUE(s.waitUntilStopped(0ms));
    // Past the end only silence comes out.
    EXPECT_EQ(peak(rest, sampleAt(260), rest.size()), 0.0f);
    // Playing again from the end plays nothing.
    s.play();
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);
}

TEST(Sequencer, playFromTo_playsThatStretchOnly) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play(300, 800);
    EXPECT_EQ(s.positionMs(), 300);
    s.render(nullptr, kRate);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 800);

    s.play(5000, 99999);  // both clamp to the length
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);

    s.play(1500, 1000);  // an end before the start plays nothing
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 1500);
}

TEST(Sequencer, pauseAndResume_keepThePositionAndTheEnd) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play(0, 1200);
    s.render(nullptr, kRate / 2);
    s.pause();
    EXPECT_EQ(s.mode(), SequencerMode::Paused);
    EXPECT_TRUE(s.waitUntilStopped(0ms));
    s.render(nullptr, kRate);  // paused: time stands still
    EXPECT_EQ(s.positionMs(), 500);
    s.resume();
    EXPECT_EQ(s.mode(), SequencerMode::Playing);
    s.render(nullptr, kRate / 4);
    EXPECT_EQ(s.positionMs(), 750);
    s.render(nullptr, kRate);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 1200);  // the end given to play still holds after resume

    s.resume();  // not paused: nothing
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
}

TEST(Sequencer, pauseFromStopped_cuesWhereItStands) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.seek(1900);
    s.pause();
    EXPECT_EQ(s.mode(), SequencerMode::Paused);
    EXPECT_EQ(s.positionMs(), 1900);
    s.resume();
    EXPECT_EQ(s.mode(), SequencerMode::Playing);
    s.render(nullptr, kRate);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);
}

TEST(Sequencer, seekAndStop_stopWithoutRewinding_andSeekClamps) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    s.render(nullptr, kRate / 10);
    s.seek(1234);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 1234);
    s.render(nullptr, kRate);  // stopped: no movement
    EXPECT_EQ(s.positionMs(), 1234);
    s.seek(-50);
    EXPECT_EQ(s.positionMs(), 0);
    s.seek(1'000'000);
    EXPECT_EQ(s.positionMs(), 2000);

    s.play(100);
    s.render(nullptr, kRate / 5);
    s.stop();
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 300);
    s.play();  // from where it stopped
    s.render(nullptr, kRate / 10);
    EXPECT_EQ(s.positionMs(), 400);
    s.close();
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.positionMs(), 0);
}

TEST(Sequencer, notesSound_fromTheirTimeOn) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    std::vector<float> pcm = pull(s, 1000, 441);  // blocks that do not fall on the note
    EXPECT_LT(peak(pcm, 0, sampleAt(500)), 1e-5f);
    EXPECT_GT(peak(pcm, sampleAt(500), sampleAt(503)), 1e-4f);  // not a block later
    EXPECT_GT(peak(pcm, sampleAt(500), sampleAt(600)), 0.01f);
}

TEST(Sequencer, volumeAndChannels_scaleTheOutput) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.setChannelsEnabled(false, true);
    s.play(500);
    std::vector<float> pcm = pull(s, 200);
    EXPECT_EQ(peak(pcm, 0, pcm.size(), 0), 0.0f);
    EXPECT_GT(peak(pcm, 0, pcm.size(), 1), 0.01f);
    s.setChannelsEnabled(true, true);
    s.setVolume(0, 0);
    s.play(500);
    pcm = pull(s, 200);
    EXPECT_EQ(peak(pcm, 0, pcm.size()), 0.0f);
}

TEST(Sequencer, startingMidSong_replaysProgramsAndControllers) {
    // Channel 0 is turned down to nothing before the note; a start after that must keep it so.
    Track t;
    t.raw(0, {0xB0, 0x07, 0x00}).raw(0, {0xB0, 0x0B, 0x00}).noteOn(480, 0, 60, 127).end(960);
    Sequencer s(manual());
    ASSERT_EQ(s.openData(smf(0, 480, {t})), SequencerStatus::Ok);
    s.play(400);
    EXPECT_LT(peak(pull(s, 400), 0, SIZE_MAX), 1e-4f);
}

TEST(Sequencer, missingSoundFont_keepsTimeInSilence) {
    Sequencer s(manual("/nonexistent/none.sf2"));
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    std::vector<float> pcm = pull(s, 2100);
    EXPECT_EQ(peak(pcm, 0, pcm.size()), 0.0f);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);
}

TEST(Sequencer, withoutASoundDevice_theWallClockMovesThePosition) {
    SequencerOptions o;
    o.sampleRate = kRate;
    Sequencer s(o);
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    int64_t seen = 0;
    for (int i = 0; i < 500 && seen == 0; ++i) {
        std::this_thread::sleep_for(10ms);
        seen = s.positionMs();
    }
    EXPECT_GT(seen, 0);
    EXPECT_TRUE(s.waitUntilStopped(30s));
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);

    s.play(1000);
    s.pause();
    const int64_t held = s.positionMs();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(s.positionMs(), held);
    EXPECT_EQ(s.mode(), SequencerMode::Paused);
}

TEST(Sequencer, controlCallsWhileTheClockRuns_stayInRange) {
    SequencerOptions o;
    o.sampleRate = kRate;
    Sequencer s(o);
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    for (int i = 0; i < 200; ++i) {
        switch (i % 6) {
            case 0:
                s.play(i * 10 % 2000);
                break;
            case 1:
                s.pause();
                break;
            case 2:
                s.resume();
                break;
            case 3:
                s.seek(i * 37 % 2500);
                break;
            case 4:
                s.play(1990, 2000);
                break;
            case 5:
                s.stop();
                break;
        }
        const int64_t pos = s.positionMs();
        ASSERT_GE(pos, 0);
        ASSERT_LE(pos, 2000);
        if (i % 6 == 3) {
            EXPECT_EQ(s.mode(), SequencerMode::Stopped);
        }
        if (i % 6 == 1) {
            EXPECT_EQ(s.mode(), SequencerMode::Paused);
        }
        std::this_thread::sleep_for(1ms);
    }
    s.play(1990);
    EXPECT_TRUE(s.waitUntilStopped(30s));
    EXPECT_EQ(s.positionMs(), 2000);
}

// An output that starts (or not) and is driven by the test itself.
class FakeOutput : public PcmOutput {
  public:
    explicit FakeOutput(bool opens, std::atomic<int>* started) : opens_(opens), started_(started) {}
    bool start(int, PcmPull pull) override {
        if (!opens_) return false;
        ++*started_;
        pull_ = std::move(pull);
        return true;
    }
    void stop() override { pull_ = nullptr; }
    bool audible() const override { return true; }
    PcmPull pull_;

  private:
    bool opens_;
    std::atomic<int>* started_;
};

TEST(Sequencer, anOutputThatOpens_isPulledForSound) {
    std::atomic<int> started{0};
    FakeOutput* made = nullptr;
    SequencerOptions o;
    o.sampleRate = kRate;
    o.makeOutput = [&]() {
        auto out = std::make_unique<FakeOutput>(true, &started);
        made = out.get();
        return out;
    };
    Sequencer s(o);
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play(500);
    ASSERT_EQ(started.load(), 1);
    ASSERT_TRUE(made && made->pull_);
    std::vector<float> pcm(2 * 4800);
    EXPECT_TRUE(made->pull_(pcm.data(), 4800));
    EXPECT_EQ(s.positionMs(), 600);  // only the output's pulls move time
    EXPECT_GT(peak(pcm, 0, pcm.size()), 0.01f);
    s.stop();
}

TEST(Sequencer, anOutputThatFailsToOpen_leavesTheWallClockInCharge) {
    std::atomic<int> started{0};
    SequencerOptions o;
    o.sampleRate = kRate;
    o.makeOutput = [&]() { return std::make_unique<FakeOutput>(false, &started); };
    Sequencer s(o);
    ASSERT_EQ(s.openData(smf(0, 480, {Track().end(96)})), SequencerStatus::Ok);  // 100 ms
    s.play();
    EXPECT_TRUE(s.waitUntilStopped(30s));
    EXPECT_EQ(started.load(), 0);
    EXPECT_EQ(s.positionMs(), 100);
}

}  // namespace
}  // namespace stillmar::mci::midi
