// The pictures handed to the surface, converted now or when drawn.
#include "platform/mci/engine/video_output.h"

namespace stillmar::mci::engine {
namespace {

FrameMaker makerFor(const MediaSource& source, const AVFrame* frame, int64_t ptsMs) {
    std::shared_ptr<AVFrame> ref(refFrame(frame).release(), [](AVFrame* f) { av_frame_free(&f); });
    if (!ref) return nullptr;
    // The converter lives with the file and with the surfaces that keep such a frame, which
    // may outlive the engine.
    return [ref, ptsMs, converter = source.drawConverter()](Size size) {
        return VideoFramePtr(converter->convert(ref.get(), size, ptsMs));
    };
}

}  // namespace

void VideoOutput::setSurface(VideoSurface* surface) {
    std::lock_guard lock(mutex_);
    surface_ = surface;
    last_ = {};
}

bool VideoOutput::hasSurface() const {
    std::lock_guard lock(mutex_);
    return surface_ != nullptr;
}

void VideoOutput::present(MediaSource& source, const AVFrame* frame, int64_t ptsMs, bool now) {
    std::lock_guard lock(mutex_);
    if (!surface_ || !frame) return;
    const Size size = surface_->targetSize();
    const Presented current{surface_, frame->data[0], ptsMs, size};
    if (current == last_) return;  // the surface has this frame for this size
    last_ = current;
    if (!now || !surface_->wantsPictures()) {
        if (FrameMaker make = makerFor(source, frame, ptsMs))
            surface_->presentLater(std::move(make));
        return;
    }
    VideoFramePtr image = source.firstImage(frame, size);
    if (!image) {
        image = converter_.convert(frame, size, ptsMs);
        source.keepFirstImage(frame, image);
    }
    if (image) surface_->present(std::move(image));
}

}  // namespace stillmar::mci::engine
