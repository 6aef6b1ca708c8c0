#pragma once
// The presenter thread: paces the decoded frames on the playback clock, drops late ones, ends
// a range, and hands pictures to the surface (video_output.h). It shows a seek's or a step's
// target and starts the clock from it when it plays; the caller's commands wait for that.
//
// Threads and locks: start() and join() from the engine's caller as the engine starts and
// stops its threads; the thread ends once the play state is stopping (and the frame queue
// aborted). The thread takes the play state's lock (play_state.h) to read the state and move it
// on; under it, the clock's and the frame queue's locks and the audio device's (pauseDevice()
// and resumeDevice(), see audio_stage.h). It hands pictures to video_ with the play state's
// lock released. source_ and info_ are set by start() before the thread runs.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/mci/engine/audio_stage.h"
#include "platform/mci/engine/bounded_queue.h"
#include "platform/mci/engine/decode_stage.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/play_state.h"
#include "platform/mci/engine/video_output.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

class Presenter {
  public:
    Presenter(PlayState& play, BoundedQueue<FrameItem>& frames, VideoOutput& video,
              AudioStage& audio)
        : play_(play), frames_(frames), video_(video), audio_(audio) {}
    ~Presenter() { join(); }
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // Starts the thread on the frames of `source` (described by `info`).
    void start(MediaSource& source, const MediaInfo& info);
    // Waits for the thread, which ends once the play state is stopping.
    void join();

  private:
    // How long the thread waits at most before it looks at its state again.
    static constexpr std::chrono::milliseconds kTick{10};

    void loop();
    bool handleItem(FrameItem& item);  // false: keep the item and come back to it
    void showTarget(FrameItem& item, std::unique_lock<std::mutex>& lock);
    bool showFrame(FrameItem& item, std::unique_lock<std::mutex>& lock);
    bool reachEnd(FrameItem& item, std::unique_lock<std::mutex>& lock);
    void waitState(std::unique_lock<std::mutex>& lock, int64_t ms);
    void finish(uint32_t serial, int64_t atMs);

    PlayState& play_;
    BoundedQueue<FrameItem>& frames_;
    VideoOutput& video_;
    AudioStage& audio_;
    MediaSource* source_ = nullptr;  // set by start()
    MediaInfo info_;

    std::thread thread_;
};

}  // namespace stillmar::mci::engine
