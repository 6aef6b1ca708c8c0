#include "platform/mci/midi/device_output.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/audio/audio_output.h"

namespace stillmar::mci::midi {
namespace {

class DeviceOutput final : public PcmOutput {
  public:
    ~DeviceOutput() override { stop(); }

    bool start(int sampleRate, PcmPull pull) override {
        stop();
        auto fill = [this, pull = std::move(pull)](int16_t* out, int frames) {
            const size_t samples = 2 * size_t(frames);
            if (scratch_.size() < samples) scratch_.resize(samples);
            pull(scratch_.data(), frames);
            floatToS16(scratch_.data(), out, samples);
        };
        if (!out_->open(sampleRate, 2, std::move(fill))) return false;
        out_->setPaused(false);
        return true;
    }

    void stop() override { out_->close(); }
    bool audible() const override { return true; }

  private:
    std::unique_ptr<audio::AudioOutput> out_ = audio::createAudioOutput();
    std::vector<float> scratch_;  // used by the device's thread only
};

}  // namespace

std::unique_ptr<PcmOutput> createDeviceOutput() {
    return std::make_unique<DeviceOutput>();
}

void floatToS16(const float* in, int16_t* out, size_t samples) {
    for (size_t i = 0; i < samples; ++i) {
        const float v = std::isnan(in[i]) ? 0.0f : std::clamp(in[i], -1.0f, 1.0f) * 32767.0f;
        out[i] = int16_t(std::lrint(v));
    }
}

}  // namespace stillmar::mci::midi
