#include "platform/mci/command_service.h"

#include <atomic>

#include "platform/audio/audio_output.h"
#include "platform/mci/engine/source_cache.h"
#include "platform/mci/midi/midi_engine.h"
#include "platform/mci/service.h"

namespace stillmar::mci {
namespace {
std::atomic<CommandService*> g_installed{nullptr};

// Never destroyed: devices may still be open while the program's windows go away at exit.
Service& realService() {
    static Service* const real = new Service(DeviceEnvironment{
        [] { return createMediaEngine(); },
        [](const std::string& path) { return probeContent(path); },
        [] { return midi::createMidiEngine(); },
    });
    return *real;
}

}  // namespace

CommandService& defaultService() {
    CommandService* installed = g_installed.load();
    return installed ? *installed : realService();
}

void shutdownDefaultService() {
    realService().sendString("close all", nullptr, 0, 0);
    engine::clearSourceCache();  // the files just closed, kept warm, and the thread minding them
    audio::shutdownAudio();
}

void setDefaultService(CommandService* service) {
    g_installed.store(service);
}

}  // namespace stillmar::mci
