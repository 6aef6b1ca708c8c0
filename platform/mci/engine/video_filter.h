#pragma once
// Pictures as a person should see them: turned upright by the stream's display matrix (phone
// clips are stored landscape and tagged with a rotation) and, when a frame is interlaced,
// deinterlaced with one output frame per input frame, so that which frame stands at a time
// does not change. Progressive, unrotated frames never reach a filter graph.

#include <string>

#include "platform/mci/engine/ff.h"

struct AVFilterGraph;
struct AVFilterContext;

namespace stillmar::mci::engine {

// The arguments of a buffer source for frames of that size, format and time base.
std::string bufferArgs(int width, int height, int format, AVRational sar, AVRational timeBase);
// Puts `chain` (the ffmpeg tool's filter syntax) between a buffer source made with `args` and
// a buffer sink, in `graph`, and configures it. False when any of it fails.
bool buildFilterChain(AVFilterGraph* graph, const std::string& args, const std::string& chain,
                      AVFilterContext*& source, AVFilterContext*& sink);

class VideoFilter {
  public:
    // The filters that turn `stream`'s pictures upright ("" when none), from its display
    // matrix or, in older files, its "rotate" tag.
    static std::string orientationFilters(const AVStream* stream);

    explicit VideoFilter(const AVStream* stream);
    ~VideoFilter();
    VideoFilter(const VideoFilter&) = delete;
    VideoFilter& operator=(const VideoFilter&) = delete;

    // False when `frame` is shown as decoded.
    bool changes(const AVFrame* frame) const { return turns() || interlaced(frame); }
    // Deinterlacing looks at the frames before and after. A frame is interlaced when the decoder
    // says so, or when the container says the stream's fields are (a codec that cannot tell).
    bool interlaced(const AVFrame* frame) const {
        return frame && (frame->interlaced_frame || fields_ != Fields::Unknown);
    }
    bool turns() const { return !orientation_.empty(); }
    // Whether the upright picture's sides are swapped (a quarter turn).
    bool swapsSides() const { return orientation_.rfind("transpose", 0) == 0; }

    // The picture to show for `cur`, given the frames decoded just before and after it (null
    // when there are none: at a seek point, at the end). Null when the graph cannot be made;
    // the caller then shows `cur` as it is. Frames of one run are fed in order, so the graph
    // keeps its state from one call to the next and each frame is filtered once.
    FramePtr apply(const AVFrame* prev, const AVFrame* cur, const AVFrame* next);
    // The frames that follow are not those fed so far (the demuxer moved).
    void restart();

  private:
    struct Key {
        int width = 0, height = 0, format = -1;
        AVRational sar{0, 1};
        bool deinterlace = false;
        bool operator==(const Key& o) const {
            return width == o.width && height == o.height && format == o.format &&
                   av_cmp_q(sar, o.sar) == 0 && deinterlace == o.deinterlace;
        }
    };
    struct GraphDeleter {
        void operator()(AVFilterGraph* g) const;
    };

    bool build(const Key& key);
    bool feed(const AVFrame* frame);
    FramePtr take(int64_t ticks);

    enum class Fields { Unknown, TopFirst, BottomFirst };

    std::string orientation_;
    Fields fields_ = Fields::Unknown;  // the stream's field order, from its container
    AVRational timeBase_{1, 1};
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph_;
    AVFilterContext* source_ = nullptr;  // owned by the graph
    AVFilterContext* sink_ = nullptr;
    Key key_;
    bool failed_ = false;  // key_ cannot be filtered (a pixel format the filters refuse)
    bool ended_ = false;   // the graph was told the input ended
    int64_t lastFed_ = AV_NOPTS_VALUE;  // the last frame fed, by its time
};

}  // namespace stillmar::mci::engine
