// Hundreds of open, seek, play, pause, capture, close cycles in one process leave the number
// of open descriptors where it was and resident memory nearly so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/support/fixtures.h"
#include "tests/support/real_service.h"

namespace stillmar::hardening {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeaningful = false;  // the sanitizer keeps freed memory in quarantine
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kMemoryIsMeaningful = false;
#else
constexpr bool kMemoryIsMeaningful = true;
#endif
#else
constexpr bool kMemoryIsMeaningful = true;
#endif

int openDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

long residentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

TEST(Endurance, fourHundredCyclesKeepDescriptorsAndMemoryFlat) {
    const std::vector<std::string> clips = {stillmar::test::fixture("clock.mp4"),
                                            stillmar::test::fixture("clock.mpg"),
                                            stillmar::test::fixture("clock.avi")};
    for (const auto& c : clips) ASSERT_FALSE(c.empty());
    const std::string folder = stillmar::test::makeTempDir("endurance");
    auto service = test::makeRealService();
    auto send = [&](const std::string& command) {
        std::string reply;
        return service->sendString(command, &reply, 256, 0);
    };
    int failures = 0;
    auto cycle = [&](int i) {
        const std::string& clip = clips[std::size_t(i) % clips.size()];
        failures += send("open \"" + clip + "\" alias e parent 0 style child") != 0;
        failures += send("set e time format ms") != 0;
        failures += send("seek e to " + std::to_string((i * 997) % 9000) + " wait") != 0;
        failures += send("play e") != 0;
        failures += send("pause e wait") != 0;
        failures += send("capture e as \"" + folder + "/frame.bmp\"") != 0;
        failures += send("close e") != 0;
    };

    constexpr int kWarmUp = 20;
    constexpr int kCycles = 400;
    for (int i = 0; i < kWarmUp; ++i) cycle(i);
    const int fdBefore = openDescriptors();
    const long rssBefore = residentKb();
    for (int i = 0; i < kCycles; ++i) cycle(i);
    const int fdAfter = openDescriptors();
    const long rssAfter = residentKb();
    std::cout << "descriptors " << fdBefore << " -> " << fdAfter << ", resident " << rssBefore
              << " kB -> " << rssAfter << " kB (" << (rssAfter - rssBefore) / 1024.0
              << " MB growth) over " << kCycles << " cycles\n";

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(fdAfter, fdBefore);
    if (kMemoryIsMeaningful) {
        EXPECT_LT(rssAfter - rssBefore, 20 * 1024);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace stillmar::hardening
