#pragma once
// The real service over the FFmpeg engine, with off-screen video surfaces and no sound card.
#include <cstdlib>
#include <memory>

#include "platform/mci/media_engine.h"
#include "platform/mci/service.h"

namespace stillmar::test {

inline std::unique_ptr<mci::Service> makeRealService() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return std::make_unique<mci::Service>(
        mci::DeviceEnvironment{[] { return mci::createMediaEngine(); },
                               [](const std::string& p) { return mci::probeContent(p); }});
}

}  // namespace stillmar::test
