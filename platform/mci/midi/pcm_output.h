#pragma once
// Where a sequencer's sound goes. An output pulls interleaved stereo floats from its own thread.

#include <functional>

namespace stillmar::mci::midi {

// Fills `stereo` with `frames` frames, or with a null buffer only advances time (nobody
// listens). Returns false once there is nothing more to play.
using PcmPull = std::function<bool(float* stereo, int frames)>;

class PcmOutput {
  public:
    virtual ~PcmOutput() = default;
    // Starts pulling at `sampleRate` (the output converts if its device runs at another rate).
    // False when no device opens; nothing is pulled then.
    virtual bool start(int sampleRate, PcmPull pull) = 0;
    // Returns once no pull runs and none will.
    virtual void stop() = 0;
    // True when the pulls are heard (a buffer is passed); false for a clock that only
    // advances time.
    virtual bool audible() const = 0;
};

}  // namespace stillmar::mci::midi
