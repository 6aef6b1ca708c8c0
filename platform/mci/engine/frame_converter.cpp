#include "platform/mci/engine/frame_converter.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "platform/mci/engine/engine_counters.h"

namespace stillmar::mci::engine {
namespace {

int swsColorspace(const AVFrame* f) {
    // RGB pictures (tone-mapped ones among them) carry no matrix: the scaler's own default,
    // whatever the picture's size, or its RGB to RGB path shifts the colours.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(f->format));
    if (desc && (desc->flags & AV_PIX_FMT_FLAG_RGB)) return SWS_CS_DEFAULT;
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

SwsContext* FrameConverter::makeScaler(const AVFrame* frame, int dstW, int dstH,
                                       AVPixelFormat to) const {
    if (threads_ <= 1)
        return sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), dstW, dstH,
                              to, kFlags, nullptr, nullptr, nullptr);
    SwsContext* ctx = sws_alloc_context();
    if (!ctx) return nullptr;
    const bool ok = av_opt_set_int(ctx, "srcw", frame->width, 0) >= 0 &&
                    av_opt_set_int(ctx, "srch", frame->height, 0) >= 0 &&
                    av_opt_set_int(ctx, "src_format", frame->format, 0) >= 0 &&
                    av_opt_set_int(ctx, "dstw", dstW, 0) >= 0 &&
                    av_opt_set_int(ctx, "dsth", dstH, 0) >= 0 &&
                    av_opt_set_int(ctx, "dst_format", to, 0) >= 0 &&
                    av_opt_set_int(ctx, "sws_flags", kFlags, 0) >= 0 &&
                    av_opt_set_int(ctx, "threads", threads_, 0) >= 0 &&
                    sws_init_context(ctx, nullptr, nullptr) >= 0;
    if (!ok) sws_freeContext(ctx);
    return ok ? ctx : nullptr;
}

bool FrameConverter::scale(const AVFrame* frame, AVFrame* to) {
    FramePtr mapped;
    if (ToneMap::needed(frame)) {
        const auto t0 = std::chrono::steady_clock::now();
        mapped = toneMap_.apply(frame, Size{to->width, to->height});
        // Shown as decoded when the filters cannot take it.
        if (mapped) frame = mapped.get();
        counters::add(counters::toneMaps, 1);
        counters::add(counters::toneMapNs, std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::steady_clock::now() - t0)
                                               .count());
    }
    const int cs = swsColorspace(frame);
    const int range = fullRange(frame) ? 1 : 0;
    if (!scaler_ || srcW_ != frame->width || srcH_ != frame->height ||
        srcFormat_ != frame->format || dstW_ != to->width || dstH_ != to->height ||
        dstFormat_ != to->format || colorspace_ != cs || range_ != range) {
        scaler_.reset(makeScaler(frame, to->width, to->height, AVPixelFormat(to->format)));
        if (!scaler_) return false;
        const int* coeffs = sws_getCoefficients(cs);
        // Output is full-range RGB; brightness 0, contrast and saturation 1.0 (16.16).
        sws_setColorspaceDetails(scaler_.get(), coeffs, range, sws_getCoefficients(SWS_CS_DEFAULT),
                                 1, 0, 1 << 16, 1 << 16);
        srcW_ = frame->width;
        srcH_ = frame->height;
        srcFormat_ = frame->format;
        dstW_ = to->width;
        dstH_ = to->height;
        dstFormat_ = to->format;
        colorspace_ = cs;
        range_ = range;
    }
    if (threads_ > 1 && frame->buf[0]) {
        // The threaded path takes frames.
        FramePtr src = refFrame(frame);
        return src && sws_scale_frame(scaler_.get(), to, src.get()) >= 0;
    }
    return sws_scale(scaler_.get(), frame->data, frame->linesize, 0, frame->height, to->data,
                     to->linesize) == to->height;
}

namespace {

bool convertible(const AVFrame* frame) {
    return frame && frame->width > 0 && frame->height > 0 && frame->format >= 0;
}

Size outputSize(const AVFrame* frame, Size size) {
    return size.w > 0 && size.h > 0 ? size : Size{frame->width, frame->height};
}

void countConversion(std::chrono::steady_clock::time_point t0) {
    counters::add(counters::conversions, 1);
    counters::add(counters::conversionNs, std::chrono::duration_cast<std::chrono::nanoseconds>(
                                              std::chrono::steady_clock::now() - t0)
                                              .count());
}

// Whether the scaler makes the same pixels planar (G, B, R) as packed, where the planar output
// costs half as much: for every picture with a luma and chroma (HDR ones too, which are mapped
// to planar RGB first). Paletted and grey pictures take the packed path, whose values differ.
bool planarPaysOff(const AVFrame* frame) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    return desc && desc->nb_components >= 3 &&
           !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
}

// Planar G, B, R rows into 0xFFRRGGBB pixels.
void packPlanes(const AVFrame* planes, uint32_t* pixels) {
    const int w = planes->width;
    for (int y = 0; y < planes->height; ++y) {
        const uint8_t* g = planes->data[0] + std::ptrdiff_t(y) * planes->linesize[0];
        const uint8_t* b = planes->data[1] + std::ptrdiff_t(y) * planes->linesize[1];
        const uint8_t* r = planes->data[2] + std::ptrdiff_t(y) * planes->linesize[2];
        uint32_t* out = pixels + std::ptrdiff_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = 0xFF000000u | uint32_t(r[x]) << 16 | uint32_t(g[x]) << 8 | b[x];
    }
}

}  // namespace

std::shared_ptr<VideoFrame> FrameConverter::convert(const AVFrame* frame, Size size,
                                                    int64_t ptsMs) {
    if (!convertible(frame)) return nullptr;
    const auto t0 = std::chrono::steady_clock::now();
    const Size dst = outputSize(frame, size);
    auto out = std::make_shared<VideoFrame>();
    out->width = dst.w;
    out->height = dst.h;
    out->ptsMs = ptsMs;
    out->pixels.resize(size_t(dst.w) * size_t(dst.h));
    if (planarPaysOff(frame)) {
        FramePtr planes = makeFrame();
        if (!planes) return nullptr;
        planes->width = dst.w;
        planes->height = dst.h;
        planes->format = AV_PIX_FMT_GBRP;
        if (av_frame_get_buffer(planes.get(), 0) < 0 || !scale(frame, planes.get())) return nullptr;
        packPlanes(planes.get(), out->pixels.data());
        countConversion(t0);
        return out;
    }
    // The output frame wraps the image's own pixels.
    FramePtr to = makeFrame();
    if (!to) return nullptr;
    to->width = dst.w;
    to->height = dst.h;
    to->format = AV_PIX_FMT_RGB32;
    to->data[0] = reinterpret_cast<uint8_t*>(out->pixels.data());
    to->linesize[0] = dst.w * 4;
    to->buf[0] = av_buffer_create(
        to->data[0], out->pixels.size() * sizeof(uint32_t), [](void*, uint8_t*) {}, nullptr, 0);
    if (!to->buf[0] || !scale(frame, to.get())) return nullptr;
    for (uint32_t& p : out->pixels) p |= 0xFF000000u;
    countConversion(t0);
    return out;
}

BgrPicture FrameConverter::convertBgr(const AVFrame* frame, Size size) {
    if (!convertible(frame)) return {};
    const auto t0 = std::chrono::steady_clock::now();
    const Size dst = outputSize(frame, size);
    FramePtr to = makeFrame();
    if (!to) return {};
    to->width = dst.w;
    to->height = dst.h;
    // Without a change of height the scaler makes planar G, B, R several times faster than
    // packed pixels, with the very same values; rows are interleaved as they are read.
    to->format = dst.h == frame->height ? AV_PIX_FMT_GBRP : AV_PIX_FMT_BGR24;
    if (av_frame_get_buffer(to.get(), 0) < 0 || !scale(frame, to.get())) return {};
    countConversion(t0);
    return BgrPicture(std::move(to));
}

void BgrPicture::row(int y, uint8_t* bgr) const {
    const AVFrame* f = frame_.get();
    if (f->format == AV_PIX_FMT_BGR24) {
        std::memcpy(bgr, f->data[0] + std::ptrdiff_t(y) * f->linesize[0], size_t(f->width) * 3);
        return;
    }
    const uint8_t* g = f->data[0] + std::ptrdiff_t(y) * f->linesize[0];
    const uint8_t* b = f->data[1] + std::ptrdiff_t(y) * f->linesize[1];
    const uint8_t* r = f->data[2] + std::ptrdiff_t(y) * f->linesize[2];
    for (int x = 0; x < f->width; ++x, bgr += 3) {
        bgr[0] = b[x];
        bgr[1] = g[x];
        bgr[2] = r[x];
    }
}

}  // namespace stillmar::mci::engine
