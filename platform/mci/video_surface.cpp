// The factory registry devices create their surfaces through.
#include "platform/mci/video_surface.h"

#include <atomic>

namespace stillmar::mci {
namespace {
std::atomic<SurfaceFactory*> g_factory{nullptr};
}

void setSurfaceFactory(SurfaceFactory* factory) {
    g_factory.store(factory);
}

SurfaceFactory* surfaceFactory() {
    return g_factory.load();
}

}  // namespace stillmar::mci
