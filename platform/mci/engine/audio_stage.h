#pragma once
// The engine's sound. The decode thread hands it the file's sound packets (the sink); its audio
// thread decodes them, resamples to the device's format and queues a short stretch of PCM that
// the device's callback drains, pulling the playback clock onto what has actually been played.
//
// Threads and locks:
//
//   The engine's caller: start(), stop() and join() as the engine starts and stops its
//   threads, release() while none runs; under the engine's lock, openOutput(), activate(),
//   drop(), pauseDevice() and resumeDevice(). The presenter, under the engine's lock:
//   pauseDevice(), resumeDevice(). The decode thread: takePackets(), queuedPackets() and the
//   sink it runs inside the source. From any thread: the volume, active(), takingPackets(),
//   heard(), interrupt().
//
//   pcmMutex_ (+ pcmCv_): pcm_, pcmFrames_. Filled by the audio thread, drained by the
//   callback, emptied by drop().
//
//   packets_ and the clock lock themselves.
//
//   tried_, and making out_: the caller, under the engine's lock. out_ is made before
//   serial_ names a serial, and the audio thread and the callback use it only for a serial they
//   have seen, so they never see it change; release() drops it while no thread runs.
//
//   atomics, read without a lock: active_, serial_, startMs_ (written by the caller, read by
//   the decode and audio threads and the callback); sinkSerial_ (the decode thread, and the
//   sink it runs inside the source); the volume and channels (the caller writes, the callback
//   and the decode thread read); quit_.
//
// Lock order: the device's lock (held around the callback) comes before pcmMutex_ and the
// clock's lock; nothing is locked under pcmMutex_. The callback never takes the engine's lock,
// which the caller may hold while pauseDevice() waits for a running callback to end.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/audio_output.h"
#include "platform/mci/engine/bounded_queue.h"
#include "platform/mci/engine/ff.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/playback_clock.h"

namespace stillmar::mci::engine {

class AudioStage {
  public:
    explicit AudioStage(PlaybackClock& clock) : clock_(clock) {}
    ~AudioStage() {
        stop();
        join();
    }
    AudioStage(const AudioStage&) = delete;
    AudioStage& operator=(const AudioStage&) = delete;

    // Gives the source its sound sink and, when the file has sound, starts the audio thread.
    void start(MediaSource& source, bool hasAudio);
    // Wakes and pauses everything for the end: the audio thread, a decode thread blocked on a
    // full packet queue, the device.
    void stop();
    // After stop() and once the decode thread has ended: joins the audio thread, closes the
    // device and takes the sink back from the source.
    void join();
    // While no thread runs, as the file is closed: the device goes, the next play opens one.
    void release();

    // Opens the device at the file's rate, once per file; false when there is none.
    bool openOutput();
    // Sound for the play of `serial` from `fromMs`, with the device opened; the device starts
    // when resumeDevice() is called.
    void activate(uint32_t serial, int64_t fromMs);
    // No sound plays any more: the device is paused and the queued sound dropped.
    void drop();
    bool active() const { return active_; }
    void pauseDevice();
    // Plays on, when the sound is active.
    void resumeDevice();
    // A new command arrived: a decode thread waiting on a full packet queue returns.
    void interrupt() { packets_.interrupt(); }

    // The decode thread: sound packets read from now on are for `serial` (0: none are taken).
    void takePackets(uint32_t serial) { sinkSerial_ = serial; }
    bool takingPackets() const { return sinkSerial_ != 0; }
    std::size_t queuedPackets() const { return packets_.size(); }

    void setVolume(int32_t left, int32_t right);
    void setChannelsEnabled(bool left, bool right);
    // Whether a channel may be heard (switched on, volume above zero).
    bool heard() const;

  private:
    // How long the audio thread waits for a packet before it looks at its state again.
    static constexpr std::chrono::milliseconds kTick{10};

    struct Packet {
        uint32_t serial = 0;
        PacketPtr packet;
    };
    struct PcmChunk {
        uint32_t serial = 0;
        int64_t ptsMs = 0;
        std::vector<int16_t> samples;
        std::size_t offsetFrames = 0;
    };
    struct Resampling {
        ResamplerPtr context;
        int rate = 0, format = -1;
        ChannelLayout layout;
        // Made again when the frames' format changes; false when none can be made.
        bool fit(AVFrame* frame, const audio::AudioOutput::Format& out);
    };

    void audioLoop();
    // A decoded frame as the device's samples, without what lies before the start of
    // playback; empty when nothing of it is left to play.
    PcmChunk toPcm(AVFrame* frame, uint32_t serial, SwrContext* resampler,
                   const audio::AudioOutput::Format& fmt);
    // Waits for room; false when stopping or the serial is no longer played.
    bool queuePcm(PcmChunk chunk, const audio::AudioOutput::Format& fmt);
    void fillAudio(int16_t* out, int frames);
    // Under pcmMutex_: drops the front chunk's late sound, or writes the silence before
    // early sound; true when it did either.
    bool alignToClock(PcmChunk& chunk, int16_t* out, int frames, int& written, int64_t nowMs,
                      int rate, int channels);
    audio::AudioOutput::Format outputFormat() const;

    PlaybackClock& clock_;
    MediaSource* source_ = nullptr;  // set by start(), cleared by release()

    std::unique_ptr<audio::AudioOutput> out_;
    bool tried_ = false;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    BoundedQueue<Packet> packets_{512};

    std::atomic<bool> active_{false};
    std::atomic<uint32_t> serial_{0};
    std::atomic<int64_t> startMs_{0};
    std::atomic<uint32_t> sinkSerial_{0};
    std::atomic<int32_t> volumeLeft_{1000}, volumeRight_{1000};
    std::atomic<bool> leftOn_{true}, rightOn_{true};

    std::mutex pcmMutex_;
    std::condition_variable pcmCv_;
    std::deque<PcmChunk> pcm_;
    std::size_t pcmFrames_ = 0;
};

}  // namespace stillmar::mci::engine
