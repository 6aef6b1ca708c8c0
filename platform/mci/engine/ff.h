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

// A value FFmpeg fills in place through a pointer to it, released with its holder.
template <typename T, auto Release>
class FfSlot {
  public:
    FfSlot() = default;
    ~FfSlot() { Release(&value_); }
    FfSlot(const FfSlot&) = delete;
    FfSlot& operator=(const FfSlot&) = delete;
    T* get() { return &value_; }
    const T* get() const { return &value_; }

  private:
    T value_{};
};
// Calls that take `AVDictionary**` may replace the dictionary (with the options they did not
// use); a channel layout may own a channel map of its own.
using Dictionary = FfSlot<AVDictionary*, av_dict_free>;
using ChannelLayout = FfSlot<AVChannelLayout, av_channel_layout_uninit>;

// A file descriptor, closed with its holder (FFmpeg reads files opened here through
// /proc/self/fd).
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset();

  private:
    int fd_ = -1;
};

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
