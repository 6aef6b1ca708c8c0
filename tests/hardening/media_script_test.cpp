// The share of fuzz inputs the target also sends through the service.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/hardening/media_script.h"

namespace stillmar::hardening {
namespace {

// How many mutations of one file, as the fuzzer makes them (every byte flipped in a low and in
// a high bit), go to the service, out of `made`.
int sentOfMutations(const SourceOutcome& source, int& made) {
    std::ifstream in(std::filesystem::path(STILLMAR_MEDIA_CORPUS_DIR) / "mp4_seed",
                     std::ios::binary);
    std::vector<uint8_t> seed{std::istreambuf_iterator<char>(in), {}};
    int sent = 0;
    made = 0;
    for (std::size_t i = 0; i < seed.size(); ++i) {
        for (const uint8_t bit : {0x02, 0x40}) {
            seed[i] ^= bit;
            sent += throughTheService(seed.data(), seed.size(), source) ? 1 : 0;
            ++made;
            seed[i] ^= bit;
        }
    }
    return sent;
}

SourceOutcome taken(int width, int height) {
    SourceOutcome out;
    out.opened = true;
    out.info.hasVideo = true;
    out.info.videoSize = mci::Size{width, height};
    return out;
}

// Each kind of file goes to the service at its own rate among its mutations, not all or none.
TEST(ServiceShare, mutationsOfOneFileGoToTheServiceAtTheirRate) {
    int made = 0;
    const int refused = sentOfMutations(SourceOutcome{}, made);
    ASSERT_GT(made, 5000);
    // About 5900 mutations: each count within a third of its expectation (four and a half
    // standard deviations and more).
    EXPECT_NEAR(refused, made / 16.0, made / 16.0 / 3);
    const int small = sentOfMutations(taken(32, 24), made);
    EXPECT_NEAR(small, made / 32.0, made / 32.0 / 3);
    // A picture of 44 million pixels: a twentieth of that, but still some.
    const int large = sentOfMutations(taken(8224, 5332), made);
    EXPECT_GT(large, 0);
    EXPECT_LT(large, small / 8);
}

}  // namespace
}  // namespace stillmar::hardening
