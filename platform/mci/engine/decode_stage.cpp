// The decode thread: the mailbox it takes commands from, a command's target frame (a seek or a
// step through the frames kept in the FrameStore), the playback frames that follow it, and the
// decode-ahead of a capture run's next seek.
#include "platform/mci/engine/decode_stage.h"

#include <algorithm>

#include "platform/mci/engine/engine_counters.h"

namespace stillmar::mci::engine {
namespace {

constexpr std::size_t kLowPackets = 2;
// While playing, the frames in flight between the decoder and the window and a few shown
// before them: enough for the first steps after a pause, in either direction, to cost nothing.
constexpr std::size_t kPlaybackFrames = 12;

int64_t ticksOf(const AVFrame* f) {
    return f->best_effort_timestamp;
}

int64_t nsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                t0)
        .count();
}

}  // namespace

// ---- the mailbox ---------------------------------------------------------------------------

void DecodeStage::start(MediaSource& source, const MediaInfo& info) {
    source_ = &source;
    info_ = info;
    {
        std::lock_guard lock(mutex_);
        pending_.reset();
        quit_ = false;
        interrupt_ = false;
    }
    source_->setInterrupt(&interrupt_);
    thread_ = std::thread([this] { loop(); });
}

void DecodeStage::stop() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        interrupt_ = true;
    }
    cv_.notify_all();
}

void DecodeStage::join() {
    if (thread_.joinable()) thread_.join();
}

void DecodeStage::release() {
    steps_.clear();
    if (source_) source_->setInterrupt(nullptr);
    source_ = nullptr;
    info_ = {};
}

uint32_t DecodeStage::post(Command cmd) {
    const uint32_t serial = cmd.serial;
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(cmd);  // a newer command replaces one not yet taken
        interrupt_ = true;
    }
    cv_.notify_all();
    frames_.interrupt();
    audio_.interrupt();
    return serial;
}

bool DecodeStage::called() {
    std::lock_guard lock(mutex_);
    return quit_ || pending_;
}

// ---- the thread ----------------------------------------------------------------------------

void DecodeStage::loop() {
    bool pumping = false;
    uint32_t pumpSerial = 0;
    while (true) {
        std::optional<Command> cmd;
        {
            std::unique_lock lock(mutex_);
            if (!pumping) cv_.wait(lock, [&] { return quit_ || pending_; });
            if (quit_) return;
            cmd.swap(pending_);
            interrupt_ = false;
        }
        if (!cmd) {
            pumping = pumpOne(pumpSerial);
            continue;
        }
        pumping = false;
        audio_.takePackets(0);
        if (cmd->halt) continue;
        frames_.clear();
        if (cmd->play && audio_.active()) audio_.takePackets(cmd->serial);
        frames_.push(target(*cmd));
        if (cmd->play) {
            pumping = true;
            pumpSerial = cmd->serial;
            holdBeforePlayback();
        } else if (!cmd->step && info_.hasVideo) {
            decodeAhead();
        }
    }
}

FrameItem DecodeStage::target(const Command& cmd) {
    if (cmd.step) {
        FrameItem item{FrameItem::Target, cmd.serial, nullptr, cmd.ms};
        item.frame = refFrame(stepVideo(cmd.from.get(), cmd.frames));
        if (item.frame) {
            item.ptsMs = source_->framePtsMs(item.frame.get());
            item.positionMs = source_->framePositionMs(item.frame.get());
        }
        return item;
    }
    if (info_.hasVideo) return seekTarget(cmd);
    source_->seekAudio(cmd.ms);
    return FrameItem{FrameItem::Target, cmd.serial, nullptr, cmd.ms};
}

FrameItem DecodeStage::seekTarget(const Command& cmd) {
    const auto t0 = std::chrono::steady_clock::now();
    const int64_t decoded = source_->decodedFrames();
    const AVFrame* f = source_->seekVideo(cmd.ms, cmd.reseek);
    counters::add(counters::seeks, 1);
    counters::add(counters::seekFrames, source_->decodedFrames() - decoded);
    counters::add(counters::seekNs, nsSince(t0));
    FrameItem item{FrameItem::Target, cmd.serial, refFrame(f), cmd.ms};
    item.found = f != nullptr;
    item.atTarget = source_->seekShowsTarget();
    if (f) item.ptsMs = source_->framePtsMs(f);
    restartSteps(f, cmd.play);
    return item;
}

void DecodeStage::decodeAhead() {
    // While the device stands on the frame just sought, this thread has nothing to do: a
    // capture run's next seek is decoded now, while the window saves the frame.
    // Not for a device that is heard: a player plays on from where it stands, and would have
    // to go back to it (the capture run's device has its sound off).
    if (info_.hasAudio && audio_.heard()) return;
    if (called()) return;
    const auto t0 = std::chrono::steady_clock::now();
    const int64_t decoded = source_->decodedFrames();
    if (!source_->decodeAhead()) return;
    counters::add(counters::aheads, 1);
    counters::add(counters::aheadFrames, source_->decodedFrames() - decoded);
    counters::add(counters::aheadNs, nsSince(t0));
}

void DecodeStage::holdBeforePlayback() {
    // A play is often followed at once by another command: the capture run resumes its
    // still-frame device just before it closes it, and a seek may follow a click on "Lecture".
    // Decoding for playback waits a moment for it (half a frame, at most 10 ms: the first
    // frames are still decoded before they are due), rather than start pictures nobody would
    // see and that the close would have to wait for. Not with sound that can be heard: it is
    // read with the pictures, and its first moment would be late (the capture run's device has
    // its sound off).
    if (audio_.takingPackets() && audio_.heard()) return;
    const FrameRate rate = info_.frameRate();
    const int64_t frameUs = rate.known() ? 1000000000 / rate.milliFps : 40000;
    const auto hold = std::chrono::microseconds(std::clamp<int64_t>(frameUs / 2, 0, 10000));
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, hold, [&] { return quit_ || pending_.has_value(); });
}

bool DecodeStage::pumpOne(uint32_t serial) {
    if (info_.hasVideo) {
        const AVFrame* f = source_->nextVideo();
        if (!f) {
            if (!interrupt_) frames_.push(FrameItem{FrameItem::End, serial, nullptr, 0});
            return false;
        }
        steps_.append(f);
        pushFrame(FrameItem{FrameItem::Frame, serial, refFrame(f), source_->framePtsMs(f)});
        return true;
    }
    if (!source_->pumpAudio()) {
        frames_.push(FrameItem{FrameItem::End, serial, nullptr, 0});
        return false;
    }
    return true;
}

void DecodeStage::pushFrame(FrameItem item) {
    // While the pictures wait for the clock, the sound that sets the clock may still be
    // further on in the file: read on (the video packets are kept for the decoder) until the
    // sound has packets again, rather than let it run dry.
    using Push = BoundedQueue<FrameItem>::Push;
    bool readable = true;
    while (true) {
        const Push result = frames_.pushFor(item, kTick);
        if (result != Push::Full || called()) return;
        while (readable && audio_.takingPackets() && audio_.queuedPackets() < kLowPackets)
            readable = source_->readAhead();
    }
}

// ---- frame steps ---------------------------------------------------------------------------

void DecodeStage::restartSteps(const AVFrame* frame, bool playing) {
    steps_.clear();
    steps_.limitFrames(playing ? kPlaybackFrames : 0);
    if (frame) steps_.append(frame);
}

const AVFrame* DecodeStage::stepVideo(const AVFrame* from, int64_t frames) {
    if (!from) return nullptr;
    const auto t0 = std::chrono::steady_clock::now();
    const int64_t decoded = source_->decodedFrames();
    steps_.limitFrames(0);
    int64_t ticks = ticksOf(from);
    if (!steps_.find(ticks)) restartSteps(from, false);
    // A newer command (or a close) stops a long step where it stands.
    for (; frames > 0 && !interrupt_; --frames) {
        if (const AVFrame* next = steps_.after(ticks)) {
            ticks = ticksOf(next);
            continue;
        }
        // The last frame held is the one shown: the decoder goes on from it.
        const AVFrame* next = source_->videoAfter(ticks);
        if (!next) break;  // the last frame (or a newer command)
        steps_.append(next);
        ticks = ticksOf(next);
    }
    for (; frames < 0 && !interrupt_; ++frames) {
        if (const AVFrame* previous = steps_.before(ticks)) {
            ticks = ticksOf(previous);
            continue;
        }
        // The first frame held is the one shown: the stretch before it, in one go.
        std::vector<FramePtr> run;
        if (!source_->videoBefore(ticks, FrameStore::kMaxBytes, run)) break;
        const int64_t previous = ticksOf(run.back().get());
        steps_.prepend(std::move(run));
        ticks = previous;
    }
    counters::add(counters::steps, 1);
    counters::add(counters::stepFrames, source_->decodedFrames() - decoded);
    counters::add(counters::stepNs, nsSince(t0));
    const AVFrame* shown = steps_.find(ticks);
    return shown ? shown : from;
}

}  // namespace stillmar::mci::engine
