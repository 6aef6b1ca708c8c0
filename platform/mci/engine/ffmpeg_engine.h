#pragma once
// The MediaEngine on FFmpeg. Threads: the caller's (commands), a decode thread (demuxing and
// video decoding, which itself runs on the decoder's frame threads), an audio decode thread,
// a presenter (timing, scaling, colour conversion, surface->present) and SDL's audio callback.
// Every seek or play starts a new serial; queued packets and frames of older serials are
// dropped, and a burst of seeks is coalesced into the latest.
//
// The engine composes its stages and keeps only what they share:
//   transport.cpp        the commands of the caller's thread and the modes they move through;
//   PlayState            (play_state.h) where the device stands: the mode, position, range,
//                        serials, the frame shown and the clock, under one lock, written by
//                        the transport and moved on by the presenter;
//   DecodeStage          (decode_stage.h) the decode thread: its mailbox of commands, the
//                        seeks, steps and playback decoding (the file itself is read and
//                        decoded by the MediaSource, media_source.h);
//   Presenter            (presenter.h) the presenter thread: frames paced on the clock, the
//                        targets shown, the end of a range;
//   VideoOutput          (video_output.h) the pictures handed to the surface;
//   AudioStage           (audio_stage.h) the sound: its thread, queues, device and callback;
//   ffmpeg_engine.cpp    opening, starting and stopping the threads, captures.
// The stage classes own their state and their lock, and never take another stage's own lock
// except as the order below says. What stays here is shared: the play state, the frame queue
// between the decode stage and the presenter, and the open file.
//
// Threads and locks. The commands and the readers (mode, position, info, speed) may come from
// several threads at once; open() and the destructor must not overlap any other call. Who
// touches what, and what guards it:
//
//   nothing (set while no engine thread runs: by open() before startThreads(), by close()
//   after stopThreads()): source_, key_, info_. Every thread reads source_ and info_ (the
//   stages copy info_ as they start) while they run; close() clears info_ under play_.mutex
//   for info().
//   The source's decoding side belongs to the decode thread (see media_source.h).
//
//   play_.mutex (+ play_.cv, which every change notifies): every member of play_ (stopping is
//   written under it too, so that a wait on play_.cv sees a close), the commands posted to
//   decode_ (so that they reach it in the order of their serials), and the calls on the clock
//   and audio_ made by the caller and the presenter (audio_stage.h says which). Taken by the
//   caller (every command) and the presenter thread; never by the decode thread, the audio
//   thread or the sound callback.
//
//   their own locks: frames_, the clock, decode_ (its mailbox; the rest is its thread's, see
//   decode_stage.h), video_ (its surface), audio_ (its PCM queue; its other state is atomic
//   or the caller's, see audio_stage.h). presenter_ has no lock: its thread is its own.
//
// Lock order: play_.mutex first. Under it the caller may take decode_'s mailbox lock (post,
// which then wakes the frame queue and the sound packets' queue), and the caller and the
// presenter video_'s lock (refresh, and the presenter's pictures, given outside play_.mutex
// too), audio_'s PCM lock (a drop), the queues' and the clock's locks, and the audio device's
// lock (pausing the device waits for a running callback). video_'s lock comes before the
// source's image lock, the converters' locks and the surface's own. The device's lock (held
// around the callback) comes before audio_'s PCM lock and the clock's lock. decode_'s mailbox
// lock, the PCM lock, the queues' and the clock's locks are taken last: nothing is locked
// under them. Neither the decode thread nor the callback ever takes play_.mutex: the caller
// may hold it while a seek waits for the decode thread's frame, or while it waits for the
// callback to end.

#include <chrono>
#include <memory>
#include <string>

#include "platform/mci/engine/audio_stage.h"
#include "platform/mci/engine/bounded_queue.h"
#include "platform/mci/engine/decode_stage.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/play_state.h"
#include "platform/mci/engine/presenter.h"
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
    using Command = DecodeStage::Command;

    void close();
    void startThreads();
    void stopThreads();
    void startPipeline(int64_t fromMs);  // under play_.mutex
    void haltLocked();

    // Set by open/close on the caller's thread while no engine thread runs.
    std::unique_ptr<MediaSource> source_;
    std::string key_;
    MediaInfo info_;

    PlayState play_;
    VideoOutput video_;
    BoundedQueue<FrameItem> frames_{4};
    AudioStage audio_{play_.clock};
    DecodeStage decode_{frames_, audio_};
    Presenter presenter_{play_, frames_, video_, audio_};
};

}  // namespace stillmar::mci::engine
