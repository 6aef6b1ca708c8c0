#pragma once
// Decoded pictures to 0xFFRRGGBB images (or to pictures for bitmap files, read as B, G, R
// byte rows) at a given size, honouring the frame's colour space and range. One converter per
// thread: it keeps its scaler between calls. Both outputs carry the same pixels.

#include <mutex>

#include "platform/mci/engine/ff.h"
#include "platform/mci/engine/tone_map.h"
#include "platform/mci/video_surface.h"

namespace stillmar::mci::engine {

// A picture converted for a bitmap file: its rows as B, G, R bytes, one at a time.
class BgrPicture {
  public:
    BgrPicture() = default;
    explicit BgrPicture(FramePtr frame) : frame_(std::move(frame)) {}
    explicit operator bool() const { return frame_ != nullptr; }
    int width() const { return frame_ ? frame_->width : 0; }
    int height() const { return frame_ ? frame_->height : 0; }
    // Row `y` (0 = top) into `bgr`, 3 * width() bytes.
    void row(int y, uint8_t* bgr) const;

  private:
    FramePtr frame_;  // planar G, B, R; or packed B, G, R
};

class FrameConverter {
  public:
    // `threads` > 1: each picture is converted in that many slices at once. The slices are the
    // rows one thread would make: the pixels are the same either way.
    explicit FrameConverter(int threads = 1) : threads_(threads), toneMap_(threads) {}
    // As many slices as the machine has cores.
    static int allCores();

    // `size` 0x0 means the frame's own size. Null when the frame cannot be converted.
    std::shared_ptr<VideoFrame> convert(const AVFrame* frame, Size size, int64_t ptsMs);
    // The same pixels for a bitmap file. Empty when the frame cannot be converted.
    BgrPicture convertBgr(const AVFrame* frame, Size size);

  private:
    SwsContext* makeScaler(const AVFrame* frame, int dstW, int dstH, AVPixelFormat to) const;
    // Converts `frame` into `to`, whose size and format are set (and buffers, when `to` is
    // not to get its own). HDR and BT.2020 pictures are mapped to BT.709 first, at `to`'s size.
    bool scale(const AVFrame* frame, AVFrame* to);

    int threads_ = 1;
    ToneMap toneMap_;
    ScalerPtr scaler_;
    int srcW_ = 0, srcH_ = 0, srcFormat_ = -1, dstW_ = 0, dstH_ = 0, dstFormat_ = -1;
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
    BgrPicture convertBgr(const AVFrame* frame, Size size) {
        std::lock_guard lock(mutex_);
        return converter_.convertBgr(frame, size);
    }

  private:
    std::mutex mutex_;
    FrameConverter converter_;
};

}  // namespace stillmar::mci::engine
