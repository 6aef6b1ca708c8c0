#pragma once
// The MediaEngine on FFmpeg. Threads: the caller's (commands), a decode thread (demuxing and
// video decoding, which itself runs on the decoder's frame threads), an audio decode thread,
// a presenter (timing, scaling, colour conversion, surface->present) and SDL's audio callback.
// Every seek or play starts a new serial; queued packets and frames of older serials are
// dropped, and a burst of seeks is coalesced into the latest.
//
// The engine composes its stages and keeps only what they share:
//   transport.cpp        the commands of the caller's thread and the modes they move through;
//   DecodeStage          (decode_stage.h) the decode thread: its mailbox of commands, the
//                        seeks, steps and playback decoding (the file itself is read and
//                        decoded by the MediaSource, media_source.h);
//   presenter.cpp        the presenter thread's timing, on the engine's shared state;
//   VideoOutput          (video_output.h) the pictures handed to the surface;
//   AudioStage           (audio_stage.h) the sound: its thread, queues, device and callback;
//   ffmpeg_engine.cpp    opening, starting and stopping the threads, captures.
// The stage classes own their state and their lock, and never take the engine's. What stays
// here is shared: the transport state under mutex_ (the caller's commands write it, the
// presenter reads and moves it on), the frame queue between the decode stage and the
// presenter, the clock, and the open file.
//
// Threads and locks. The commands and the readers (mode, position, info, speed) may come from
// several threads at once; open() and the destructor must not overlap any other call. Who
// touches what, and what guards it:
//
//   nothing (set while no engine thread runs: by open() before startThreads(), by close()
//   after stopThreads()): source_, key_, info_. Every thread reads source_ and info_ while they
//   run; close() clears info_ under mutex_ for info().
//   The source's decoding side belongs to the decode thread (see media_source.h).
//
//   mutex_ (+ stateCv_, which every change below notifies): mode_, posMs_, toMs_, serial_,
//   presentedSerial_, pipeline_, playStartMs_, shown_, shownPtsMs_, targetFound_,
//   targetAtTarget_, speed_, the commands posted to decode_ (so that they reach it in the
//   order of their serials), and the calls on clock_ and audio_ made by the caller and the
//   presenter (audio_stage.h says which). stopping_ is written under it too, so that a wait on
//   stateCv_ sees a close. Taken by the caller (every command) and the presenter; never by the
//   decode thread, the audio thread or the sound callback.
//
//   their own locks: frames_, clock_, decode_ (its mailbox; the rest is its thread's, see
//   decode_stage.h), video_ (its surface), audio_ (its PCM queue; its other state is atomic
//   or the caller's, see audio_stage.h).
//
// Lock order: mutex_ first. Under it the caller may take decode_'s mailbox lock (post, which
// then wakes the frame queue and the sound packets' queue), and the caller and the presenter
// video_'s lock (refresh, and the presenter's pictures, given outside mutex_ too), audio_'s
// PCM lock (a drop), the queues' and the clock's locks, and the audio device's lock (pausing
// the device waits for a running callback). video_'s lock comes before the source's image
// lock, the converters' locks and the surface's own. The device's lock (held around the
// callback) comes before audio_'s PCM lock and the clock's lock. decode_'s mailbox lock, the
// PCM lock, the queues' and the clock's locks are taken last: nothing is locked under them.
// Neither the decode thread nor the callback ever takes mutex_: the caller may hold it while
// a seek waits for the decode thread's frame, or while it waits for the callback to end.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/mci/engine/audio_stage.h"
#include "platform/mci/engine/bounded_queue.h"
#include "platform/mci/engine/decode_stage.h"
#include "platform/mci/engine/engine_modes.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/playback_clock.h"
#include "platform/mci/engine/video_output.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

class FfmpegEngine final : public MediaEngine {
  public:
    FfmpegEngine();
    ~FfmpegEngine() override;

    EngineStatus open(const std::string& path) override;
    MediaInfo info() const override;
    void setSurface(VideoSurface* surface) override;
    void refresh() override;
    EngineMode mode() const override;
    int64_t positionMs() const override;
    EngineStatus seek(int64_t ms) override;
    void step(int64_t frames) override;
    void play(int64_t fromMs, int64_t toMs) override;
    bool waitUntilStopped(std::chrono::milliseconds timeout) override;
    void pause() override;
    void resume() override;
    void stop() override;
    void setSpeed(int32_t permille) override;
    int32_t speed() const override;
    void setVolume(int32_t left, int32_t right) override;
    void setChannelsEnabled(bool left, bool right) override;
    EngineStatus captureFrame(const std::string& bmpPath) override;

  private:
    // How long an engine thread waits at most before it looks at its state again.
    static constexpr std::chrono::milliseconds kTick{10};

    using Command = DecodeStage::Command;

    void close();
    void startThreads();
    void stopThreads();
    int64_t endMsLocked() const;
    int64_t positionLocked() const;
    const ModeRules& rules() const { return rulesOf(mode_); }  // under mutex_
    void startPipeline(int64_t fromMs);                        // under mutex_
    void haltLocked();

    void presentLoop();
    bool handleItem(FrameItem& item);  // false: keep the item and come back to it
    void showTarget(FrameItem& item, std::unique_lock<std::mutex>& lock);
    bool showFrame(FrameItem& item, std::unique_lock<std::mutex>& lock);
    bool reachEnd(FrameItem& item, std::unique_lock<std::mutex>& lock);
    void waitState(std::unique_lock<std::mutex>& lock, int64_t ms);
    void finish(uint32_t serial, int64_t atMs);

    // Set by open/close on the caller's thread while no engine thread runs.
    std::unique_ptr<MediaSource> source_;
    std::string key_;
    MediaInfo info_;

    mutable std::mutex mutex_;
    std::condition_variable stateCv_;
    EngineMode mode_ = EngineMode::Stopped;
    int64_t posMs_ = 0;
    int64_t toMs_ = -1;
    uint32_t serial_ = 0;           // the current seek generation
    uint32_t presentedSerial_ = 0;  // the last generation whose target frame is shown
    bool pipeline_ = false;         // frames of the current serial are on their way
    int64_t playStartMs_ = 0;
    FramePtr shown_;
    int64_t shownPtsMs_ = 0;
    bool targetFound_ = true;  // of the last target presented (FrameItem)
    bool targetAtTarget_ = true;
    PlaybackClock clock_;
    int32_t speed_ = kNormalSpeed;

    VideoOutput video_;

    BoundedQueue<FrameItem> frames_{4};
    std::thread presentThread_;

    std::atomic<bool> stopping_{false};
    AudioStage audio_{clock_};
    DecodeStage decode_{frames_, audio_};
};

}  // namespace stillmar::mci::engine
