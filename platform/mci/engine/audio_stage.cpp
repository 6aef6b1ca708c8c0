// The engine's sound: packets decoded and resampled on the audio thread into a short PCM
// queue that SDL's callback drains; the callback also pulls the playback clock onto what the
// device has actually played.
#include "platform/mci/engine/audio_stage.h"

#include <algorithm>
#include <cstring>

namespace stillmar::mci::engine {
namespace {

using audio::AudioOutput;

constexpr int kAudioChannels = 2;
constexpr int64_t kAudioSlackMs = 80;

}  // namespace

void AudioStage::start(MediaSource& source, bool hasAudio) {
    source_ = &source;
    quit_ = false;
    packets_.reopen();
    {
        std::lock_guard lock(pcmMutex_);
        pcm_.clear();
        pcmFrames_ = 0;
    }
    source.setAudioSink([this](PacketPtr packet) {
        const uint32_t serial = sinkSerial_.load();
        if (serial == 0) return false;
        return packets_.push(Packet{serial, std::move(packet)});
    });
    if (hasAudio) thread_ = std::thread([this] { audioLoop(); });
}

void AudioStage::stop() {
    quit_ = true;
    packets_.abort();
    {
        std::lock_guard lock(pcmMutex_);
        pcmCv_.notify_all();
    }
    pauseDevice();
}

void AudioStage::join() {
    if (thread_.joinable()) thread_.join();
    if (out_) out_->close();
    sinkSerial_ = 0;
    if (source_) source_->setAudioSink(nullptr);
}

void AudioStage::release() {
    out_.reset();
    tried_ = false;
    active_ = false;
    source_ = nullptr;
}

bool AudioStage::openOutput() {
    if (!tried_) {
        tried_ = true;
        auto out = audio::createAudioOutput();
        const AVCodecContext* codec = source_ ? source_->audioCodec() : nullptr;
        const int rate = codec && codec->sample_rate > 0 ? codec->sample_rate : 44100;
        if (out->open(rate, kAudioChannels, [this](int16_t* o, int n) { fillAudio(o, n); }))
            out_ = std::move(out);
    }
    return out_ != nullptr;
}

void AudioStage::activate(uint32_t serial, int64_t fromMs) {
    startMs_ = fromMs;
    serial_ = serial;
    active_ = true;
}

void AudioStage::drop() {
    active_ = false;
    serial_ = 0;
    pauseDevice();
    std::lock_guard lock(pcmMutex_);
    pcm_.clear();
    pcmFrames_ = 0;
    pcmCv_.notify_all();
}

void AudioStage::pauseDevice() {
    if (out_) out_->setPaused(true);
}

void AudioStage::resumeDevice() {
    if (active_ && out_) out_->setPaused(false);
}

void AudioStage::setVolume(int32_t left, int32_t right) {
    volumeLeft_ = std::clamp<int32_t>(left, 0, 1000);
    volumeRight_ = std::clamp<int32_t>(right, 0, 1000);
}

void AudioStage::setChannelsEnabled(bool left, bool right) {
    leftOn_ = left;
    rightOn_ = right;
}

bool AudioStage::heard() const {
    return (leftOn_ && volumeLeft_ > 0) || (rightOn_ && volumeRight_ > 0);
}

AudioOutput::Format AudioStage::outputFormat() const {
    return out_ ? out_->format() : AudioOutput::Format{};
}

bool AudioStage::alignToClock(PcmChunk& chunk, int16_t* out, int frames, int& written,
                              int64_t nowMs, int rate, int channels) {
    const std::size_t chunkFrames = chunk.samples.size() / std::size_t(channels);
    const int64_t atMs = chunk.ptsMs + int64_t(chunk.offsetFrames) * 1000 / rate;
    const int64_t dueMs = nowMs + int64_t(written) * 1000 / rate;
    if (atMs < dueMs - kAudioSlackMs) {  // late: drop up to the clock
        const std::size_t late =
            std::min(std::size_t((dueMs - atMs) * rate / 1000), chunkFrames - chunk.offsetFrames);
        chunk.offsetFrames += late;
        pcmFrames_ -= std::min(pcmFrames_, late);
        return true;
    }
    if (atMs > dueMs + kAudioSlackMs && written == 0) {
        // Early (the sound starts after the pictures): silence until it is due.
        const int64_t gap = std::min<int64_t>(frames, (atMs - dueMs) * rate / 1000);
        std::memset(out, 0, std::size_t(gap) * std::size_t(channels) * sizeof(int16_t));
        written = int(gap);
        return true;
    }
    return false;
}

void AudioStage::fillAudio(int16_t* out, int frames) {
    const AudioOutput::Format fmt = outputFormat();
    const int channels = std::max(1, fmt.channels);
    const int32_t gain[2] = {leftOn_ ? volumeLeft_.load() : 0, rightOn_ ? volumeRight_.load() : 0};
    const int rate = std::max(1, fmt.rate);
    // The first sample of this buffer is the sound for the clock's present reading. A sound
    // queue that ran dry let the clock go on alone; the sound then rejoins the clock instead
    // of holding it (and the pictures) back.
    const bool clocked = active_;
    const int64_t nowMs = clock_.now();
    int written = 0;
    int64_t playedTo = -1;
    {
        std::lock_guard lock(pcmMutex_);
        const uint32_t serial = serial_;
        while (written < frames && !pcm_.empty()) {
            PcmChunk& chunk = pcm_.front();
            const std::size_t chunkFrames = chunk.samples.size() / std::size_t(channels);
            if (chunk.serial != serial || chunk.offsetFrames >= chunkFrames) {
                pcmFrames_ -=
                    std::min(pcmFrames_, chunkFrames - std::min(chunkFrames, chunk.offsetFrames));
                pcm_.pop_front();
                continue;
            }
            if (clocked && alignToClock(chunk, out, frames, written, nowMs, rate, channels))
                continue;
            const std::size_t n = std::min<std::size_t>(std::size_t(frames - written),
                                                        chunkFrames - chunk.offsetFrames);
            const int16_t* src = chunk.samples.data() + chunk.offsetFrames * std::size_t(channels);
            int16_t* dst = out + std::size_t(written) * std::size_t(channels);
            for (std::size_t i = 0; i < n * std::size_t(channels); ++i)
                dst[i] = int16_t(int32_t(src[i]) * gain[(i % std::size_t(channels)) & 1] / 1000);
            chunk.offsetFrames += n;
            written += int(n);
            pcmFrames_ -= std::min(pcmFrames_, n);
            playedTo = chunk.ptsMs + int64_t(chunk.offsetFrames) * 1000 / rate;
        }
        pcmCv_.notify_all();
    }
    std::memset(out + std::size_t(written) * std::size_t(channels), 0,
                std::size_t(frames - written) * std::size_t(channels) * sizeof(int16_t));
    if (playedTo >= 0 && clocked) {
        // Counted back from the last sample taken: silence after it (a queue that ran dry)
        // does not pull the clock back.
        clock_.syncAudio(playedTo - int64_t(written) * 1000 / rate);
    }
}

bool AudioStage::Resampling::fit(AVFrame* frame, const AudioOutput::Format& out) {
    if (context && rate == frame->sample_rate && format == frame->format &&
        av_channel_layout_compare(layout.get(), &frame->ch_layout) == 0)
        return true;
    SwrContext* raw = nullptr;
    ChannelLayout outLayout;
    av_channel_layout_default(outLayout.get(), out.channels);
    const int rc =
        swr_alloc_set_opts2(&raw, outLayout.get(), AV_SAMPLE_FMT_S16, out.rate, &frame->ch_layout,
                            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    ResamplerPtr fresh(raw);
    if (rc < 0 || swr_init(fresh.get()) < 0) {
        context.reset();
        return false;
    }
    context = std::move(fresh);
    rate = frame->sample_rate;
    format = frame->format;
    av_channel_layout_uninit(layout.get());
    av_channel_layout_copy(layout.get(), &frame->ch_layout);
    return true;
}

AudioStage::PcmChunk AudioStage::toPcm(AVFrame* frame, uint32_t serial, SwrContext* resampler,
                                       const AudioOutput::Format& fmt) {
    PcmChunk chunk;
    chunk.serial = serial;
    chunk.ptsMs = frame->best_effort_timestamp != AV_NOPTS_VALUE
                      ? toMs(frame->best_effort_timestamp - source_->audioStartTicks(),
                             source_->audioTimeBase())
                      : startMs_.load();
    const int capacity = swr_get_out_samples(resampler, frame->nb_samples);
    if (capacity <= 0) return {};
    chunk.samples.resize(std::size_t(capacity) * std::size_t(fmt.channels));
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(chunk.samples.data())};
    const int got =
        swr_convert(resampler, outPlanes, capacity,
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    av_frame_unref(frame);
    if (got <= 0) return {};
    chunk.samples.resize(std::size_t(got) * std::size_t(fmt.channels));
    // Sound before the start of playback was read only to reach it.
    const int64_t skipMs = startMs_.load() - chunk.ptsMs;
    if (skipMs > 0)
        chunk.offsetFrames =
            std::min<std::size_t>(std::size_t(got), std::size_t(skipMs * fmt.rate / 1000));
    if (chunk.offsetFrames == std::size_t(got)) return {};
    return chunk;
}

bool AudioStage::queuePcm(PcmChunk chunk, const AudioOutput::Format& fmt) {
    const std::size_t frames =
        chunk.samples.size() / std::size_t(fmt.channels) - chunk.offsetFrames;
    std::unique_lock lock(pcmMutex_);
    // At most half a second of sound waits for the device.
    pcmCv_.wait(lock, [&] {
        return quit_ || serial_ != chunk.serial || pcmFrames_ < std::size_t(fmt.rate) / 2;
    });
    if (quit_ || serial_ != chunk.serial) return false;
    pcmFrames_ += frames;
    pcm_.push_back(std::move(chunk));
    return true;
}

void AudioStage::audioLoop() {
    AVCodecContext* codec = source_->audioCodec();
    if (!codec) return;
    Resampling resampling;
    uint32_t last = 0;
    FramePtr frame = makeFrame();
    while (!quit_) {
        auto item = packets_.pop(kTick);
        if (!item || item->serial != serial_) continue;
        if (item->serial != last) {
            avcodec_flush_buffers(codec);
            last = item->serial;
        }
        if (avcodec_send_packet(codec, item->packet.get()) < 0) continue;
        while (frame && avcodec_receive_frame(codec, frame.get()) >= 0) {
            const AudioOutput::Format fmt = outputFormat();
            if (fmt.rate <= 0 || fmt.channels <= 0 || !resampling.fit(frame.get(), fmt)) break;
            PcmChunk chunk = toPcm(frame.get(), item->serial, resampling.context.get(), fmt);
            if (chunk.samples.empty()) continue;
            if (!queuePcm(std::move(chunk), fmt)) break;
        }
    }
}

}  // namespace stillmar::mci::engine
