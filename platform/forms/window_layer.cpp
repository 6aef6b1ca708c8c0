#include "platform/forms/window_layer.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/system/display.h"

namespace stillmar::forms {
namespace {

// The primary screen's logical dots per inch, asked anew on every call.
class ScreenDisplay final : public sys::Display {
  public:
    int32_t logicalDpiX() const override { return dpi(true); }
    int32_t logicalDpiY() const override { return dpi(false); }

  private:
    static int32_t dpi(bool horizontal) {
        QScreen* s = QGuiApplication::primaryScreen();
        if (s == nullptr) return 0;
        return static_cast<int32_t>(
            std::lround(horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY()));
    }
};

}  // namespace

void installWindowLayer() {
    static QtWindowQuery query;
    static WidgetSurfaceFactory factory;
    static ScreenDisplay display;
    sys::setWindowQuery(&query);
    mci::setSurfaceFactory(&factory);
    sys::setDisplay(&display);
}

}  // namespace stillmar::forms
