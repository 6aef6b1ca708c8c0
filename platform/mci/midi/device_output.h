#pragma once
// The sound card for a sequencer: the SDL output of platform/audio, fed the synthesizer's floats as
// 16-bit samples. Use it as SequencerOptions::makeOutput; without a sound card it does not
// start and the sequencer keeps time on the wall clock.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/mci/midi/pcm_output.h"

namespace stillmar::mci::midi {

std::unique_ptr<PcmOutput> createDeviceOutput();

// Clips to -1..1 and rounds to the nearest 16-bit sample.
void floatToS16(const float* in, int16_t* out, size_t samples);

}  // namespace stillmar::mci::midi
