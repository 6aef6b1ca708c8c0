#include "platform/forms/window_layer.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <set>
#include <thread>
#include <vector>

#include "platform/forms/handles.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

mci::VideoFramePtr solidFrame(int w, int h, uint32_t argb) {
    auto f = std::make_shared<mci::VideoFrame>();
    f->width = w;
    f->height = h;
    f->pixels.assign(static_cast<size_t>(w) * h, argb);
    return f;
}

TEST(VideoSurfaceTest, frameFromAnotherThread_isSeenByAGrabOfTheParent) {
    test::qtApp();
    QWidget parent;
    parent.resize(200, 100);
    parent.setAutoFillBackground(true);
    parent.setPalette(QPalette(QColor(0, 0, 128)));
    forms::WidgetSurfaceFactory factory;
    auto surface = factory.createSurface(forms::handleOf(&parent), true, {320, 240});
    ASSERT_TRUE(surface);
    EXPECT_EQ(forms::widgetOf(surface->handle())->parentWidget(), &parent);
    EXPECT_FALSE(surface->isVisible());  // created hidden, as the service expects
    surface->setWindowRect({10, 10, 100, 50});
    surface->setDestination({20, 0, 60, 50});
    surface->setVisible(true);
    EXPECT_EQ(surface->targetSize(), (mci::Size{60, 50}));

    std::thread decoder([&] { surface->present(solidFrame(60, 50, 0xFFFF0000)); });
    decoder.join();
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(50, 30)), QColor(255, 0, 0));  // inside the destination
    EXPECT_EQ(QColor(shot.pixel(15, 30)), QColor(0, 0, 0));    // window, outside it: black
    EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(0, 0, 128));    // the parent around the window
    ASSERT_TRUE(surface->presented());
    EXPECT_EQ(surface->presented()->width, 60);
}

TEST(VideoSurfaceTest, frameHandedOver_isConvertedOnceAtTheSizeItIsDrawnAt) {
    test::qtApp();
    QWidget parent;
    parent.resize(200, 100);
    forms::WidgetSurfaceFactory factory;
    auto surface = factory.createSurface(forms::handleOf(&parent), true, {320, 240});
    ASSERT_TRUE(surface);
    std::vector<mci::Size> made;
    surface->presentLater([&made](mci::Size size) {
        made.push_back(size);
        return solidFrame(size.w, size.h, 0xFF00FF00);
    });
    // Hidden, then placed twice: nothing is drawn, nothing is converted.
    surface->setWindowRect({0, 0, 32, 24});
    surface->setVisible(true);
    surface->setWindowRect({0, 0, 100, 50});
    QCoreApplication::processEvents();
    EXPECT_TRUE(made.empty());
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(50, 25)), QColor(0, 255, 0));
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0], (mci::Size{100, 50}));
    parent.grab();
    ASSERT_TRUE(surface->presented());
    EXPECT_EQ(made.size(), 1u);  // the same size again costs nothing
    // A frame given ready-made replaces the one handed over.
    surface->present(solidFrame(100, 50, 0xFFFF0000));
    EXPECT_EQ(QColor(parent.grab().toImage().pixel(50, 25)), QColor(255, 0, 0));
    EXPECT_EQ(made.size(), 1u);

    // Frames that are never drawn (a covered window) stop being wanted ready-made, until the
    // window draws again.
    EXPECT_TRUE(surface->wantsPictures());
    for (int i = 0; i < 3; ++i) surface->present(solidFrame(100, 50, 0xFF0000FF));
    EXPECT_FALSE(surface->wantsPictures());
    parent.grab();
    EXPECT_TRUE(surface->wantsPictures());
    surface->setVisible(false);
    EXPECT_FALSE(surface->wantsPictures());
}

TEST(VideoSurfaceTest, parentDestroyedFirst_leavesASurfaceThatIsSafeToUse) {
    test::qtApp();
    forms::WidgetSurfaceFactory factory;
    EXPECT_EQ(factory.createSurface(0x7FFFFFF0, true, {10, 10}), nullptr);
    auto parent = std::make_unique<QWidget>();
    auto surface = factory.createSurface(forms::handleOf(parent.get()), true, {10, 10});
    ASSERT_TRUE(surface);
    const int32_t h = surface->handle();
    parent.reset();
    EXPECT_EQ(forms::widgetOf(h), nullptr);
    surface->setWindowRect({0, 0, 5, 5});
    surface->setVisible(true);
    surface->present(solidFrame(5, 5, 0xFF00FF00));
    QCoreApplication::processEvents();  // the queued repaint finds no widget
    surface.reset();
}

TEST(HandlesTest, destroyedWidgetsAreForgottenAndTheirHandlesNeverGivenAgain) {
    test::qtApp();
    const int live = forms::liveHandleCount();
    std::vector<int32_t> handles;
    for (int i = 0; i < 50; ++i) {
        QWidget widget;
        handles.push_back(forms::handleOf(&widget));
        EXPECT_EQ(forms::widgetOf(handles.back()), &widget);
    }
    EXPECT_EQ(forms::liveHandleCount(), live);
    EXPECT_EQ(std::set<int32_t>(handles.begin(), handles.end()).size(), handles.size());
    for (int32_t old : handles) EXPECT_EQ(forms::widgetOf(old), nullptr);
}

TEST(WindowQueryTest, rectanglesAreOuterScreenPixelsAndTitlesFindTopLevelWindows) {
    test::qtApp();
    QWidget top;
    top.setWindowTitle("Fenetre de test");
    top.setGeometry(40, 30, 300, 200);
    QWidget child(&top);
    child.setGeometry(8, 9, 50, 60);
    top.show();
    QCoreApplication::processEvents();
    forms::QtWindowQuery query;
    sys::WindowRect r;
    ASSERT_TRUE(query.getWindowRect(forms::handleOf(&child), r));
    const QPoint origin = child.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(r.left, origin.x());
    EXPECT_EQ(r.top, origin.y());
    EXPECT_EQ(r.right - r.left, 50);
    EXPECT_EQ(r.bottom - r.top, 60);
    EXPECT_FALSE(query.getWindowRect(0x7FFFFFF0, r));
    EXPECT_EQ(query.findWindow("Fenetre de test"), forms::handleOf(&top));
    EXPECT_EQ(query.findWindow("Program Manager"), 0);
}

}  // namespace
}  // namespace stillmar
