// Opening a file and reading it: the demuxer, its seeks, the read-ahead for sound stored
// behind its pictures, and the packet pump of sound-only files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/mci/engine/media_source.h"

namespace stillmar::mci::engine {
namespace {

constexpr auto kReadDeadline = std::chrono::seconds(5);
constexpr std::size_t kMaxReadAheadBytes = 32 << 20;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// No single allocation of the library may exceed this: the largest pictures played need a
// small part of it, while a size field of a few bytes (a 4 GB text chunk in a file of a few
// hundred) would otherwise have gigabytes reserved and cleared before anything is read.
constexpr std::size_t kMaxAllocation = std::size_t(512) << 20;

// Once per process. Damaged input is reported through the results, not on stderr.
void setUpLibrary() {
    static const bool done = [] {
        av_log_set_level(AV_LOG_FATAL);
        av_max_alloc(kMaxAllocation);
        return true;
    }();
    (void)done;
}

}  // namespace

// Bytes read through FFmpeg's I/O callbacks.
struct MediaSource::MemoryInput {
    explicit MemoryInput(std::vector<uint8_t> data) : bytes(std::move(data)) {
        constexpr int kBufferBytes = 4096;
        auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
        if (!buffer) return;
        io = avio_alloc_context(buffer, kBufferBytes, 0, this, &MemoryInput::read, nullptr,
                                &MemoryInput::seek);
        if (!io) av_free(buffer);
    }
    ~MemoryInput() {
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }
    MemoryInput(const MemoryInput&) = delete;
    MemoryInput& operator=(const MemoryInput&) = delete;

    static int read(void* opaque, uint8_t* to, int size) {
        auto* self = static_cast<MemoryInput*>(opaque);
        const std::size_t left = self->bytes.size() - self->at;
        if (left == 0) return AVERROR_EOF;
        const std::size_t n = std::min(left, std::size_t(std::max(size, 0)));
        std::memcpy(to, self->bytes.data() + self->at, n);
        self->at += n;
        return int(n);
    }
    static int64_t seek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<MemoryInput*>(opaque);
        const auto size = int64_t(self->bytes.size());
        int64_t to = 0;
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE:
                return size;
            case SEEK_SET:
                to = offset;
                break;
            case SEEK_CUR:
                to = int64_t(self->at) + offset;
                break;
            case SEEK_END:
                to = size + offset;
                break;
            default:
                return AVERROR(EINVAL);
        }
        if (to < 0 || to > size) return AVERROR(EINVAL);
        self->at = std::size_t(to);
        return to;
    }

    std::vector<uint8_t> bytes;
    std::size_t at = 0;
    AVIOContext* io = nullptr;
};

MediaSource::~MediaSource() = default;

int MediaSource::interruptCallback(void* opaque) {
    auto* self = static_cast<MediaSource*>(opaque);
    return nowNs() > self->deadlineNs_.load(std::memory_order_relaxed) ? 1 : 0;
}

void MediaSource::armDeadline() {
    deadlineNs_.store(nowNs() + std::chrono::nanoseconds(kReadDeadline).count(),
                      std::memory_order_relaxed);
}

std::unique_ptr<MediaSource> MediaSource::open(const std::string& path, EngineStatus& status) {
    setUpLibrary();
    std::unique_ptr<MediaSource> src(new MediaSource());
    status = src->openFile(path);
    if (status != EngineStatus::Ok) return nullptr;
    return src;
}

std::unique_ptr<MediaSource> MediaSource::openMemory(std::vector<uint8_t> bytes,
                                                     EngineStatus& status) {
    setUpLibrary();
    std::unique_ptr<MediaSource> src(new MediaSource());
    status = src->openBytes(std::move(bytes));
    if (status != EngineStatus::Ok) return nullptr;
    return src;
}

EngineStatus MediaSource::openFile(const std::string& path) {
    if (path.empty()) return EngineStatus::FileNotFound;
    // The name is opened once, without waiting (a pipe would wait for a writer for ever), and
    // FFmpeg reads that very file: a name checked and then opened again could have come to
    // name a pipe in between.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return errno == EACCES ? EngineStatus::Io : EngineStatus::FileNotFound;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return EngineStatus::Io;
    if (!S_ISREG(st.st_mode)) return EngineStatus::Unsupported;

    // Only the file protocol is allowed, and the name FFmpeg sees is always a path: "concat:x"
    // or "http:x" name local files, never a protocol.
    const std::string url = "file:/proc/self/fd/" + std::to_string(fd.get());
    FormatPtr format(avformat_alloc_context());
    if (!format) return EngineStatus::Io;
    Dictionary options;
    av_dict_set(options.get(), "protocol_whitelist", "file", 0);
    return openFormat(std::move(format), url, options);
}

EngineStatus MediaSource::openBytes(std::vector<uint8_t> bytes) {
    memory_ = std::make_unique<MemoryInput>(std::move(bytes));
    // Bytes in memory are small and read many times over (the fuzz target): decoded on the
    // caller's thread, a run does the same work every time and starts no threads.
    decodeThreads_ = 1;
    if (!memory_->io) return EngineStatus::Io;
    FormatPtr format(avformat_alloc_context());
    if (!format) return EngineStatus::Io;
    format->pb = memory_->io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The bytes are all there is: a playlist or a reference inside them opens nothing else.
    format->io_open = [](AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
        return AVERROR(EPERM);
    };
    Dictionary options;
    return openFormat(std::move(format), std::string(), options);
}

EngineStatus MediaSource::openFormat(FormatPtr format, const std::string& url,
                                     Dictionary& options) {
    format->interrupt_callback.callback = &MediaSource::interruptCallback;
    format->interrupt_callback.opaque = this;
    armDeadline();
    AVFormatContext* raw = format.release();  // freed by FFmpeg on failure
    const int rc = avformat_open_input(&raw, url.c_str(), nullptr, options.get());
    if (rc < 0) {
        const FfStatus s = translate(rc);
        return s == FfStatus::NotFound ? EngineStatus::FileNotFound
               : s == FfStatus::Io     ? EngineStatus::Io
                                       : EngineStatus::Unsupported;
    }
    format_.reset(raw);
    armDeadline();
    if (avformat_find_stream_info(format_.get(), nullptr) < 0) return EngineStatus::Unsupported;
    return openStreams();
}

EngineStatus MediaSource::openStreams() {
    vIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vIndex_ >= 0 && (format_->streams[vIndex_]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0)
        vIndex_ = -1;
    aIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (vIndex_ >= 0 && !openDecoder(vIndex_, video_)) vIndex_ = -1;
    if (aIndex_ >= 0 && !openDecoder(aIndex_, audio_)) aIndex_ = -1;
    if (vIndex_ < 0 && aIndex_ < 0) return EngineStatus::Unsupported;

    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (int(i) != vIndex_ && int(i) != aIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
    }
    if (vIndex_ >= 0) {
        AVStream* vs = format_->streams[vIndex_];
        vStart_ = vs->start_time != AV_NOPTS_VALUE ? vs->start_time : 0;
        filter_ = std::make_unique<VideoFilter>(vs);
        const AVRational rate = av_guess_frame_rate(format_.get(), vs, nullptr);
        defaultDuration_ =
            rate.num > 0 && rate.den > 0
                ? std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), vs->time_base))
                : std::max<int64_t>(1, fromMs(40, vs->time_base));
        // A file whose video cannot be decoded at all is not playable.
        const AVFrame* f = seekVideo(0, false);
        if (!f) return EngineStatus::Unsupported;
        first_ = refFrame(f);
        if (!first_) return EngineStatus::Io;
        videoEnd_ = scanVideoEnd();
    }
    if (aIndex_ >= 0) {
        AVStream* as = format_->streams[aIndex_];
        aStart_ = vIndex_ >= 0
                      ? av_rescale_q(vStart_, format_->streams[vIndex_]->time_base, as->time_base)
                  : as->start_time != AV_NOPTS_VALUE ? as->start_time
                                                     : 0;
    }
    fillInfo();
    if (info_.lengthMs <= 0 && vIndex_ < 0) return EngineStatus::Unsupported;
    return EngineStatus::Ok;
}

bool MediaSource::openDecoder(int index, CodecPtr& out) {
    AVStream* st = format_->streams[index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) return false;
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) return false;
    ctx->pkt_timebase = st->time_base;
    if (codec->type == AVMEDIA_TYPE_VIDEO) {
        ctx->thread_count = decodeThreads_;
        ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    }
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return false;
    out = std::move(ctx);
    return true;
}

void MediaSource::fillInfo() {
    MediaInfo in;
    const int64_t formatStart = format_->start_time != AV_NOPTS_VALUE ? format_->start_time : 0;
    int64_t formatLength = format_->duration != AV_NOPTS_VALUE && format_->duration > 0
                               ? av_rescale(format_->duration, 1000, AV_TIME_BASE)
                               : 0;
    if (vIndex_ >= 0) {
        AVStream* vs = format_->streams[vIndex_];
        in.hasVideo = true;
        int w = video_->width, h = video_->height;
        const AVRational sar = av_guess_sample_aspect_ratio(format_.get(), vs, nullptr);
        if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
            w = int(av_rescale(w, sar.num, sar.den));
        if (filter_ && filter_->swapsSides()) std::swap(w, h);
        in.videoSize = Size{w, h};
        const AVRational rate = av_guess_frame_rate(format_.get(), vs, nullptr);
        if (rate.num > 0 && rate.den > 0)
            in.frameRateMilli = int32_t(av_rescale(rate.num, 1000, rate.den));  // to nearest
        if (videoEnd_ != AV_NOPTS_VALUE && videoEnd_ > vStart_) {
            in.lengthMs = toMs(videoEnd_ - vStart_, vs->time_base);
        } else if (vs->duration != AV_NOPTS_VALUE && vs->duration > 0) {
            in.lengthMs = toMs(vs->duration, vs->time_base);
        } else {
            const int64_t offset =
                toMs(vStart_, vs->time_base) - av_rescale(formatStart, 1000, AV_TIME_BASE);
            in.lengthMs = std::max<int64_t>(0, formatLength - offset);
        }
        in.frameCount = framesInLength(in.lengthMs, in.frameRate());
    } else {
        AVStream* as = format_->streams[aIndex_];
        in.lengthMs = as->duration != AV_NOPTS_VALUE && as->duration > 0
                          ? toMs(as->duration, as->time_base)
                          : formatLength;
    }
    in.hasAudio = aIndex_ >= 0;
    info_ = in;
}

// Containers guess their video's duration (program streams from a sample of timestamps, ASF
// with its preroll); the last packets of the file tell it exactly. Leaves the demuxer
// anywhere: the next seekVideo() seeks.
int64_t MediaSource::scanVideoEnd() {
    AVStream* vs = format_->streams[vIndex_];
    const int64_t guessMs = format_->duration != AV_NOPTS_VALUE && format_->duration > 0
                                ? av_rescale(format_->duration, 1000, AV_TIME_BASE)
                                : toMs(vs->duration, vs->time_base);
    PacketPtr pkt = makePacket();
    if (guessMs <= 0 || !pkt) return AV_NOPTS_VALUE;
    int64_t end = AV_NOPTS_VALUE;
    for (int64_t backMs : {3000, 30000}) {
        const int64_t at = vStart_ + fromMs(std::max<int64_t>(0, guessMs - backMs), vs->time_base);
        if (!demuxSeek(at)) break;
        bool missingPts = false;
        for (int n = 0; n < 100000; ++n) {
            av_packet_unref(pkt.get());
            if (readPacket(pkt.get()) < 0) break;
            if (pkt->stream_index != vIndex_) continue;
            missingPts = missingPts || pkt->pts == AV_NOPTS_VALUE;
            const int64_t t = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            if (t == AV_NOPTS_VALUE) continue;
            const int64_t e = t + (pkt->duration > 0 ? pkt->duration : defaultDuration_);
            if (end == AV_NOPTS_VALUE || e > end) end = e;
        }
        if (missingPts && demuxSeek(at)) {
            // Decode times are not display times (reordered pictures): decode the tail.
            end = AV_NOPTS_VALUE;
            while (FramePtr f = decodeRaw()) {
                const int64_t e = frameTicks(f.get()) + frameDuration(f.get());
                if (end == AV_NOPTS_VALUE || e > end) end = e;
            }
        }
        if (end != AV_NOPTS_VALUE) break;
    }
    cur_.reset();
    lookahead_.reset();
    return end;
}

AVRational MediaSource::audioTimeBase() const {
    return aIndex_ >= 0 ? format_->streams[aIndex_]->time_base : AVRational{0, 1};
}

int MediaSource::readPacket(AVPacket* pkt) {
    armDeadline();
    return av_read_frame(format_.get(), pkt);
}

bool MediaSource::demuxSeek(int64_t videoTicks) {
    armDeadline();
    int rc = avformat_seek_file(format_.get(), vIndex_, INT64_MIN, videoTicks, videoTicks, 0);
    if (rc < 0) {
        armDeadline();
        rc = av_seek_frame(format_.get(), vIndex_, videoTicks, AVSEEK_FLAG_BACKWARD);
    }
    if (rc < 0) return false;
    avcodec_flush_buffers(video_.get());
    if (filter_) filter_->restart();
    prev_.reset();
    shown_.reset();
    shownOf_ = nullptr;
    readAhead_.clear();
    readAheadBytes_ = 0;
    cur_.reset();
    lookahead_.reset();
    lastTicks_ = AV_NOPTS_VALUE;
    unshown_.clear();
    lost_.clear();
    damagedInput_ = tainted_ = false;
    lastKeyTicks_ = AV_NOPTS_VALUE;
    lastFedDts_ = replayTo_ = AV_NOPTS_VALUE;
    fedWithoutDts_ = false;
    inputEnded_ = drained_ = false;
    fresh_ = false;
    waitKey_ = true;
    keyWait_ = 0;
    return true;
}

bool MediaSource::readAhead() {
    if (vIndex_ < 0 || readAheadBytes_ >= kMaxReadAheadBytes) return false;
    PacketPtr pkt = makePacket();
    if (!pkt || readPacket(pkt.get()) < 0) return false;
    if (pkt->stream_index == aIndex_) {
        if (audioSink_) audioSink_(std::move(pkt));
    } else if (pkt->stream_index == vIndex_) {
        readAheadBytes_ += std::size_t(std::max(0, pkt->size));
        readAhead_.push_back(std::move(pkt));
    }
    return true;
}

void MediaSource::seekAudio(int64_t ms) {
    if (aIndex_ < 0) return;
    AVStream* as = format_->streams[aIndex_];
    const int64_t ts = aStart_ + fromMs(std::max<int64_t>(0, ms), as->time_base);
    armDeadline();
    if (avformat_seek_file(format_.get(), aIndex_, INT64_MIN, ts, ts, 0) < 0) {
        armDeadline();
        av_seek_frame(format_.get(), aIndex_, ts, AVSEEK_FLAG_BACKWARD);
    }
}

bool MediaSource::pumpAudio() {
    PacketPtr pkt = makePacket();
    if (!pkt || readPacket(pkt.get()) < 0) return false;
    if (pkt->stream_index == aIndex_ && audioSink_) audioSink_(std::move(pkt));
    return true;
}

}  // namespace stillmar::mci::engine
