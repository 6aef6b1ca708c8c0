#pragma once
// The sequencer's clock when no sound device opens: a thread that advances the position by the
// wall time that has passed, passing no buffer, so playing costs no synthesis.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/mci/midi/pcm_output.h"

namespace stillmar::mci::midi {

class WallClock final : public PcmOutput {
  public:
    ~WallClock() override;
    bool start(int sampleRate, PcmPull pull) override;
    void stop() override;
    bool audible() const override { return false; }

  private:
    void run(int sampleRate, PcmPull pull);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace stillmar::mci::midi
