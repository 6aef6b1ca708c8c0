#pragma once
// The engine's decode thread: it takes the caller's commands (a seek, a play, a step, a halt)
// one at a time from a mailbox, runs them on the source and queues what the presenter shows: a
// command's target frame, then for a play the frames that follow it and the end. A newer
// command replaces one not yet taken, and stops playback decoding or a long step before its
// next packet (a seek runs to its end).
// Between commands it keeps the frames just gone through for the next steps, and decodes a
// capture run's next seek ahead while the device stands still.
//
// Threads and locks:
//
//   The engine's caller: start(), stop(), join() and release() as the engine starts and stops
//   its threads (release() while none runs); post() under the engine's lock, from whichever
//   thread gives the command.
//
//   mutex_ (+ cv_): pending_, quit_. interrupt_ is written under it and read without it (by
//   the steps, the playback decoding and the source's interrupt check). Nothing is locked
//   under mutex_.
//
//   the decode thread only: steps_ (release() empties it after the join), source_'s decoding
//   side, info_ (copied by start() before the thread runs).
//
//   their own locks: frames (the queue to the presenter) and the audio stage's calls made here
//   (audio_stage.h says which are the decode thread's).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/mci/engine/audio_stage.h"
#include "platform/mci/engine/bounded_queue.h"
#include "platform/mci/engine/frame_store.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

// What the decode thread hands the presenter, tagged with the serial of the command it is for.
struct FrameItem {
    enum Kind { Target, Frame, End } kind = Frame;
    uint32_t serial = 0;
    FramePtr frame;
    int64_t ptsMs = 0;
    int64_t positionMs = -1;  // a step's target: where the device then stands
    // A target: whether a picture could be found for it, and whether it stands for the
    // target time or is the nearest whole picture to it (a damaged stretch).
    bool found = true;
    bool atTarget = true;
};

class DecodeStage {
  public:
    struct Command {
        int64_t ms = 0;
        uint32_t serial = 0;
        bool play = false;
        bool reseek = false;
        bool halt = false;
        // A step by `frames` from `from`, the frame shown when it was asked.
        bool step = false;
        int64_t frames = 0;
        std::shared_ptr<AVFrame> from = nullptr;

        // Show the frame at `ms` and stop there.
        static Command seekTo(int64_t ms, uint32_t serial) { return {ms, serial}; }
        // Play from `ms`; `reseek` goes back to the keyframe so that the sound around the start
        // is read again.
        static Command playFrom(int64_t ms, uint32_t serial, bool reseek) {
            return {ms, serial, true, reseek};
        }
        // Stop decoding for playback.
        static Command haltPlayback(uint32_t serial) { return {0, serial, false, false, true}; }
        // Step `frames` frames from `shown` (at `ms`), back when negative.
        static Command stepFrom(int64_t ms, uint32_t serial, int64_t frames,
                                std::shared_ptr<AVFrame> shown) {
            return {ms, serial, false, false, false, true, frames, std::move(shown)};
        }
    };

    DecodeStage(BoundedQueue<FrameItem>& frames, AudioStage& audio)
        : frames_(frames), audio_(audio) {}
    ~DecodeStage() {
        stop();
        join();
    }
    DecodeStage(const DecodeStage&) = delete;
    DecodeStage& operator=(const DecodeStage&) = delete;

    // Starts the thread on `source` (whose interrupt flag it raises from now on), with an
    // empty mailbox.
    void start(MediaSource& source, const MediaInfo& info);
    // Asks the thread to end, and stops what it decodes before its next packet.
    void stop();
    void join();
    // While no thread runs, as the file is closed: the frames kept for steps go, and the source
    // is given back without an interrupt flag.
    void release();

    // Hands `cmd` to the thread, replacing one not yet taken, and wakes a thread waiting on a
    // full queue; returns its serial.
    uint32_t post(Command cmd);

  private:
    // How long the thread waits on a full frame queue before it looks at its mailbox again.
    static constexpr std::chrono::milliseconds kTick{10};

    void loop();
    // The command's target: the frame it lands on, after seeking or stepping there.
    FrameItem target(const Command& cmd);
    FrameItem seekTarget(const Command& cmd);
    bool pumpOne(uint32_t serial);
    void decodeAhead();
    void holdBeforePlayback();
    void pushFrame(FrameItem item);
    // Whether the thread should leave what it is doing: a command waits, or the end.
    bool called();
    // Frame steps: the frame a step lands on, and the stretch of frames kept for the next
    // steps, begun again by a seek or a play at `frame`.
    const AVFrame* stepVideo(const AVFrame* from, int64_t frames);
    void restartSteps(const AVFrame* frame, bool playing);

    BoundedQueue<FrameItem>& frames_;
    AudioStage& audio_;
    MediaSource* source_ = nullptr;  // set by start(), cleared by release()
    MediaInfo info_;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<Command> pending_;
    bool quit_ = false;
    // Raised with a pending command or the quit: playback decoding stops before its next
    // packet, so that a seek or a close does not wait for a frame nobody will see.
    std::atomic<bool> interrupt_{false};

    FrameStore steps_;
};

}  // namespace stillmar::mci::engine
