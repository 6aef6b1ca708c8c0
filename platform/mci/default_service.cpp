#include "platform/mci/command_service.h"

#include <atomic>

#include "platform/mci/midi/midi_engine.h"
#include "platform/mci/service.h"

namespace stillmar::mci {
namespace {
std::atomic<CommandService*> g_installed{nullptr};
}  // namespace

CommandService& defaultService() {
    // Never destroyed: devices may still be open while the program's windows go away at exit.
    static Service* const real = new Service(DeviceEnvironment{
        [] { return createMediaEngine(); },
        [](const std::string& path) { return probeContent(path); },
        [] { return midi::createMidiEngine(); },
    });
    CommandService* installed = g_installed.load();
    return installed ? *installed : *real;
}

void setDefaultService(CommandService* service) {
    g_installed.store(service);
}

}  // namespace stillmar::mci
