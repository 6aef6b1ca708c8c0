#include "platform/mci/engine/frame_converter.h"

#include <algorithm>
#include <chrono>
#include <thread>

extern "C" {
#include <libavutil/opt.h>
}

#include "platform/mci/engine/engine_counters.h"

namespace stillmar::mci::engine {
namespace {

int swsColorspace(const AVFrame* f) {
    switch (f->colorspace) {
        case AVCOL_SPC_BT709:
            return SWS_CS_ITU709;
        case AVCOL_SPC_FCC:
            return SWS_CS_FCC;
        case AVCOL_SPC_SMPTE240M:
            return SWS_CS_SMPTE240M;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return SWS_CS_BT2020;
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
            return SWS_CS_ITU601;
        default:
            // Unlabelled video: standard definition is BT.601, anything larger BT.709.
            return f->height <= 576 ? SWS_CS_ITU601 : SWS_CS_ITU709;
    }
}

bool fullRange(const AVFrame* f) {
    switch (f->format) {
        case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUVJ444P:
        case AV_PIX_FMT_YUVJ440P:
        case AV_PIX_FMT_YUVJ411P:
            return true;
        default:
            return f->color_range == AVCOL_RANGE_JPEG;
    }
}

constexpr int kFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;

}  // namespace

int FrameConverter::allCores() {
    return std::clamp(int(std::thread::hardware_concurrency()), 1, 8);
}

SwsContext* FrameConverter::makeScaler(const AVFrame* frame, int dstW, int dstH) const {
    if (threads_ <= 1)
        return sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), dstW, dstH,
                              AV_PIX_FMT_RGB32, kFlags, nullptr, nullptr, nullptr);
    SwsContext* ctx = sws_alloc_context();
    if (!ctx) return nullptr;
    const bool ok = av_opt_set_int(ctx, "srcw", frame->width, 0) >= 0 &&
                    av_opt_set_int(ctx, "srch", frame->height, 0) >= 0 &&
                    av_opt_set_int(ctx, "src_format", frame->format, 0) >= 0 &&
                    av_opt_set_int(ctx, "dstw", dstW, 0) >= 0 &&
                    av_opt_set_int(ctx, "dsth", dstH, 0) >= 0 &&
                    av_opt_set_int(ctx, "dst_format", AV_PIX_FMT_RGB32, 0) >= 0 &&
                    av_opt_set_int(ctx, "sws_flags", kFlags, 0) >= 0 &&
                    av_opt_set_int(ctx, "threads", threads_, 0) >= 0 &&
                    sws_init_context(ctx, nullptr, nullptr) >= 0;
    if (!ok) sws_freeContext(ctx);
    return ok ? ctx : nullptr;
}

std::shared_ptr<VideoFrame> FrameConverter::convert(const AVFrame* frame, Size size,
                                                    int64_t ptsMs) {
    if (!frame || frame->width <= 0 || frame->height <= 0 || frame->format < 0) return nullptr;
    const auto t0 = std::chrono::steady_clock::now();
    const int dstW = size.w > 0 && size.h > 0 ? size.w : frame->width;
    const int dstH = size.w > 0 && size.h > 0 ? size.h : frame->height;
    const int cs = swsColorspace(frame);
    const int range = fullRange(frame) ? 1 : 0;
    if (!scaler_ || srcW_ != frame->width || srcH_ != frame->height ||
        srcFormat_ != frame->format || dstW_ != dstW || dstH_ != dstH || colorspace_ != cs ||
        range_ != range) {
        scaler_.reset(makeScaler(frame, dstW, dstH));
        if (!scaler_) return nullptr;
        const int* coeffs = sws_getCoefficients(cs);
        // Output is full-range RGB; brightness 0, contrast and saturation 1.0 (16.16).
        sws_setColorspaceDetails(scaler_.get(), coeffs, range, sws_getCoefficients(SWS_CS_DEFAULT),
                                 1, 0, 1 << 16, 1 << 16);
        srcW_ = frame->width;
        srcH_ = frame->height;
        srcFormat_ = frame->format;
        dstW_ = dstW;
        dstH_ = dstH;
        colorspace_ = cs;
        range_ = range;
    }
    auto out = std::make_shared<VideoFrame>();
    out->width = dstW;
    out->height = dstH;
    out->ptsMs = ptsMs;
    out->pixels.resize(size_t(dstW) * size_t(dstH));
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(out->pixels.data()), nullptr, nullptr, nullptr};
    int dstStride[4] = {dstW * 4, 0, 0, 0};
    if (threads_ > 1 && frame->buf[0]) {
        // The threaded path takes frames; the output frame wraps our own pixels.
        FramePtr src = refFrame(frame);
        FramePtr to = makeFrame();
        if (!src || !to) return nullptr;
        to->width = dstW;
        to->height = dstH;
        to->format = AV_PIX_FMT_RGB32;
        to->data[0] = dst[0];
        to->linesize[0] = dstStride[0];
        to->buf[0] = av_buffer_create(
            dst[0], out->pixels.size() * sizeof(uint32_t), [](void*, uint8_t*) {}, nullptr, 0);
        if (!to->buf[0] || sws_scale_frame(scaler_.get(), to.get(), src.get()) < 0) return nullptr;
    } else if (sws_scale(scaler_.get(), frame->data, frame->linesize, 0, frame->height, dst,
                         dstStride) != dstH) {
        return nullptr;
    }
    for (uint32_t& p : out->pixels) p |= 0xFF000000u;
    counters::add(counters::conversions, 1);
    counters::add(counters::conversionNs, std::chrono::duration_cast<std::chrono::nanoseconds>(
                                              std::chrono::steady_clock::now() - t0)
                                              .count());
    return out;
}

}  // namespace stillmar::mci::engine
