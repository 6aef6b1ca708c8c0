#pragma once
// The engine's pictures on their way to the window's surface: converted at once for a playing
// frame the window draws now, handed over unconverted (converted when drawn, at the size the
// surface has then) for anything else. A picture the surface already has at its size is not
// given again, so a refresh that changes nothing costs nothing.
//
// Threads and locks: setSurface() and hasSurface() from the engine's caller, present() from
// the caller (a refresh) and the presenter thread. mutex_ guards surface_, last_ and converter_;
// under it come the source's image lock, the converters' locks and the surface's own, and
// nothing of the engine's is taken.

#include <cstdint>
#include <mutex>

#include "platform/mci/engine/frame_converter.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/video_surface.h"

namespace stillmar::mci::engine {

class VideoOutput {
  public:
    // The surface to draw on (none: pictures go nowhere); the next picture is given in full.
    void setSurface(VideoSurface* surface);
    bool hasSurface() const;
    // Gives `frame` of `source` (shown at `ptsMs`) to the surface: converted `now`, or handed
    // over to be converted when drawn.
    void present(MediaSource& source, const AVFrame* frame, int64_t ptsMs, bool now);

  private:
    // What the surface was last given, and for which size.
    struct Presented {
        const VideoSurface* surface = nullptr;
        const uint8_t* data = nullptr;
        int64_t ptsMs = -1;
        Size size;
        bool operator==(const Presented&) const = default;
    };

    mutable std::mutex mutex_;
    VideoSurface* surface_ = nullptr;
    Presented last_;
    FrameConverter converter_;
};

}  // namespace stillmar::mci::engine
