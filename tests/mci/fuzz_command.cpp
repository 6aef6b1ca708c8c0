// libFuzzer target for the command parser and dispatcher. The input is a script, one command
// a line, sent to a service whose engines are scripted (no decoding), so whole sequences of
// opens, queries and transport commands are explored. Every command must end in a code.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/mci/errors.h"
#include "platform/mci/service.h"
#include "tests/mci/fake_engine.h"

namespace {

stillmar::mci::Service& fuzzService() {
    static stillmar::mci::test::FakeWorld world;
    static stillmar::mci::Service service(world.environment());
    return service;
}

}  // namespace

int fuzzCommandLine(const uint8_t* data, size_t size) {
    auto& service = fuzzService();
    std::string_view script(reinterpret_cast<const char*>(data), size);
    while (!script.empty()) {
        const auto end = script.find('\n');
        const std::string_view line = script.substr(0, end);
        std::string reply;
        const uint32_t code = service.sendString(line, &reply, 64, 0);
        if (code != 0 && !reply.empty()) __builtin_trap();  // an error leaves the reply empty
        if (code != 0 && (code < 256 || code > 511)) __builtin_trap();
        std::string text;
        if (code != 0 && !service.getErrorString(code, text, 128)) __builtin_trap();
        if (end == std::string_view::npos) break;
        script.remove_prefix(end + 1);
    }
    service.sendString("close all", nullptr, 0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzCommandLine(data, size);
}
