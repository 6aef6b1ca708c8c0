// Commands from two threads at once while the engine plays, and closes that land while the
// decode thread is in the middle of a seek: the engine must neither deadlock nor lose track of
// where it stands. Built into the thread-sanitizer run as well.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <random>
#include <thread>

#include "platform/mci/engine/source_cache.h"
#include "platform/mci/media_engine.h"
#include "tests/engine/clock_engine.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;
using test::frame25;

// Waits for every task; a task still running after `limit` is a deadlock, which no later
// check could report: the program stops here.
void joinWithin(std::vector<std::future<void>>& tasks, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (auto& t : tasks) {
        if (t.wait_until(deadline) != std::future_status::ready) {
            std::fprintf(stderr, "engine commands still running after %llds: deadlock\n",
                         static_cast<long long>(limit.count()));
            std::abort();
        }
        t.get();
    }
}

class EngineStormTest : public test::ClockEngineTest {
  protected:
    void SetUp() override {
        ClockEngineTest::SetUp();
        if (HasFatalFailure()) return;
        length_ = engine_->info().lengthMs;
        ASSERT_GT(length_, 10000);
    }

    // The engine answers a seek exactly, its picture agrees, and it plays on from there.
    void expectSettledAt(int64_t target) {
        engine_->setSpeed(kNormalSpeed);
        ASSERT_EQ(engine_->seek(target), EngineStatus::Ok);
        EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
        EXPECT_EQ(engine_->positionMs(), target);
        EXPECT_EQ(surface_.shownFrame(), frame25(target));
        std::this_thread::sleep_for(50ms);  // nothing older arrives late
        EXPECT_EQ(surface_.shownFrame(), frame25(target));
        engine_->play(target, target + 300);
        ASSERT_TRUE(engine_->waitUntilStopped(10s));
        EXPECT_EQ(engine_->positionMs(), target + 300);
    }

    int64_t length_ = 0;
};

TEST_F(EngineStormTest, twoThreadsOfCommandsDuringPlay_leaveTheEngineWhereTheLastSeekAsked) {
    engine_->play(0, -1);
    const auto stopAt = std::chrono::steady_clock::now() + 1200ms;
    auto running = [&] { return std::chrono::steady_clock::now() < stopAt; };
    std::atomic<int> outOfRange{0};

    std::vector<std::future<void>> tasks;
    // Seek storms, now and then restarting playback.
    tasks.push_back(std::async(std::launch::async, [&] {
        std::mt19937 rng(11);
        std::uniform_int_distribution<int64_t> pick(0, length_);
        for (int i = 0; i < 400 && running(); ++i) {
            if (i % 4 == 0) {
                engine_->play(pick(rng), -1);
            } else {
                engine_->seek(pick(rng));
            }
        }
    }));
    // Pause, resume, steps, stops, speed and placement, interleaved with the seeks.
    tasks.push_back(std::async(std::launch::async, [&] {
        std::mt19937 rng(23);
        for (int i = 0; i < 2000 && running(); ++i) {
            switch (rng() % 8) {
                case 0:
                    engine_->pause();
                    break;
                case 1:
                    engine_->resume();
                    break;
                case 2:
                    engine_->step(int64_t(rng() % 7) - 3);
                    break;
                case 3:
                    engine_->stop();
                    break;
                case 4:
                    engine_->setSpeed(rng() % 2 ? 2000 : 500);
                    break;
                case 5:
                    engine_->refresh();
                    break;
                case 6:
                    engine_->setVolume(int32_t(rng() % 1001), 1000);
                    break;
                default:
                    break;
            }
            const int64_t at = engine_->positionMs();
            if (at < 0 || at > length_) ++outOfRange;
            (void)engine_->mode();
        }
    }));
    joinWithin(tasks, 60s);
    EXPECT_EQ(outOfRange.load(), 0);
    expectSettledAt(13480);
}

TEST_F(EngineStormTest, seeksRacingFromTwoThreads_showTheFrameOfThePositionTheyLeave) {
    std::vector<std::future<void>> tasks;
    for (int seed : {5, 6}) {
        tasks.push_back(std::async(std::launch::async, [&, seed] {
            std::mt19937 rng(seed);
            std::uniform_int_distribution<int64_t> pick(0, length_);
            for (int i = 0; i < 60; ++i) engine_->seek(pick(rng));
        }));
    }
    joinWithin(tasks, 60s);
    // Whichever seek came last, the position and the picture name the same frame.
    EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
    EXPECT_EQ(surface_.shownFrame(), frame25(engine_->positionMs()));
    expectSettledAt(2040);
}

TEST_F(EngineStormTest, closeWhileTheDecoderSeeks_stopsPromptlyAndReopensClean) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int64_t> pick(0, length_);
    std::vector<std::future<void>> tasks;
    tasks.push_back(std::async(std::launch::async, [&] {
        for (int i = 0; i < 12; ++i) {
            // A play returns at once with its exact seek under way on the decode thread; the
            // reopen closes the file in the middle of it. Every other time a step is also
            // waiting, from this thread, when the close comes.
            engine_->play(pick(rng), -1);
            if (i % 2) engine_->step(-2);
            ASSERT_EQ(engine_->open(path_), EngineStatus::Ok);
            EXPECT_EQ(engine_->mode(), EngineMode::Stopped);
            EXPECT_EQ(engine_->positionMs(), 0);
        }
        engine_->play(pick(rng), -1);
        engine_.reset();  // destroyed mid-seek too
        engine_ = createMediaEngine();
        ASSERT_EQ(engine_->open(path_), EngineStatus::Ok);
        engine_->setSurface(&surface_);
    }));
    joinWithin(tasks, 60s);
    expectSettledAt(17000);
}

}  // namespace
}  // namespace stillmar::mci
