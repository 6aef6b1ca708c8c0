// libFuzzer target for the media path. Every input is read from memory by the engine's source,
// driven directly (seeks, frames, sound). Some inputs then go through the real service as a
// file as well: open, status, seek, play, pause, capture, close. Every command must end in a
// code.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/mci/engine/source_cache.h"
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
    // No sound device: the engine plays on its wall clock. SDL's dummy device would do, but a
    // device of another format than the last is opened only once the last one's thread has
    // slept out its buffer (up to a tenth of a second at low rates): most of the run's time,
    // for nothing the bytes decide.
    setenv("SDL_AUDIODRIVER", "none", 1);
    g_folder = (std::filesystem::temp_directory_path() /
                ("stillmar-fuzz-media-" + std::to_string(getpid())))
                   .string();
    std::filesystem::create_directories(g_folder);
    // Its captures are as large as the pictures the bytes claim (a hundred megabytes and more),
    // and the folder may be in memory: gone when the run ends.
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(g_folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const auto source = stillmar::hardening::runSourceScript(data, size);
    if (!stillmar::hardening::throughTheService(data, size, source)) return 0;
    const auto outcome = stillmar::hardening::runMediaScript(fuzzService(), data, size, g_folder);
    // The next input is a new file that may have the same name, size and time.
    stillmar::mci::engine::clearSourceCache();
    if (outcome.broken) __builtin_trap();
    return 0;
}
