// The share of fuzz inputs the target also sends through the service.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/hardening/media_script.h"

namespace stillmar::hardening {
namespace {

// Mutations of one file, as the fuzzer makes them: every byte flipped in a low and in a high
// bit. Each kind of file must go to the service at its own rate among them, not all or none.
TEST(ServiceShare, mutationsOfOneFileGoToTheServiceAtTheirRate) {
    std::ifstream in(std::filesystem::path(STILLMAR_MEDIA_CORPUS_DIR) / "mp4_seed",
                     std::ios::binary);
    std::vector<uint8_t> seed{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(seed.size(), 1000u);
    for (const bool taken : {true, false}) {
        const double rate = taken ? 1.0 / 32 : 1.0 / 16;
        int sent = 0, made = 0;
        for (std::size_t i = 0; i < seed.size(); ++i) {
            for (const uint8_t bit : {0x02, 0x40}) {
                seed[i] ^= bit;
                sent += throughTheService(seed.data(), seed.size(), taken) ? 1 : 0;
                ++made;
                seed[i] ^= bit;
            }
        }
        // About 5900 mutations: the count within a third of its expectation (four and a half
        // standard deviations and more).
        EXPECT_NEAR(sent, made * rate, made * rate / 3) << (taken ? "taken" : "refused");
    }
}

}  // namespace
}  // namespace stillmar::hardening
