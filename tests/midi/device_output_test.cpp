#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/mci/midi/device_output.h"
#include "platform/mci/midi/sequencer.h"
#include "tests/midi/smf_builder.h"
#include "tests/support/fixtures.h"

#include <fstream>

namespace stillmar::mci::midi {
namespace {

using namespace std::chrono_literals;

TEST(DeviceOutput, floatToS16_clipsAndRounds) {
    const float in[] = {0.0f,
                        1.0f,
                        -1.0f,
                        2.5f,
                        -7.0f,
                        0.5f,
                        -0.25f,
                        1.0f / 40000.0f,
                        std::numeric_limits<float>::quiet_NaN()};
    int16_t out[std::size(in)];
    floatToS16(in, out, std::size(in));
    const int16_t expected[] = {0, 32767, -32767, 32767, -32767, 16384, -8192, 1, 0};
    for (size_t i = 0; i < std::size(in); ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

// SDL's dummy driver consumes sound at the real rate without a sound card, so the sequencer
// runs on the device path: the SDL thread pulls it and the position follows the pulled frames.
// Records whether the device really started, so a silent fall-back cannot pass for it.
class Watched final : public PcmOutput {
  public:
    explicit Watched(int* starts) : starts_(starts) {}
    bool start(int rate, PcmPull pull) override {
        bool ok = inner_->start(rate, std::move(pull));
        *starts_ += ok;
        return ok;
    }
    void stop() override { inner_->stop(); }
    bool audible() const override { return inner_->audible(); }

  private:
    std::unique_ptr<PcmOutput> inner_ = createDeviceOutput();
    int* starts_;
};

TEST(DeviceOutput, sequencerOnTheSdlDevice_playsToTheEnd) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    int starts = 0;
    SequencerOptions o;
    o.makeOutput = [&starts] { return std::make_unique<Watched>(&starts); };
    Sequencer s(o);
    test::Track t;
    t.noteOn(0, 0, 60).noteOff(240, 0, 60).end(48);  // 300 ms
    ASSERT_EQ(s.openData(test::smf(0, 480, {t})), SequencerStatus::Ok);
    s.play();
    EXPECT_TRUE(s.waitUntilStopped(30s));
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
    EXPECT_EQ(s.positionMs(), 300);
    EXPECT_EQ(starts, 1);
    s.play(0);
    s.stop();  // closing the device while its thread may be pulling
    EXPECT_EQ(s.mode(), SequencerMode::Stopped);
}

TEST(DeviceOutput, createMidiEngine_opensAFileAndPlaysItThrough) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string path = stillmar::test::makeTempDir("midi_engine") + "/tune.mid";
    test::Track t;
    t.noteOn(0, 0, 72).noteOff(96, 0, 72).end();  // 100 ms at 480 per quarter
    const test::Bytes bytes = test::smf(0, 480, {t});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::unique_ptr<MidiEngine> engine = createMidiEngine();
    EXPECT_EQ(engine->open(path + ".missing"), SequencerStatus::FileNotFound);
    ASSERT_EQ(engine->open(path), SequencerStatus::Ok);
    EXPECT_EQ(engine->lengthMs(), 100);
    engine->play(-1, -1);
    EXPECT_TRUE(engine->waitUntilStopped(30s));
    EXPECT_EQ(engine->positionMs(), 100);
}

}  // namespace
}  // namespace stillmar::mci::midi
