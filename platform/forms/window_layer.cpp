#include "platform/forms/window_layer.h"

namespace stillmar::forms {

void installWindowLayer() {
    static QtWindowQuery query;
    static WidgetSurfaceFactory factory;
    sys::setWindowQuery(&query);
    mci::setSurfaceFactory(&factory);
}

}  // namespace stillmar::forms
