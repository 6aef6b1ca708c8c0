#pragma once
// A player wired to a recording service, a window query with known windows, and a media file
// in a folder whose path needs no alias.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "media/talve_player.h"
#include "platform/system/window_query.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_service.h"

namespace stillmar::test {

class FakeWindows final : public sys::WindowQuery {
  public:
    std::map<int32_t, sys::WindowRect> rects;
    std::map<std::string, int32_t, std::less<>> titles;
    bool getWindowRect(int32_t hwnd, sys::WindowRect& rect) override {
        const auto it = rects.find(hwnd);
        if (it == rects.end()) return false;
        rect = it->second;
        return true;
    }
    int32_t findWindow(std::string_view title) override {
        const auto it = titles.find(title);
        return it == titles.end() ? 0 : it->second;
    }
};

class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = makeTempDir("player");
        file = dir + "/clip.avi";
        std::ofstream(file) << "x";
        sys::setWindowQuery(&windows);
    }
    void TearDown() override { sys::setWindowQuery(nullptr); }

    std::string touch(const std::string& name) {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }
    static std::string openOf(const std::string& path, const std::string& type,
                              const std::string& alias, const std::string& parent) {
        return "open " + path + " type " + type + " Alias " + alias + " parent " + parent +
               " Style 1073741824";
    }
    static std::string padded(std::string command) {
        command.resize(TALVEplayer::kOpenFieldLength, ' ');
        return command;
    }

    std::string dir;
    std::string file;
    RecordingService svc;
    FakeWindows windows;
    TALVEplayer player{svc};
};

using Log = std::vector<RecordedCommand>;
constexpr std::size_t kNone = 0;
constexpr std::size_t kStatus = 256;
constexpr std::size_t kField = 128;

}  // namespace stillmar::test
