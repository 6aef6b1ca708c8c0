#include "platform/mci/engine/ff.h"

#include <unistd.h>

#include <cerrno>

namespace stillmar::mci::engine {

FramePtr makeFrame() {
    return FramePtr(av_frame_alloc());
}
PacketPtr makePacket() {
    return PacketPtr(av_packet_alloc());
}

void FileDescriptor::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FramePtr refFrame(const AVFrame* src) {
    if (!src) return nullptr;
    FramePtr out = makeFrame();
    if (!out || av_frame_ref(out.get(), src) < 0) return nullptr;
    return out;
}

FfStatus translate(int rc) {
    if (rc >= 0) return FfStatus::Ok;
    switch (rc) {
        case AVERROR(EAGAIN):
            return FfStatus::NeedsInput;
        case AVERROR_EOF:
            return FfStatus::EndOfStream;
        case AVERROR(ENOENT):
            return FfStatus::NotFound;
        case AVERROR_INVALIDDATA:
        case AVERROR(EINVAL):  // a demuxer that gave up on what it read
        case AVERROR_BUG:
        case AVERROR_BUG2:
            return FfStatus::Corrupt;
        case AVERROR_DECODER_NOT_FOUND:
        case AVERROR_DEMUXER_NOT_FOUND:
        case AVERROR_STREAM_NOT_FOUND:
        case AVERROR_PATCHWELCOME:
        case AVERROR_PROTOCOL_NOT_FOUND:
        case AVERROR(ENOSYS):
            return FfStatus::Unsupported;
        default:
            return FfStatus::Io;
    }
}

int64_t toMs(int64_t ts, AVRational tb) {
    if (ts == AV_NOPTS_VALUE || tb.num <= 0 || tb.den <= 0) return 0;
    return av_rescale_q_rnd(ts, tb, AVRational{1, 1000},
                            AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

int64_t fromMs(int64_t ms, AVRational tb) {
    if (tb.num <= 0 || tb.den <= 0) return 0;
    // Down, so that a time inside a frame never rounds up onto the next one.
    return av_rescale_q_rnd(ms, AVRational{1, 1000}, tb,
                            AVRounding(AV_ROUND_DOWN | AV_ROUND_PASS_MINMAX));
}

}  // namespace stillmar::mci::engine
