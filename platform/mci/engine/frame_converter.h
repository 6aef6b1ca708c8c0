#pragma once
// Decoded pictures to 0xFFRRGGBB images at a given size, honouring the frame's colour space
// and range. One converter per thread: it keeps its scaler between calls.

#include <mutex>

#include "platform/mci/engine/ff.h"
#include "platform/mci/video_surface.h"

namespace stillmar::mci::engine {

class FrameConverter {
  public:
    // `threads` > 1: each picture is converted in that many slices at once. The slices are the
    // rows one thread would make: the pixels are the same either way.
    explicit FrameConverter(int threads = 1) : threads_(threads) {}
    // As many slices as the machine has cores.
    static int allCores();

    // `size` 0x0 means the frame's own size. Null when the frame cannot be converted.
    std::shared_ptr<VideoFrame> convert(const AVFrame* frame, Size size, int64_t ptsMs);

  private:
    SwsContext* makeScaler(const AVFrame* frame, int dstW, int dstH) const;

    int threads_ = 1;
    ScalerPtr scaler_;
    int srcW_ = 0, srcH_ = 0, srcFormat_ = -1, dstW_ = 0, dstH_ = 0;
    int colorspace_ = -1, range_ = -1;
};

// A converter that several threads use in turn.
class SharedConverter {
  public:
    explicit SharedConverter(int threads = 1) : converter_(threads) {}
    std::shared_ptr<VideoFrame> convert(const AVFrame* frame, Size size, int64_t ptsMs) {
        std::lock_guard lock(mutex_);
        return converter_.convert(frame, size, ptsMs);
    }

  private:
    std::mutex mutex_;
    FrameConverter converter_;
};

}  // namespace stillmar::mci::engine
