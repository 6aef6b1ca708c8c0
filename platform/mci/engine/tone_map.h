#pragma once
// HDR and wide-gamut pictures made ordinary BT.709 video before they are converted to RGB, with
// libavfilter's zscale and tonemap in the chain most guides give, so that a still can be made
// again with the ffmpeg tool:
//
//   zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,
//   zscale=t=bt709:m=bt709:r=tv
//
// A PQ or HLG picture takes the whole chain; a BT.2020 picture with an ordinary transfer the
// gamut conversion only (the chain without tonemap); any other picture none of it, and never
// meets a filter graph. What comes out is float RGB (gbrpf32le, BT.709), which the frame
// converter turns into 8-bit RGB like any other picture. A picture wanted smaller than it was
// decoded is scaled down by the first zscale (w, h, f=bicubic), so that the float work is done
// at the size shown. The colour tags are read from each frame.

#include <memory>
#include <string>

#include "platform/mci/engine/ff.h"
#include "platform/mci/video_surface.h"

struct AVFilterGraph;
struct AVFilterContext;

namespace stillmar::mci::engine {

class ToneMap {
  public:
    // `threads`: the filters' slices (1: on the caller's thread only).
    explicit ToneMap(int threads = 1) : threads_(threads) {}
    ~ToneMap();
    ToneMap(const ToneMap&) = delete;
    ToneMap& operator=(const ToneMap&) = delete;

    // Whether `frame` is PQ, HLG or BT.2020, and so must be mapped before it is shown.
    static bool needed(const AVFrame* frame);
    // The chain `frame` takes to be shown at `size` (0x0: its own size); "" when none.
    static std::string chain(const AVFrame* frame, Size size);

    // `frame` mapped, at `size`; null when it needs no mapping or cannot be mapped.
    FramePtr apply(const AVFrame* frame, Size size);

  private:
    struct Key {
        int width = 0, height = 0, format = -1;
        int trc = -1, primaries = -1, matrix = -1, range = -1;
        Size size;
        bool operator==(const Key&) const = default;
    };
    struct GraphDeleter {
        void operator()(AVFilterGraph* g) const;
    };

    int threads_ = 1;
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph_;
    AVFilterContext* source_ = nullptr;  // owned by the graph
    AVFilterContext* sink_ = nullptr;
    Key key_;
    bool failed_ = false;  // key_ cannot be mapped
    int64_t pts_ = 0;
};

}  // namespace stillmar::mci::engine
