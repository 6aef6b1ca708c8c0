#include "platform/mci/engine/tone_map.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include "platform/mci/engine/video_filter.h"

namespace stillmar::mci::engine {
namespace {

bool hdrTransfer(int trc) {
    return trc == AVCOL_TRC_SMPTE2084 || trc == AVCOL_TRC_ARIB_STD_B67;
}

Size wanted(const AVFrame* frame, Size size) {
    return size.w > 0 && size.h > 0 ? size : Size{frame->width, frame->height};
}

}  // namespace

void ToneMap::GraphDeleter::operator()(AVFilterGraph* g) const {
    avfilter_graph_free(&g);
}

ToneMap::~ToneMap() = default;

bool ToneMap::needed(const AVFrame* frame) {
    return frame && (hdrTransfer(frame->color_trc) || frame->color_primaries == AVCOL_PRI_BT2020);
}

std::string ToneMap::chain(const AVFrame* frame, Size size) {
    if (!needed(frame)) return {};
    std::string first = "zscale=";
    const Size to = wanted(frame, size);
    if (to.w != frame->width || to.h != frame->height)
        first += "w=" + std::to_string(to.w) + ":h=" + std::to_string(to.h) + ":f=bicubic:";
    // What a frame leaves unsaid is taken as such video usually is.
    if (frame->color_primaries == AVCOL_PRI_UNSPECIFIED) first += "pin=bt2020:";
    if (frame->color_trc == AVCOL_TRC_UNSPECIFIED) first += "tin=bt709:";
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
        if (frame->colorspace == AVCOL_SPC_UNSPECIFIED) first += "min=bt2020nc:";
        if (frame->color_range == AVCOL_RANGE_UNSPECIFIED) first += "rin=tv:";
    }
    first += "t=linear:npl=100";
    const char* toneMap = hdrTransfer(frame->color_trc) ? "tonemap=tonemap=hable:desat=0," : "";
    return first + ",format=gbrpf32le,zscale=p=bt709," + toneMap + "zscale=t=bt709:m=bt709:r=tv";
}

FramePtr ToneMap::apply(const AVFrame* frame, Size size) {
    if (!needed(frame) || frame->width <= 0 || frame->height <= 0) return nullptr;
    const Key key{frame->width,       frame->height,          frame->format,
                  frame->color_trc,   frame->color_primaries, frame->colorspace,
                  frame->color_range, wanted(frame, size)};
    if (!graph_ || !(key == key_)) {
        if (failed_ && key == key_) return nullptr;
        key_ = key;
        graph_.reset(avfilter_graph_alloc());
        if (graph_) graph_->nb_threads = threads_;
        failed_ = !buildFilterChain(graph_.get(),
                                    bufferArgs(frame->width, frame->height, frame->format,
                                               frame->sample_aspect_ratio, AVRational{1, 1}),
                                    chain(frame, size), source_, sink_);
        if (failed_) {
            graph_.reset();
            return nullptr;
        }
    }
    FramePtr in = refFrame(frame);
    FramePtr out = makeFrame();
    if (in) in->pts = pts_++;
    if (!in || !out || av_buffersrc_add_frame_flags(source_, in.get(), 0) < 0 ||
        av_buffersink_get_frame(sink_, out.get()) < 0) {
        // A graph that took a frame and gave none back is in no known state.
        graph_.reset();
        return nullptr;
    }
    return out;
}

}  // namespace stillmar::mci::engine
