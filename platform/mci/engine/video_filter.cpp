#include "platform/mci/engine/video_filter.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
}

#include <cmath>
#include <cstdlib>

namespace stillmar::mci::engine {
namespace {

using InOutPtr = FfPtr<AVFilterInOut, avfilter_inout_free>;

// One output frame per input frame; frames not flagged interlaced pass as they are.
constexpr const char* kDeinterlace = "bwdif=mode=send_frame:parity=auto:deint=interlaced";

}  // namespace

void VideoFilter::GraphDeleter::operator()(AVFilterGraph* g) const {
    avfilter_graph_free(&g);
}

std::string VideoFilter::orientationFilters(const AVStream* stream) {
    if (!stream) return {};
    const auto* matrix = reinterpret_cast<const int32_t*>(
        av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    double theta = 0;  // clockwise degrees
    if (matrix) {
        theta = -std::round(av_display_rotation_get(matrix));
    } else if (const AVDictionaryEntry* tag = av_dict_get(stream->metadata, "rotate", nullptr, 0)) {
        theta = std::strtod(tag->value, nullptr);
    }
    if (!std::isfinite(theta)) return {};
    theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
    // A mirrored matrix shows as a flip on top of the turn.
    if (std::fabs(theta - 90) < 1.0)
        return matrix && matrix[3] > 0 ? "transpose=cclock_flip" : "transpose=clock";
    if (std::fabs(theta - 270) < 1.0)
        return matrix && matrix[3] < 0 ? "transpose=clock_flip" : "transpose=cclock";
    if (std::fabs(theta - 180) < 1.0) {
        if (!matrix) return "hflip,vflip";
        std::string chain = matrix[0] < 0 ? "hflip" : "";
        if (matrix[4] < 0) chain += chain.empty() ? "vflip" : ",vflip";
        return chain;
    }
    if (std::fabs(theta) < 1.0 && matrix && matrix[4] < 0) return "vflip";
    return {};  // upright, or a turn that is not a quarter: shown as stored
}

VideoFilter::VideoFilter(const AVStream* stream)
    : orientation_(orientationFilters(stream)),
      timeBase_(stream && stream->time_base.num > 0 ? stream->time_base : AVRational{1, 1}) {
    switch (stream && stream->codecpar ? stream->codecpar->field_order : AV_FIELD_UNKNOWN) {
        case AV_FIELD_TT:  // top coded first, top shown first
        case AV_FIELD_BT:  // bottom coded first, top shown first
            fields_ = Fields::TopFirst;
            break;
        case AV_FIELD_BB:
        case AV_FIELD_TB:
            fields_ = Fields::BottomFirst;
            break;
        default:
            break;
    }
}

VideoFilter::~VideoFilter() = default;

void VideoFilter::restart() {
    lastFed_ = AV_NOPTS_VALUE;
}

std::string bufferArgs(int width, int height, int format, AVRational sar, AVRational timeBase) {
    if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
    return "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
           ":pix_fmt=" + std::to_string(format) + ":time_base=" + std::to_string(timeBase.num) +
           "/" + std::to_string(timeBase.den) + ":pixel_aspect=" + std::to_string(sar.num) + "/" +
           std::to_string(sar.den);
}

bool buildFilterChain(AVFilterGraph* graph, const std::string& args, const std::string& chain,
                      AVFilterContext*& source, AVFilterContext*& sink) {
    source = sink = nullptr;
    if (!graph ||
        avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args.c_str(),
                                     nullptr, graph) < 0 ||
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                     nullptr, graph) < 0)
        return false;
    InOutPtr outputs(avfilter_inout_alloc()), inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) return false;
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    if (!outputs->name || !inputs->name) return false;
    AVFilterInOut* outs = outputs.release();
    AVFilterInOut* ins = inputs.release();
    const int rc = avfilter_graph_parse_ptr(graph, chain.c_str(), &ins, &outs, nullptr);
    outputs.reset(outs);
    inputs.reset(ins);
    return rc >= 0 && avfilter_graph_config(graph, nullptr) >= 0;
}

bool VideoFilter::build(const Key& key) {
    graph_.reset(avfilter_graph_alloc());
    source_ = sink_ = nullptr;
    ended_ = false;
    lastFed_ = AV_NOPTS_VALUE;
    key_ = key;
    std::string chain = key.deinterlace ? kDeinterlace : "";
    if (!orientation_.empty()) chain += (chain.empty() ? "" : ",") + orientation_;
    if (chain.empty()) chain = "null";
    return buildFilterChain(graph_.get(),
                            bufferArgs(key.width, key.height, key.format, key.sar, timeBase_),
                            chain, source_, sink_);
}

bool VideoFilter::feed(const AVFrame* frame) {
    FramePtr copy = refFrame(frame);
    if (!copy) return false;
    copy->pts = frame->best_effort_timestamp;
    if (!copy->interlaced_frame && fields_ != Fields::Unknown) {
        copy->interlaced_frame = 1;
        copy->top_field_first = fields_ == Fields::TopFirst;
    }
    lastFed_ = frame->best_effort_timestamp;
    return av_buffersrc_add_frame_flags(source_, copy.get(), 0) >= 0;
}

FramePtr VideoFilter::take(int64_t ticks) {
    // The deinterlacer counts in half ticks (it could make a frame per field).
    const AVRational outBase = av_buffersink_get_time_base(sink_);
    FramePtr out = makeFrame();
    while (out && av_buffersink_get_frame(sink_, out.get()) >= 0) {
        if (av_rescale_q(out->pts, outBase, timeBase_) >= ticks) {
            out->best_effort_timestamp = ticks;
            return out;
        }
        av_frame_unref(out.get());  // a neighbour's picture, fed only to get here
    }
    return nullptr;
}

FramePtr VideoFilter::apply(const AVFrame* prev, const AVFrame* cur, const AVFrame* next) {
    if (!cur) return nullptr;
    const bool deinterlace = interlaced(cur);
    const Key key{cur->width, cur->height, cur->format, cur->sample_aspect_ratio, deinterlace};
    const auto sameKind = [&](const AVFrame* f) {
        return f && f->width == key.width && f->height == key.height && f->format == key.format;
    };
    const int64_t ticks = cur->best_effort_timestamp;
    // A running deinterlacer holds the frame before `cur` and `cur` itself when `cur` was the
    // last frame fed; anything else starts a new graph.
    if (failed_ && key == key_) return nullptr;
    const bool running = graph_ && !ended_ && key == key_ && (!deinterlace || lastFed_ == ticks);
    if (!running && !build(key)) {
        graph_.reset();
        failed_ = true;
        return nullptr;
    }
    failed_ = false;
    bool fed = true;
    if (deinterlace) {
        if (lastFed_ != ticks) {
            if (sameKind(prev)) fed = feed(prev);
            fed = fed && feed(cur);
        }
        if (sameKind(next)) {
            fed = fed && feed(next);
        } else {
            fed = fed && av_buffersrc_add_frame_flags(source_, nullptr, 0) >= 0;
            ended_ = true;
        }
    } else {
        fed = feed(cur);
    }
    FramePtr out = fed ? take(ticks) : nullptr;
    if (!out) graph_.reset();
    return out;
}

}  // namespace stillmar::mci::engine
