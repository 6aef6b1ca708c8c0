#pragma once
// A service over fake engines, a folder of stand-in files, and table-driven command runs.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/mci/service.h"
#include "tests/mci/fake_engine.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci::test {

struct Step {
    std::string command;
    uint32_t code;
    std::string reply = "";
};

class ServiceHarness : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = stillmar::test::makeTempDir("mci_service");
        for (const char* name : {"clip.avi", "clip.mp4", "tune.mid", "x.cda", "notes.txt"}) {
            std::ofstream(dir_ + "/" + name) << "content";
        }
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Runs the steps in order; `$` in a command stands for the temporary folder.
    void run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            std::string command = step.command;
            for (auto at = command.find('$'); at != std::string::npos; at = command.find('$')) {
                command.replace(at, 1, dir_);
            }
            std::string reply = "stale";
            EXPECT_EQ(service_.sendString(command, &reply, 256, 0), step.code) << command;
            EXPECT_EQ(reply, step.reply) << command;
        }
    }

    FakeWorld world_;
    Service service_{world_.environment()};
    std::string dir_;
};

}  // namespace stillmar::mci::test
