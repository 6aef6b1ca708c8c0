// The command thread never waits for ever: opens and seeks of files that never deliver data or
// are damaged in costly ways return an error code. Only "it returned" is asserted; the
// watchdog is generous and aborts the program (a hang) instead of timing anything.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <thread>

#include "media/talve_player.h"
#include "tests/support/fixtures.h"
#include "tests/support/real_service.h"

namespace stillmar::hardening {
namespace {

namespace fs = std::filesystem;

// Runs `call` on a thread; aborts the test program if it has not returned in `bound`.
template <typename T>
T returnsWithin(std::chrono::seconds bound, const std::function<T()>& call) {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    T result{};
    std::thread worker([&] {
        T r = call();
        std::lock_guard lock(m);
        result = r;
        done = true;
        cv.notify_all();
    });
    {
        std::unique_lock lock(m);
        if (!cv.wait_for(lock, bound, [&] { return done; })) {
            ADD_FAILURE() << "the call did not return";
            std::abort();
        }
    }
    worker.join();
    return result;
}

constexpr auto kWatchdog = std::chrono::seconds(120);

class SlowInput : public ::testing::Test {
  protected:
    void TearDown() override {
        service_->sendString("close all", nullptr, 0, 0);
        fs::remove_all(folder_);
    }
    uint32_t send(const std::string& command) {
        return returnsWithin<uint32_t>(kWatchdog, [&] {
            std::string reply;
            return service_->sendString(command, &reply, 256, 0);
        });
    }
    std::unique_ptr<mci::Service> service_ = test::makeRealService();
    std::string folder_ = stillmar::test::makeTempDir("slow-input");
};

TEST_F(SlowInput, aPipeThatNeverDeliversIsRefused) {
    const std::string fifo = folder_ + "/stream.mpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = folder_ + "/link.mp4";
    fs::create_symlink(fifo, link);
    for (const std::string& name : {fifo, link}) {
        EXPECT_EQ(send("open \"" + name + "\" type mpegvideo alias s"), 296u) << name;
        EXPECT_EQ(send("open \"" + name + "\" alias s"), 296u) << name;
        EXPECT_EQ(send("open \"" + name + "\""), 296u) << name;
    }
    TALVEplayer player(*service_);
    player.setFilename(fifo);
    const std::string answer = returnsWithin<std::string>(
        kWatchdog, [&] { return player.OpenMediaFile(0, "MYPLAYER", "MPEGVideo"); });
    EXPECT_NE(answer, "Success");
    EXPECT_NE(send("status MYPLAYER mode"), 0u);
}

TEST_F(SlowInput, aHugeFileOfNothingBehindAValidHeadEndsInACode) {
    // A playable start followed by gigabytes of zeros (a sparse file): demuxers that hunt for
    // the next start code or the last timestamp must give up, not read for minutes.
    const std::string head = stillmar::test::fixture("truncated.mpg");
    ASSERT_FALSE(head.empty());
    for (const char* ext : {".mpg", ".mp4", ".avi"}) {
        const std::string path = folder_ + "/huge" + ext;
        fs::copy_file(head, path, fs::copy_options::overwrite_existing);
        fs::resize_file(path, uintmax_t(4) << 30);
        const uint32_t open = send("open \"" + path + "\" alias h");
        if (open == 0) {
            send("set h time format ms");
            EXPECT_EQ(send("seek h to end wait"), 0u) << ext;
            EXPECT_EQ(send("seek h to 100 wait"), 0u) << ext;
            send("play h");
            send("pause h");
            EXPECT_EQ(send("close h"), 0u) << ext;
        } else {
            EXPECT_GE(open, 256u) << ext;
        }
        fs::remove(path);
    }
}

// The player's short path may be a link, and the link can come to name a pipe between the
// checks and the open. Flips it back and forth while opening: each open must return.
void openWhileFlipping(const std::function<uint32_t(const std::string&)>& open,
                       const std::string& folder, int attempts, bool tight) {
    const std::string clip = stillmar::test::fixture("short.mp4");
    ASSERT_FALSE(clip.empty());
    const std::string fifo = folder + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = folder + "/clip.mp4";
    std::atomic<bool> stop{false};
    std::thread flipper([&] {
        bool toPipe = false;
        const std::string next = folder + "/next.mp4";
        while (!stop) {
            std::error_code ec;
            fs::remove(next, ec);
            fs::create_symlink(toPipe ? fifo : clip, next, ec);
            fs::rename(next, link, ec);
            toPipe = !toPipe;
            if (tight) {
                std::this_thread::yield();
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    });
    int opened = 0;
    for (int i = 0; i < attempts; ++i) {
        const uint32_t code = open(link);
        if (code == 0) {
            ++opened;
        } else {
            EXPECT_TRUE(code == 296u || code == 275u || code == 348u) << code;
        }
    }
    stop = true;
    flipper.join();
    std::cout << opened << " of " << attempts << " opens found the clip\n";
}

TEST_F(SlowInput, aLinkSwappedToAPipeNowAndThenIsNotWaitedFor) {
    openWhileFlipping(
        [&](const std::string& link) {
            const uint32_t code = send("open \"" + link + "\" type mpegvideo alias r");
            if (code == 0) send("close r");
            return code;
        },
        folder_, 40, false);
}

// The engine once checked the name and then let FFmpeg open the name again: an open of a pipe
// without a writer, slipped in between, blocked for ever.
TEST_F(SlowInput, aLinkSwappedToAPipeInATightLoopIsNotWaitedFor) {
    openWhileFlipping(
        [&](const std::string& link) {
            const uint32_t code = send("open \"" + link + "\" type mpegvideo alias r");
            if (code == 0) send("close r");
            return code;
        },
        folder_, 400, true);
}

}  // namespace
}  // namespace stillmar::hardening
