#pragma once
// An engine opened on the clock clip (25 fps, each frame showing its number), drawing into an
// off-screen surface; the warm-file cache is emptied after each test.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/mci/engine/source_cache.h"
#include "platform/mci/media_engine.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::test {

// The clock clip's frame at `ms`.
inline int frame25(int64_t ms) {
    return int(ms * 25 / 1000);
}

class ClockEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = fixture("clock.mp4");
        ASSERT_FALSE(path_.empty());
        engine_ = mci::createMediaEngine();
        ASSERT_EQ(engine_->open(path_), mci::EngineStatus::Ok);
        engine_->setSurface(&surface_);
    }
    void TearDown() override {
        engine_.reset();
        mci::engine::clearSourceCache();
    }
    std::string path_;
    TestSurface surface_;
    std::unique_ptr<mci::MediaEngine> engine_;
};

}  // namespace stillmar::test
