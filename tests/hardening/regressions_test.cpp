// Inputs kept from fuzzing replayed through the same paths: each must now end in an error code,
// with the service's rules kept. The seeds of the media fuzzer must still play.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/hardening/media_script.h"
#include "tests/support/fixtures.h"
#include "tests/support/real_service.h"

namespace stillmar::hardening {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

class KeptInputs : public ::testing::Test {
  protected:
    void TearDown() override { fs::remove_all(folder_); }
    std::unique_ptr<mci::Service> service_ = test::makeRealService();
    std::string folder_ = stillmar::test::makeTempDir("kept-inputs");
};

TEST_F(KeptInputs, mediaCrashInputsEndInAnErrorWithTheRulesKept) {
    const auto files = filesIn(fs::path(STILLMAR_REGRESSIONS_DIR) / "media");
    ASSERT_FALSE(files.empty()) << "no kept media inputs: is STILLMAR_REGRESSIONS_DIR right?";
    for (const fs::path& file : files) {
        const auto bytes = readAll(file);
        const auto outcome = runMediaScript(*service_, bytes.data(), bytes.size(), folder_);
        EXPECT_FALSE(outcome.broken) << file << ": " << outcome.brokenCommand;
        EXPECT_NE(outcome.openCode, 0u) << file;
        EXPECT_FALSE(runSourceScript(bytes.data(), bytes.size()).opened) << file;
    }
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Inputs whose size fields promise far more than the file holds (a 4 GB text chunk in a sound
// file of a few hundred bytes): opened or refused, they must not have gigabytes reserved.
TEST_F(KeptInputs, sizeFieldsBeyondTheFileReserveNoGigabytes) {
    const auto files = filesIn(fs::path(STILLMAR_REGRESSIONS_DIR) / "media_memory");
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        const auto bytes = readAll(file);
        const long before = peakResidentKiB();
        runSourceScript(bytes.data(), bytes.size());
        const auto outcome = runMediaScript(*service_, bytes.data(), bytes.size(), folder_);
        EXPECT_FALSE(outcome.broken) << file << ": " << outcome.brokenCommand;
        EXPECT_LT(peakResidentKiB() - before, 600L * 1024) << file;
    }
}

// Each script SCRIPT.txt has beside it SCRIPT.codes: the code every line must answer, one a
// line. A failing run prints the codes it saw, ready to paste once they have been checked.
TEST_F(KeptInputs, commandScriptsAnswerEveryLineWithItsKeptCode) {
    std::vector<fs::path> scripts;
    for (const fs::path& file : filesIn(fs::path(STILLMAR_REGRESSIONS_DIR) / "command")) {
        if (file.extension() == ".txt") scripts.push_back(file);
    }
    ASSERT_FALSE(scripts.empty()) << "no kept command scripts";
    for (const fs::path& file : scripts) {
        std::ifstream codesIn(fs::path(file).replace_extension(".codes"));
        std::vector<uint32_t> expected;
        for (uint32_t c; codesIn >> c;) expected.push_back(c);
        std::ifstream in(file, std::ios::binary);
        std::vector<uint32_t> seen;
        std::string line;
        while (std::getline(in, line)) {
            std::string reply = "junk";
            const uint32_t code = service_->sendString(line, &reply, 64, 0);
            seen.push_back(code);
            if (code != 0) {
                std::string text;
                EXPECT_TRUE(reply.empty()) << file << ": " << line;
                EXPECT_TRUE(service_->getErrorString(code, text, 128)) << file << ": " << line;
            }
        }
        service_->sendString("close all", nullptr, 0, 0);
        std::string printed;
        for (uint32_t c : seen) printed += std::to_string(c) + "\n";
        EXPECT_EQ(seen, expected) << file << " answered, one code a line:\n" << printed;
    }
}

TEST_F(KeptInputs, fuzzSeedsOpenAndRunTheWholeScript) {
    const auto seeds = filesIn(STILLMAR_MEDIA_CORPUS_DIR);
    ASSERT_GE(seeds.size(), 5u);
    for (const fs::path& file : seeds) {
        const auto bytes = readAll(file);
        const auto outcome = runMediaScript(*service_, bytes.data(), bytes.size(), folder_);
        EXPECT_FALSE(outcome.broken) << file << ": " << outcome.brokenCommand;
        EXPECT_EQ(outcome.openCode, 0u) << file;
        EXPECT_GT(outcome.codes.size(), 10u) << file;
        // The last command is the close, which must succeed on an open device.
        EXPECT_EQ(outcome.codes.back(), 0u) << file;
    }
}

// The fuzz target reads its inputs from memory: the source must see there what it sees in the
// file, and decode from it.
TEST_F(KeptInputs, fuzzSeedsReadFromMemoryAsFromTheirFile) {
    for (const fs::path& file : filesIn(STILLMAR_MEDIA_CORPUS_DIR)) {
        if (file.filename().string().starts_with("mid")) continue;  // the sequencer's
        const auto bytes = readAll(file);
        const SourceOutcome memory = runSourceScript(bytes.data(), bytes.size());
        ASSERT_TRUE(memory.opened) << file;
        const fs::path copy = fs::path(folder_) / "copy";
        std::ofstream(copy, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data() + 2),
                   std::streamsize(bytes.size() - 2));
        auto engine = mci::createMediaEngine();
        ASSERT_EQ(engine->open(copy.string()), mci::EngineStatus::Ok) << file;
        const mci::MediaInfo disk = engine->info();
        EXPECT_EQ(memory.info.lengthMs, disk.lengthMs) << file;
        EXPECT_EQ(memory.info.frameCount, disk.frameCount) << file;
        EXPECT_EQ(memory.info.frameRateMilli, disk.frameRateMilli) << file;
        EXPECT_EQ(memory.info.videoSize.w, disk.videoSize.w) << file;
        EXPECT_EQ(memory.info.hasAudio, disk.hasAudio) << file;
        if (disk.hasVideo) {
            EXPECT_GE(memory.frames, 1) << file;
        } else {
            EXPECT_GT(memory.soundPackets, 0) << file;
        }
    }
}

TEST_F(KeptInputs, damagedCopiesOfASeedEndInACode) {
    // Deterministic damage: truncations and byte flips of a playable seed.
    const auto seed = readAll(fs::path(STILLMAR_MEDIA_CORPUS_DIR) / "mp4_seed");
    ASSERT_GT(seed.size(), 100u);
    for (std::size_t cut : {std::size_t(3), seed.size() / 4, seed.size() / 2, seed.size() - 1}) {
        const auto outcome = runMediaScript(*service_, seed.data(), cut, folder_);
        EXPECT_FALSE(outcome.broken) << "cut " << cut << ": " << outcome.brokenCommand;
    }
    for (std::size_t step = 7; step < 200; step += 37) {
        auto copy = seed;
        for (std::size_t i = 2 + step; i < copy.size(); i += step) copy[i] ^= 0x5a;
        const auto outcome = runMediaScript(*service_, copy.data(), copy.size(), folder_);
        EXPECT_FALSE(outcome.broken) << "flip every " << step << ": " << outcome.brokenCommand;
        runSourceScript(copy.data(), copy.size());  // ends, whatever it finds
    }
}

}  // namespace
}  // namespace stillmar::hardening
