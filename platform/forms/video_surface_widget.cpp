#include "platform/forms/video_surface_widget.h"

#include <QCoreApplication>
#include <QPainter>

#include "platform/forms/handles.h"
#include "platform/forms/window_layer.h"

namespace stillmar::forms {

VideoSurfaceWidget::VideoSurfaceWidget(std::shared_ptr<SurfaceState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state)) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void VideoSurfaceWidget::paintEvent(QPaintEvent*) {
    mci::Rect dest;
    {
        std::lock_guard lock(state_->mutex);
        dest = state_->destinationSet ? state_->destination : mci::Rect{0, 0, width(), height()};
    }
    // A frame handed over unconverted is converted here, at the size it is drawn at.
    const mci::VideoFramePtr frame = state_->slot.picture({dest.w, dest.h});
    state_->undrawn = 0;
    QPainter p(this);
    const QRect target(dest.x, dest.y, dest.w, dest.h);
    QRegion around(rect());
    if (frame && frame->width > 0 && frame->height > 0 &&
        frame->pixels.size() >= static_cast<size_t>(frame->width) * frame->height) {
        // The frame's pixels outlive the painter through `frame`; no copy is made.
        const QImage img(reinterpret_cast<const uchar*>(frame->pixels.data()), frame->width,
                         frame->height, frame->width * 4, QImage::Format_RGB32);
        if (img.size() == target.size())
            p.drawImage(target.topLeft(), img);
        else
            p.drawImage(target, img);
        around -= target;
    }
    for (const QRect& r : around) p.fillRect(r, Qt::black);
}

namespace {

constexpr int kUndrawnLimit = 3;

class WidgetSurface final : public mci::VideoSurface {
  public:
    WidgetSurface(QWidget* parent, mci::Size videoSize) : state_(std::make_shared<SurfaceState>()) {
        widget_ = new VideoSurfaceWidget(state_, parent);
        widget_->setGeometry(0, 0, videoSize.w, videoSize.h);
        widget_->hide();
        handle_ = handleOf(widget_);
        rect_ = {0, 0, videoSize.w, videoSize.h};
        windowW_ = videoSize.w;
        windowH_ = videoSize.h;
    }

    ~WidgetSurface() override { delete widget_.data(); }

    int32_t handle() const override { return handle_; }

    void setWindowRect(mci::Rect r) override {
        rect_ = r;
        windowW_ = std::max(0, r.w);
        windowH_ = std::max(0, r.h);
        if (widget_) widget_->setGeometry(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
        queueRepaint();
    }
    mci::Rect windowRect() const override { return rect_; }

    void setDestination(mci::Rect r) override {
        {
            std::lock_guard lock(state_->mutex);
            state_->destination = r;
            state_->destinationSet = true;
        }
        queueRepaint();
    }
    mci::Rect destination() const override {
        std::lock_guard lock(state_->mutex);
        return state_->destinationSet ? state_->destination : mci::Rect{0, 0, rect_.w, rect_.h};
    }

    void setVisible(bool visible) override {
        visible_ = visible;
        if (widget_) widget_->setVisible(visible);
    }
    bool isVisible() const override { return visible_; }
    // A few frames may wait for a busy window thread; more mean that nothing draws them.
    bool wantsPictures() const override { return visible_ && state_->undrawn < kUndrawnLimit; }

    mci::Size targetSize() const override {
        std::lock_guard lock(state_->mutex);
        if (state_->destinationSet) return {state_->destination.w, state_->destination.h};
        return {windowW_.load(), windowH_.load()};
    }

    void present(mci::VideoFramePtr frame) override {
        state_->slot.set(std::move(frame));
        ++state_->undrawn;
        queueRepaint();
    }

    void presentLater(mci::FrameMaker make) override {
        state_->slot.setLater(std::move(make));
        ++state_->undrawn;
        queueRepaint();
    }

    mci::VideoFramePtr presented() const override { return state_->slot.picture(targetSize()); }

  private:
    // Never blocks: one repaint at a time is queued to the window thread, and it finds the
    // widget through the handle table there, so a destroyed widget is simply skipped.
    void queueRepaint() {
        if (QCoreApplication::instance() == nullptr) return;
        if (state_->repaintQueued.exchange(true)) return;
        std::weak_ptr<SurfaceState> weak = state_;
        const int32_t h = handle_;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak, h] {
                if (auto s = weak.lock()) s->repaintQueued.store(false);
                if (QWidget* w = widgetOf(h)) w->update();
            },
            Qt::QueuedConnection);
    }

    std::shared_ptr<SurfaceState> state_;
    QPointer<VideoSurfaceWidget> widget_;
    int32_t handle_ = 0;
    mci::Rect rect_;
    std::atomic<bool> visible_{false};  // read by the presenter thread
    std::atomic<int32_t> windowW_{0}, windowH_{0};
};

}  // namespace

std::unique_ptr<mci::VideoSurface> WidgetSurfaceFactory::createSurface(int32_t parent, bool child,
                                                                       mci::Size videoSize) {
    Q_UNUSED(child);
    QWidget* host = widgetOf(parent);
    if (host == nullptr) return nullptr;
    return std::make_unique<WidgetSurface>(host, videoSize);
}

}  // namespace stillmar::forms
