#pragma once
// Sound out: one SDL audio device in the callback model. The owner supplies a fill function
// that the device's own thread calls for every buffer; a device that plays MIDI can use the
// same class with a synthesiser as its fill function.
//
// With no sound card open() fails and the caller runs on a wall clock instead.

#include <cstdint>
#include <functional>
#include <memory>

namespace stillmar::audio {

class AudioOutput {
  public:
    // Interleaved signed 16-bit samples, `frames` frames of `channels` samples each.
    using Fill = std::function<void(int16_t* out, int frames)>;

    struct Format {
        int rate = 0;
        int channels = 0;
        int bufferFrames = 0;  // frames per callback, the latency of the device's own buffer
    };

    virtual ~AudioOutput() = default;
    // Opens the device paused; false when no device can be opened.
    virtual bool open(int rate, int channels, Fill fill) = 0;
    virtual Format format() const = 0;
    virtual void setPaused(bool paused) = 0;
    // Returns only when no fill call is running and none will start until open() again.
    virtual void close() = 0;
};

std::unique_ptr<AudioOutput> createAudioOutput();

// A closed output's device is kept open a few seconds for the next open of its format. This
// closes a kept device now, so that the next open goes through the driver again.
void releaseKeptDevice();

// Closes a kept device and ends the thread that keeps it, so that no thread of this layer
// outlives main(): the service calls it when it is destroyed or shut down. Outputs opened
// later work as before.
void shutdownAudio();

}  // namespace stillmar::audio
