#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "platform/mci/midi/sequencer.h"
#include "tests/midi/smf_builder.h"

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

// The test is the sound card: it pulls frames itself.
SequencerOptions manual(std::string soundFont = kDefaultSoundFont) {
    SequencerOptions o;
    o.sampleRate = kRate;
    o.externalClock = true;
    o.soundFontPath = std::move(soundFont);
    return o;
}

std::vector<float> pull(Sequencer& s, int64_t ms, int block = 512) {
    const int64_t frames = ms * kRate / 1000;
    std::vector<float> out(size_t(2 * frames));
    for (int64_t at = 0; at < frames; at += block)
        s.render(out.data() + 2 * at, int(std::min<int64_t>(block, frames - at)));
    return out;
}

void skip(Sequencer& s, int64_t ms) {
    s.render(nullptr, int(ms * kRate / 1000));
}

// Loudest sample between two times (ms) of a pulled stretch; channel -1 for both.
float peak(const std::vector<float>& pcm, int64_t fromMs, int64_t toMs, int channel = -1) {
    float m = 0;
    const size_t end = std::min(pcm.size(), size_t(2 * toMs * kRate / 1000));
    for (size_t i = size_t(2 * fromMs * kRate / 1000); i < end; ++i)
        if (channel < 0 || int(i % 2) == channel) m = std::max(m, std::fabs(pcm[i]));
    return m;
}

TEST(Sequencer, open_reportsMissingCorruptAndGoodFiles) {
    Sequencer s(manual());
    EXPECT_EQ(s.open("/nonexistent/song.mid"), SequencerStatus::FileNotFound);
    EXPECT_EQ(s.openData(std::vector<uint8_t>(4096, 0x5A)), SequencerStatus::Unsupported);
    // Valid, but longer than a 32-bit count of milliseconds (slowest tempo, longest deltas).
    Track endless;
    endless.tempo(0, 0xFFFFFF).raw(0x0FFFFFFF, {0xC0, 0x01}).end(0x0FFFFFFF);
    EXPECT_EQ(s.openData(smf(0, 1, {endless})), SequencerStatus::Unsupported);
    EXPECT_FALSE(s.isOpen());
    s.play();  // nothing open: nothing happens
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    EXPECT_EQ(s.lengthMs(), 2000);
    EXPECT_EQ(s.positionMs(), 0);
}

TEST(Sequencer, playing_movesByThePulledFrames_andStopsAtItsEnd) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    EXPECT_EQ(s.mode(), SequencerMode::Playing);
    pull(s, 750);
    skip(s, 1000);
    EXPECT_EQ(s.positionMs(), 1750);
    std::vector<float> rest(2 * kRate, 1.0f);
    EXPECT_FALSE(s.render(rest.data(), kRate));
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 2000);
    EXPECT_TRUE(s.waitUntilStopped(0ms));
    EXPECT_EQ(peak(rest, 260, 1000), 0.0f);  // past the end only silence
    s.play();                                // from the end: nothing to play
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);

    s.play(300, 800);
    skip(s, 1000);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 800);
    s.play(1500, 1000);  // an end before the start plays nothing
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 1500);
}

TEST(Sequencer, pauseResumeSeekStop_keepPositionAndEnd) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play(0, 1200);
    skip(s, 500);
    s.pause();
    EXPECT_EQ(s.mode(), SequencerMode::Paused);
    skip(s, 1000);  // paused: time stands still
    EXPECT_EQ(s.positionMs(), 500);
    s.resume();
    EXPECT_EQ(s.mode(), SequencerMode::Playing);
    skip(s, 1000);
    EXPECT_EQ(s.positionMs(), 1200);  // play's end still holds after resume
    s.resume();                       // not paused: nothing
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);

    s.seek(1900);
    s.pause();  // from stopped: cued where it stands
    EXPECT_EQ(s.mode(), SequencerMode::Paused);
    s.resume();
    skip(s, 1000);
    EXPECT_EQ(s.positionMs(), 2000);

    s.play(100);
    skip(s, 200);
    s.seek(1234);
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    skip(s, 100);
    EXPECT_EQ(s.positionMs(), 1234);
    s.seek(-50);
    EXPECT_EQ(s.positionMs(), 0);
    s.seek(1'000'000);
    EXPECT_EQ(s.positionMs(), 2000);
    s.play(100);
    skip(s, 200);
    s.stop();  // without rewinding
    EXPECT_EQ(s.positionMs(), 300);
    s.close();
    EXPECT_FALSE(s.isOpen());
}

TEST(Sequencer, notesSound_fromTheirTimeOn_atTheSetVolume) {
    Sequencer s(manual());
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    std::vector<float> pcm = pull(s, 1000, 441);  // blocks that do not fall on the note
    EXPECT_LT(peak(pcm, 0, 500), 1e-5f);
    EXPECT_GT(peak(pcm, 500, 503), 1e-4f);  // not a block later
    EXPECT_GT(peak(pcm, 500, 600), 0.01f);

    s.setChannelsEnabled(false, true);
    s.play(500);
    pcm = pull(s, 200);
    EXPECT_EQ(peak(pcm, 0, 200, 0), 0.0f);
    EXPECT_GT(peak(pcm, 0, 200, 1), 0.01f);
    s.setChannelsEnabled(true, true);
    s.setVolume(0, 0);
    s.play(500);
    EXPECT_EQ(peak(pull(s, 200), 0, 200), 0.0f);
}

TEST(Sequencer, startingMidSong_replaysControllersBeforeIt) {
    // Channel 0 is turned down to nothing before its note; a start after that keeps it so.
    Track t;
    t.raw(0, {0xB0, 0x07, 0x00}).raw(0, {0xB0, 0x0B, 0x00}).noteOn(480, 0, 60, 127).end(960);
    Sequencer s(manual());
    ASSERT_EQ(s.openData(smf(0, 480, {t})), SequencerStatus::Ok);
    s.play(400);
    EXPECT_LT(peak(pull(s, 400), 0, 400), 1e-4f);
}

TEST(Sequencer, missingSoundFont_keepsTimeInSilence) {
    Sequencer s(manual("/nonexistent/none.sf2"));
    ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
    s.play();
    EXPECT_EQ(peak(pull(s, 2100), 0, 2100), 0.0f);
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
    EXPECT_EQ(s.positionMs(), 2000);

    // Control calls while the clock's thread renders: no deadlock, always in range.
    for (int i = 0; i < 120; ++i) {
        const int step = i % 5;
        if (step == 0) s.play(i * 10 % 2000);
        if (step == 1) s.pause();
        if (step == 2) s.resume();
        if (step == 3) s.seek(i * 37 % 2500);
        if (step == 4) s.stop();
        ASSERT_LE(s.positionMs(), 2000);
        if (step == 1) {
            EXPECT_EQ(s.mode(), SequencerMode::Paused);
        }
        std::this_thread::sleep_for(1ms);
    }
    s.pause();
    const int64_t held = s.positionMs();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(s.positionMs(), held);
}

// An output that opens or not; when it opens, the test holds its pull and drives it.
class FakeOutput : public PcmOutput {
  public:
    FakeOutput(bool opens, int* made, PcmPull* pull) : opens_(opens), pull_(pull) { ++*made; }
    bool start(int, PcmPull pull) override {
        if (opens_) *pull_ = std::move(pull);
        return opens_;
    }
    void stop() override {}
    bool audible() const override { return true; }

  private:
    bool opens_;
    PcmPull* pull_;
};

TEST(Sequencer, anOutputThatOpensIsPulled_oneThatFailsLeavesTheWallClock) {
    for (bool opens : {true, false}) {
        int made = 0;
        PcmPull pull;
        SequencerOptions o;
        o.sampleRate = kRate;
        o.makeOutput = [&]() { return std::make_unique<FakeOutput>(opens, &made, &pull); };
        Sequencer s(o);
        ASSERT_EQ(s.openData(twoSecondSong()), SequencerStatus::Ok);
        s.play(opens ? 500 : 1900);
        EXPECT_EQ(made, 1);
        if (!opens) {
            EXPECT_FALSE(pull);
            EXPECT_TRUE(s.waitUntilStopped(30s));
            EXPECT_EQ(s.positionMs(), 2000);
            continue;
        }
        std::vector<float> pcm(2 * 4800);
        ASSERT_TRUE(pull);
        EXPECT_TRUE(pull(pcm.data(), 4800));
        EXPECT_EQ(s.positionMs(), 600);  // only the output's pulls move time
        EXPECT_GT(peak(pcm, 0, 100), 0.01f);
        s.stop();
    }
}

}  // namespace
}  // namespace stillmar::mci::midi
