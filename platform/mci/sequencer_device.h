#pragma once
// The Sequencer device: command strings on top of the MIDI sequencer.

#include <memory>
#include <span>
#include <string>

#include "platform/mci/midi/midi_engine.h"
#include "platform/mci/midi/time_format.h"
#include "platform/mci/playback_device.h"

namespace stillmar::mci {

class SequencerDevice final : public PlaybackDevice<midi::MidiEngine> {
  public:
    explicit SequencerDevice(std::unique_ptr<midi::MidiEngine> sequencer);
    ~SequencerDevice() override;

    uint32_t execute(std::string_view verb, std::span<const Token> rest,
                     std::string& reply) override;

    // The command table: a row per verb, which is all the service needs to know of a verb.
    static std::span<const CommandRow<SequencerDevice>> commands();

    // (pause, resume, stop, seek and setaudio come from PlaybackDevice.)
    uint32_t play(const Args& args, std::string& reply);
    uint32_t set(const Args& args, std::string& reply);
    uint32_t status(const Args& args, std::string& reply);
    uint32_t capability(const Args& args, std::string& reply);

    // Status items (rows of the status table).
    uint32_t statusLength(std::string& out) const;
    uint32_t statusPosition(std::string& out) const;
    uint32_t statusMode(std::string& out) const;
    uint32_t statusTimeFormat(std::string& out) const;
    uint32_t statusReady(std::string& out) const;
    uint32_t statusStartPosition(std::string& out) const;

  protected:
    // A time given in the current format, clamped into the file; 270 when malformed.
    uint32_t timeArg(const Args& args, std::string_view keyword, int64_t& ms) const override;
    int64_t lengthMs() const override { return engine_->lengthMs(); }

  private:
    midi::TimeFormat format_ = midi::TimeFormat::Milliseconds;
};

}  // namespace stillmar::mci
