#pragma once
// A scripted media engine: it does what the interface promises, instantly, and records calls.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/mci/device_types.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci::test {

struct FakeEngineState {
    EngineStatus openResult = EngineStatus::Ok;
    EngineStatus captureResult = EngineStatus::Ok;
    MediaInfo info;
    std::string openedPath;
    EngineMode mode = EngineMode::Stopped;
    int64_t position = 0;
    int64_t playTo = -1;
    int32_t speed = kNormalSpeed;
    int32_t leftVolume = 1000, rightVolume = 1000;
    bool leftOn = true, rightOn = true;
    VideoSurface* surface = nullptr;
    int refreshes = 0;
    std::vector<std::string> calls;
    std::string capturedTo;
};

class FakeEngine final : public MediaEngine {
  public:
    explicit FakeEngine(std::shared_ptr<FakeEngineState> s) : s_(std::move(s)) {}
    EngineStatus open(const std::string& path) override {
        s_->openedPath = path;
        return s_->openResult;
    }
    MediaInfo info() const override { return s_->info; }
    void setSurface(VideoSurface* surface) override { s_->surface = surface; }
    void refresh() override { ++s_->refreshes; }
    EngineMode mode() const override { return s_->mode; }
    int64_t positionMs() const override { return s_->position; }
    EngineStatus seek(int64_t ms) override {
        s_->calls.push_back("seek " + std::to_string(ms));
        s_->position = std::clamp<int64_t>(ms, 0, s_->info.lengthMs);
        s_->mode = EngineMode::Stopped;
        return EngineStatus::Ok;
    }
    void step(int64_t frames) override {
        s_->calls.push_back("step " + std::to_string(frames));
        s_->mode = EngineMode::Paused;
    }
    void play(int64_t fromMs, int64_t toMs) override {
        s_->calls.push_back("play " + std::to_string(fromMs) + " " + std::to_string(toMs));
        if (fromMs >= 0) s_->position = fromMs;
        s_->playTo = toMs < 0 ? s_->info.lengthMs : toMs;
        s_->mode = EngineMode::Playing;
    }
    bool waitUntilStopped(std::chrono::milliseconds) override {
        s_->calls.push_back("wait");
        if (s_->mode == EngineMode::Playing) {
            s_->position = s_->playTo;
            s_->mode = EngineMode::Stopped;
        }
        return true;
    }
    void pause() override {
        s_->calls.push_back("pause");
        if (s_->mode == EngineMode::Playing || s_->mode == EngineMode::Stopped) {
            s_->mode = EngineMode::Paused;
        }
    }
    void resume() override {
        s_->calls.push_back("resume");
        if (s_->mode == EngineMode::Paused) s_->mode = EngineMode::Playing;
    }
    void stop() override {
        s_->calls.push_back("stop");
        s_->mode = EngineMode::Stopped;
    }
    void setSpeed(int32_t permille) override { s_->speed = permille; }
    int32_t speed() const override { return s_->speed; }
    void setVolume(int32_t left, int32_t right) override {
        s_->leftVolume = left;
        s_->rightVolume = right;
    }
    void setChannelsEnabled(bool left, bool right) override {
        s_->leftOn = left;
        s_->rightOn = right;
    }
    EngineStatus captureFrame(const std::string& bmpPath) override {
        s_->capturedTo = bmpPath;
        return s_->captureResult;
    }

  private:
    std::shared_ptr<FakeEngineState> s_;
};

// 320x240 at 25 fps, 10 s, with sound.
inline MediaInfo videoInfo() {
    MediaInfo info;
    info.hasVideo = true;
    info.hasAudio = true;
    info.videoSize = {320, 240};
    info.lengthMs = 10000;
    info.frameRateMilli = 25000;
    info.frameCount = 250;
    return info;
}

// Hands out fake engines whose states the test keeps, and records what was probed.
struct FakeWorld {
    MediaInfo info = videoInfo();
    EngineStatus openResult = EngineStatus::Ok;
    ContentKind content = ContentKind::Media;
    std::vector<std::shared_ptr<FakeEngineState>> engines;
    std::vector<std::string> probed;

    DeviceEnvironment environment() {
        return {[this] {
                    auto s = std::make_shared<FakeEngineState>();
                    s->info = info;
                    s->openResult = openResult;
                    engines.push_back(s);
                    return std::make_unique<FakeEngine>(s);
                },
                [this](const std::string& path) {
                    probed.push_back(path);
                    return content;
                }};
    }
    FakeEngineState& last() { return *engines.back(); }
};

}  // namespace stillmar::mci::test
