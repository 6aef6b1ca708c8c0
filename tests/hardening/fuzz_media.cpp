// libFuzzer target for the media path: each input becomes a file that the real service opens,
// queries, seeks, plays, pauses, captures and closes. Every command must end in a code.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/mci/media_engine.h"
#include "platform/mci/service.h"
#include "tests/hardening/media_script.h"

namespace {

std::string g_folder;

stillmar::mci::Service& fuzzService() {
    static stillmar::mci::Service service(stillmar::mci::DeviceEnvironment{
        [] { return stillmar::mci::createMediaEngine(); },
        [](const std::string& p) { return stillmar::mci::probeContent(p); }});
    return service;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No sound card: the engine falls back to its wall clock.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    g_folder = (std::filesystem::temp_directory_path() /
                ("stillmar-fuzz-media-" + std::to_string(getpid())))
                   .string();
    std::filesystem::create_directories(g_folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto outcome = stillmar::hardening::runMediaScript(fuzzService(), data, size, g_folder);
    if (outcome.broken) __builtin_trap();
    return 0;
}
