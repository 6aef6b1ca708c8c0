#pragma once
// The Sequencer device: command strings on top of the MIDI sequencer.

#include <memory>
#include <span>
#include <string>

#include "platform/mci/device.h"
#include "platform/mci/midi/midi_engine.h"
#include "platform/mci/midi/time_format.h"

namespace stillmar::mci {

class SequencerDevice final : public Device {
  public:
    explicit SequencerDevice(std::unique_ptr<midi::MidiEngine> sequencer);
    ~SequencerDevice() override;

    uint32_t execute(std::string_view verb, std::span<const Token> rest,
                     std::string& reply) override;

    uint32_t play(const Args& args, std::string& reply);
    uint32_t pause(const Args& args, std::string& reply);
    uint32_t resume(const Args& args, std::string& reply);
    uint32_t stop(const Args& args, std::string& reply);
    uint32_t seek(const Args& args, std::string& reply);
    uint32_t set(const Args& args, std::string& reply);
    uint32_t setaudio(const Args& args, std::string& reply);
    uint32_t status(const Args& args, std::string& reply);
    uint32_t capability(const Args& args, std::string& reply);

  private:
    // A time given in the current format, clamped into the file; nothing when malformed.
    std::optional<int64_t> timeArg(const Args& args, std::string_view keyword) const;

    std::unique_ptr<midi::MidiEngine> sequencer_;
    midi::TimeFormat format_ = midi::TimeFormat::Milliseconds;
    bool leftOn_ = true;
    bool rightOn_ = true;
    int32_t leftVolume_ = 1000;
    int32_t rightVolume_ = 1000;
};

}  // namespace stillmar::mci
