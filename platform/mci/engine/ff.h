#pragma once
// FFmpeg at the boundary: owners for its objects, its return codes translated once, and time
// conversions that cannot divide by zero. Nothing outside the engine sees an AVERROR.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <memory>
#include <type_traits>

namespace stillmar::mci::engine {

template <typename T, auto FreeFn>
struct FfDeleter {
    void operator()(T* p) const {
        if constexpr (std::is_invocable_v<decltype(FreeFn), T**>) {
            FreeFn(&p);
        } else {
            FreeFn(p);
        }
    }
};
template <typename T, auto FreeFn>
using FfPtr = std::unique_ptr<T, FfDeleter<T, FreeFn>>;

using FormatPtr = FfPtr<AVFormatContext, avformat_close_input>;
using CodecPtr = FfPtr<AVCodecContext, avcodec_free_context>;
using FramePtr = FfPtr<AVFrame, av_frame_free>;
using PacketPtr = FfPtr<AVPacket, av_packet_free>;
using ScalerPtr = FfPtr<SwsContext, sws_freeContext>;
using ResamplerPtr = FfPtr<SwrContext, swr_free>;

FramePtr makeFrame();
PacketPtr makePacket();
// A new reference to the same picture; null when `src` is null or out of memory.
FramePtr refFrame(const AVFrame* src);

enum class FfStatus { Ok, NeedsInput, EndOfStream, Corrupt, Unsupported, Io, NotFound };
FfStatus translate(int rc);

// Milliseconds <-> stream time base (to ms: nearest; from ms: down). A zero or malformed time base
// gives 0, never a fault.
int64_t toMs(int64_t ts, AVRational tb);
int64_t fromMs(int64_t ms, AVRational tb);

}  // namespace stillmar::mci::engine
