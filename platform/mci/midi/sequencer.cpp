#include "platform/mci/midi/sequencer.h"

#include <algorithm>

#include "platform/mci/midi/device_output.h"
#include "platform/mci/midi/wall_clock.h"

namespace stillmar::mci::midi {
namespace {

__extension__ typedef __int128 Wide;

// Lengths are reported as 32-bit numbers; a longer song is a hostile or broken file, and the
// limit keeps every time in microseconds far from overflowing.
constexpr int64_t kMaxLengthMs = 0xFFFFFFFF;

SequencerStatus statusOf(SmfError error) {
    switch (error) {
        case SmfError::None:
            return SequencerStatus::Ok;
        case SmfError::FileNotFound:
            return SequencerStatus::FileNotFound;
        case SmfError::Io:
            return SequencerStatus::Io;
        default:
            return SequencerStatus::Unsupported;
    }
}

bool isNote(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0x80 || kind == 0x90 || kind == 0xA0;
}

}  // namespace

struct Sequencer::Loaded {
    MidiFile file;
    TempoMap map;
    std::vector<TimedEvent> timeline;
    int64_t lengthMs = 0;
};

Sequencer::Sequencer(SequencerOptions options) : options_(std::move(options)) {
    if (options_.sampleRate < 8000 || options_.sampleRate > 192000) options_.sampleRate = 44100;
}

Sequencer::~Sequencer() {
    std::lock_guard control(controlMutex_);
    stopDriver();
}

SequencerStatus Sequencer::open(const std::string& path) {
    return adopt(loadSmf(path));
}

SequencerStatus Sequencer::openData(std::vector<uint8_t> bytes) {
    return adopt(parseSmf(std::move(bytes)));
}

SequencerStatus Sequencer::adopt(SmfResult parsed) {
    std::lock_guard control(controlMutex_);
    stopDriver();
    std::shared_ptr<Loaded> loaded;
    SequencerStatus status = statusOf(parsed.error);
    if (parsed.ok()) {
        loaded = std::make_shared<Loaded>();
        loaded->file = std::move(parsed.file);
        loaded->map = TempoMap(loaded->file);
        loaded->lengthMs = loaded->map.lengthMs();
        if (loaded->lengthMs > kMaxLengthMs) {
            loaded.reset();
            status = SequencerStatus::Unsupported;
        } else {
            loaded->timeline = buildTimeline(loaded->file, loaded->map);
        }
    }
    std::lock_guard lock(stateMutex_);
    loaded_ = std::move(loaded);
    mode_ = SequencerMode::Stopped;
    endUs_ = 0;
    rebaseLocked(0);
    if (synth_) synth_->reset();
    modeChanged_.notify_all();
    return status;
}

void Sequencer::close() {
    std::lock_guard control(controlMutex_);
    stopDriver();
    std::lock_guard lock(stateMutex_);
    loaded_.reset();
    mode_ = SequencerMode::Stopped;
    rebaseLocked(0);
    if (synth_) synth_->reset();
    modeChanged_.notify_all();
}

bool Sequencer::isOpen() const {
    std::lock_guard lock(stateMutex_);
    return loaded_ != nullptr;
}

int64_t Sequencer::lengthMs() const {
    std::lock_guard lock(stateMutex_);
    return loaded_ ? loaded_->lengthMs : 0;
}

int64_t Sequencer::positionMs() const {
    std::lock_guard lock(stateMutex_);
    if (!loaded_) return 0;
    return std::min(positionUsLocked() / 1000, loaded_->lengthMs);
}

SequencerMode Sequencer::mode() const {
    std::lock_guard lock(stateMutex_);
    return mode_;
}

void Sequencer::play(int64_t fromMs, int64_t toMs) {
    std::lock_guard control(controlMutex_);
    stopDriver();
    {
        std::lock_guard lock(stateMutex_);
        if (!loaded_) return;
        const int64_t length = loaded_->lengthMs;
        const int64_t fromUs = fromMs < 0 ? std::min(positionUsLocked(), length * 1000)
                                          : std::clamp<int64_t>(fromMs, 0, length) * 1000;
        const int64_t toUs = toMs < 0 ? length * 1000 : std::clamp<int64_t>(toMs, 0, length) * 1000;
        if (synth_) synth_->allNotesOff();
        rebaseLocked(fromUs);
        endUs_ = toUs;
        mode_ = toUs > fromUs ? SequencerMode::Playing : SequencerMode::Stopped;
        modeChanged_.notify_all();
        if (mode_ != SequencerMode::Playing) return;
    }
    startDriver();
}

void Sequencer::pause() {
    std::lock_guard control(controlMutex_);
    stopDriver();
    std::lock_guard lock(stateMutex_);
    if (!loaded_) return;
    if (mode_ == SequencerMode::Stopped) {
        rebaseLocked(std::min(positionUsLocked(), loaded_->lengthMs * 1000));
        endUs_ = loaded_->lengthMs * 1000;
    }
    if (synth_) synth_->allNotesOff();
    mode_ = SequencerMode::Paused;
    modeChanged_.notify_all();
}

void Sequencer::resume() {
    std::lock_guard control(controlMutex_);
    {
        std::lock_guard lock(stateMutex_);
        if (mode_ != SequencerMode::Paused) return;
        mode_ = SequencerMode::Playing;
        modeChanged_.notify_all();
    }
    startDriver();
}

void Sequencer::stop() {
    std::lock_guard control(controlMutex_);
    stopDriver();
    std::lock_guard lock(stateMutex_);
    if (synth_) synth_->allNotesOff();
    mode_ = SequencerMode::Stopped;
    modeChanged_.notify_all();
}

void Sequencer::seek(int64_t ms) {
    std::lock_guard control(controlMutex_);
    stopDriver();
    std::lock_guard lock(stateMutex_);
    if (!loaded_) return;
    if (synth_) synth_->allNotesOff();
    rebaseLocked(std::clamp<int64_t>(ms, 0, loaded_->lengthMs) * 1000);
    mode_ = SequencerMode::Stopped;
    modeChanged_.notify_all();
}

bool Sequencer::waitUntilStopped(std::chrono::milliseconds timeout) {
    std::unique_lock lock(stateMutex_);
    return modeChanged_.wait_for(lock, timeout, [this] { return mode_ != SequencerMode::Playing; });
}

void Sequencer::setVolume(int32_t left, int32_t right) {
    std::lock_guard lock(stateMutex_);
    volumeLeft_ = std::clamp(left, 0, 1000);
    volumeRight_ = std::clamp(right, 0, 1000);
    updateGainsLocked();
}

void Sequencer::setChannelsEnabled(bool left, bool right) {
    std::lock_guard lock(stateMutex_);
    leftOn_ = left;
    rightOn_ = right;
    updateGainsLocked();
}

void Sequencer::updateGainsLocked() {
    gainLeft_ = leftOn_ ? float(volumeLeft_) / 1000.0f : 0.0f;
    gainRight_ = rightOn_ ? float(volumeRight_) / 1000.0f : 0.0f;
}

void Sequencer::stopDriver() {
    if (!driver_) return;
    driver_->stop();
    driver_.reset();
}

void Sequencer::startDriver() {
    auto pull = [this](float* stereo, int frames) { return render(stereo, frames); };
    auto prepare = [this](bool audible) {
        // Loading the soundfont takes a while: not under the lock that render() and the status
        // queries need. Only control calls, serialised by controlMutex_, ever set synth_.
        std::unique_ptr<Synth> fresh;
        if (audible && !synth_)
            fresh = std::make_unique<Synth>(options_.soundFontPath, options_.sampleRate);
        std::lock_guard lock(stateMutex_);
        audible_ = audible;
        if (!audible) return;
        if (fresh) synth_ = std::move(fresh);
        chaseLocked();
    };
    if (options_.externalClock) {
        prepare(true);
        return;
    }
    if (options_.makeOutput && soundFontAvailable(options_.soundFontPath)) {
        if (std::unique_ptr<PcmOutput> out = options_.makeOutput()) {
            prepare(out->audible());
            if (out->start(options_.sampleRate, pull)) {
                driver_ = std::move(out);
                return;
            }
        }
    }
    prepare(false);
    driver_ = std::make_unique<WallClock>();
    driver_->start(options_.sampleRate, pull);
}

bool Sequencer::render(float* stereo, int frames) {
    std::unique_lock lock(stateMutex_);
    int done = 0;
    const std::vector<TimedEvent>* timeline = loaded_ ? &loaded_->timeline : nullptr;
    while (done < frames && mode_ == SequencerMode::Playing && timeline) {
        while (cursor_ < timeline->size() &&
               framesUntilLocked((*timeline)[cursor_].timeUs) <= framesSinceBase_) {
            if (audible_) dispatchLocked((*timeline)[cursor_]);
            ++cursor_;
        }
        const int64_t endFrame = framesUntilLocked(endUs_);
        if (framesSinceBase_ >= endFrame) break;
        int64_t chunk = std::min<int64_t>(frames - done, endFrame - framesSinceBase_);
        if (cursor_ < timeline->size())
            chunk =
                std::min(chunk, framesUntilLocked((*timeline)[cursor_].timeUs) - framesSinceBase_);
        if (stereo) {
            float* at = stereo + 2 * size_t(done);
            if (audible_ && synth_)
                synth_->render(at, int(chunk));
            else
                std::fill(at, at + 2 * chunk, 0.0f);
        }
        framesSinceBase_ += chunk;
        done += int(chunk);
    }
    if (mode_ == SequencerMode::Playing && timeline &&
        framesSinceBase_ >= framesUntilLocked(endUs_))
        finishLocked();
    if (stereo) {
        std::fill(stereo + 2 * size_t(done), stereo + 2 * size_t(frames), 0.0f);
        if (gainLeft_ != 1.0f || gainRight_ != 1.0f) {
            for (int i = 0; i < done; ++i) {
                stereo[2 * i] *= gainLeft_;
                stereo[2 * i + 1] *= gainRight_;
            }
        }
    }
    return mode_ == SequencerMode::Playing;
}

int64_t Sequencer::positionUsLocked() const {
    return baseUs_ + int64_t(Wide(framesSinceBase_) * 1'000'000 / options_.sampleRate);
}

void Sequencer::rebaseLocked(int64_t us) {
    baseUs_ = us;
    framesSinceBase_ = 0;
    cursor_ = loaded_ ? firstEventAtOrAfter(loaded_->timeline, us) : 0;
}

// The first frame (counted from the base) at or after `timeUs`.
int64_t Sequencer::framesUntilLocked(int64_t timeUs) const {
    if (timeUs <= baseUs_) return 0;
    const Wide scaled = Wide(timeUs - baseUs_) * options_.sampleRate;
    return int64_t((scaled + 999'999) / 1'000'000);
}

void Sequencer::chaseLocked() {
    if (!synth_ || !loaded_) return;
    // Start from power-on and replay what shapes the sound (programs, controllers, bends,
    // sysex) up to the position, so a song started in the middle sounds as it would there.
    synth_->reset();
    for (size_t i = 0; i < cursor_; ++i)
        if (!isNote(loaded_->timeline[i].status)) dispatchLocked(loaded_->timeline[i]);
}

void Sequencer::dispatchLocked(const TimedEvent& e) {
    if (!synth_) return;
    if (e.status == 0xF0)
        synth_->sysEx(loaded_->file.bytes.data() + e.dataOffset, e.dataLength);
    else
        synth_->channelMessage(e.status, e.data1, e.data2);
}

void Sequencer::finishLocked() {
    if (synth_) synth_->allNotesOff();
    rebaseLocked(endUs_);
    mode_ = SequencerMode::Stopped;
    modeChanged_.notify_all();
}

std::unique_ptr<MidiEngine> createMidiEngine() {
    SequencerOptions options;
    options.makeOutput = createDeviceOutput;
    return std::make_unique<Sequencer>(std::move(options));
}

}  // namespace stillmar::mci::midi
