#pragma once
// A General MIDI synthesizer on FluidSynth, rendering interleaved stereo floats on demand.
//
// The soundfont file is read once per process and every synthesizer loads it from that
// memory copy, so opening a device again costs no disk access.

#include <cstdint>
#include <memory>
#include <string>

namespace stillmar::mci::midi {

inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// STILLMAR_SOUNDFONT when set and not empty (another General MIDI soundfont), else the default.
std::string soundFontPath();

class Synth {
  public:
    // Silent (hasSound() false, render() writes zeros) when the soundfont cannot be loaded.
    Synth(const std::string& soundFontPath, int sampleRate);
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    bool hasSound() const { return sfont_ >= 0; }

    // A channel message (status 0x80..0xEF) or a system-exclusive message (the bytes between
    // F0 and F7; a trailing F7 is allowed).
    void channelMessage(uint8_t status, uint8_t data1, uint8_t data2);
    void sysEx(const uint8_t* data, uint32_t length);

    void reset();        // programs, controllers and voices back to power-on
    void allNotesOff();  // every sounding note released

    void render(float* stereo, int frames);

  private:
    struct Handles;
    std::unique_ptr<Handles> h_;
    int sfont_ = -1;
};

// True when the soundfont at `path` can be read (the result is cached for the process).
bool soundFontAvailable(const std::string& path);

}  // namespace stillmar::mci::midi
