#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/mci/midi/device_output.h"
#include "platform/mci/midi/sequencer.h"
#include "tests/midi/smf_builder.h"

namespace stillmar::mci::midi {
namespace {

using namespace std::chrono_literals;

TEST(DeviceOutput, floatToS16_clipsAndRounds) {
    const std::pair<float, int16_t> cases[] = {
        {0.0f, 0},       {1.0f, 32767},        {-1.0f, -32767},
        {2.5f, 32767},   {-7.0f, -32767},      {0.5f, 16384},
        {-0.25f, -8192}, {1.0f / 40000.0f, 1}, {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& [in, expected] : cases) {
        int16_t out = -1;
        floatToS16(&in, &out, 1);
        EXPECT_EQ(out, expected) << in;
    }
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

}  // namespace
}  // namespace stillmar::mci::midi
