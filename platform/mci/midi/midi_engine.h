#pragma once
// The engine behind the Sequencer device, as the device sees it: one opened MIDI file and its
// transport. The device (command strings, time formats, aliases) lives above this interface.
// All calls come from the command thread; playing runs on the engine's own threads.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace stillmar::mci::midi {

enum class SequencerStatus {
    Ok,
    FileNotFound,  // 275
    Unsupported,   // not a MIDI file, corrupt or truncated (296)
    Io,            // unreadable (348)
};

enum class SequencerMode { Stopped, Playing, Paused };

class MidiEngine {
  public:
    virtual ~MidiEngine() = default;

    // Replaces whatever was open. On failure nothing stays open. A song longer than a 32-bit
    // count of milliseconds (about 49 days) is refused as Unsupported.
    virtual SequencerStatus open(const std::string& path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Length from the file's own tempo map; position in 0..length.
    virtual int64_t lengthMs() const = 0;
    virtual int64_t positionMs() const = 0;
    virtual SequencerMode mode() const = 0;

    // Plays from `fromMs` (the current position when < 0) up to `toMs` (the length when < 0),
    // both clamped into 0..length. Returns at once. Reaching the end: Stopped, positioned there.
    // An end at or before the start plays nothing and stops at the start.
    virtual void play(int64_t fromMs, int64_t toMs) = 0;
    // Playing -> Paused; Stopped -> Paused (cued where it stands).
    virtual void pause() = 0;
    // Paused -> Playing toward the same end; otherwise nothing.
    virtual void resume() = 0;
    // Stops without rewinding.
    virtual void stop() = 0;
    // Stops and positions at `ms`, clamped into 0..length.
    virtual void seek(int64_t ms) = 0;
    // Until the mode is no longer Playing; false on timeout.
    virtual bool waitUntilStopped(std::chrono::milliseconds timeout) = 0;

    virtual void setVolume(int32_t left, int32_t right) = 0;  // 0..1000 each
    virtual void setChannelsEnabled(bool left, bool right) = 0;
};

// FluidSynth with the General MIDI soundfont, heard through the sound card; on the wall clock
// (silent, keeping time) when no sound device opens or the soundfont is missing.
std::unique_ptr<MidiEngine> createMidiEngine();

}  // namespace stillmar::mci::midi
