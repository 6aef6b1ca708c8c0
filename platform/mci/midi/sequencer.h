#pragma once
// The engine behind the Sequencer device: one opened MIDI file, played through a synthesizer.
//
// Time is kept by the sound that is pulled: an output (a sound device) calls render() for the
// next frames and the position moves by exactly those frames. When no device opens the wall
// clock pulls instead, passing no buffer, so position, end of file and every status stay right
// without a sound card. Control calls come from the command thread; render() comes from the
// output's thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/mci/midi/midi_engine.h"
#include "platform/mci/midi/pcm_output.h"
#include "platform/mci/midi/smf.h"
#include "platform/mci/midi/synth.h"
#include "platform/mci/midi/tempo_map.h"
#include "platform/mci/midi/timeline.h"

namespace stillmar::mci::midi {

struct SequencerOptions {
    std::string soundFontPath = midi::soundFontPath();
    int sampleRate = 44100;
    // Makes the sound output for one playing stretch; null, or an output that does not
    // start, leaves the wall clock in charge.
    std::function<std::unique_ptr<PcmOutput>()> makeOutput;
    // Nobody is started to pull: the owner calls render() itself (a mixer of its own).
    bool externalClock = false;
};

class Sequencer final : public MidiEngine {
  public:
    explicit Sequencer(SequencerOptions options = {});
    ~Sequencer() override;
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    SequencerStatus open(const std::string& path) override;
    SequencerStatus openData(std::vector<uint8_t> bytes);
    void close() override;
    bool isOpen() const override;

    int64_t lengthMs() const override;
    int64_t positionMs() const override;
    SequencerMode mode() const override;

    void play(int64_t fromMs = -1, int64_t toMs = -1) override;
    void pause() override;
    void resume() override;
    void stop() override;
    void seek(int64_t ms) override;
    bool waitUntilStopped(std::chrono::milliseconds timeout) override;

    void setVolume(int32_t left, int32_t right) override;
    void setChannelsEnabled(bool left, bool right) override;

    // Produces the next `frames` stereo frames into `stereo` (silence when not playing) and
    // advances the position by them. A null buffer advances without synthesis. Returns whether
    // it is still playing.
    bool render(float* stereo, int frames);

  private:
    struct Loaded;
    SequencerStatus adopt(SmfResult parsed);
    void stopDriver();
    void startDriver();
    // Under stateMutex_.
    int64_t positionUsLocked() const;
    void rebaseLocked(int64_t us);
    void chaseLocked();
    void dispatchLocked(const TimedEvent& e);
    int64_t framesUntilLocked(int64_t timeUs) const;
    void finishLocked();
    void updateGainsLocked();

    SequencerOptions options_;
    std::mutex controlMutex_;  // serialises control calls; taken before stateMutex_
    mutable std::mutex stateMutex_;
    std::condition_variable modeChanged_;

    std::unique_ptr<PcmOutput> driver_;

    // Guarded by stateMutex_.
    std::shared_ptr<const Loaded> loaded_;
    SequencerMode mode_ = SequencerMode::Stopped;
    int64_t baseUs_ = 0;  // where the frame count starts
    int64_t framesSinceBase_ = 0;
    int64_t endUs_ = 0;     // where the current play stops
    size_t cursor_ = 0;     // next timeline event
    bool audible_ = false;  // events go to the synthesizer
    std::unique_ptr<Synth> synth_;
    float gainLeft_ = 1.0f;
    float gainRight_ = 1.0f;
    int32_t volumeLeft_ = 1000;
    int32_t volumeRight_ = 1000;
    bool leftOn_ = true;
    bool rightOn_ = true;
};

}  // namespace stillmar::mci::midi
