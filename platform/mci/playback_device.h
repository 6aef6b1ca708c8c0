#pragma once
// What the file devices share: the "not ready" gate of a device without a file, the status
// and capability tables, and the transport and sound of one opened file (pause, resume,
// stop, the seek targets, play's wait, setaudio and the channel part of set). `Engine` is
// the device's engine (MediaEngine, MidiEngine): both answer the same transport calls.

#include <array>
#include <chrono>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/mci/device.h"
#include "platform/mci/media_engine.h"

namespace stillmar::mci {

// The keywords of play and seek; `time` is how the device reads a time.
template <ArgKind time>
struct TransportKeys {
    static constexpr KeywordSpec play[] = {{"from", time}, {"to", time}};
    static constexpr KeywordSpec seek[] = {
        {"to", time, 1}, {"to start", ArgKind::Flag, 1}, {"to end", ArgKind::Flag, 1}};
};

// The keywords of set: a time format, the channels, the door, then the device's own `extra`.
template <std::size_t N>
constexpr std::array<KeywordSpec, 8 + N> setKeywords(const std::array<KeywordSpec, N>& extra) {
    constexpr KeywordSpec common[] = {
        {"time format", ArgKind::Constant, 0, kTimeFormatWords},
        {"audio all", ArgKind::Flag, 1},
        {"audio left", ArgKind::Flag, 1},
        {"audio right", ArgKind::Flag, 1},
        {"on", ArgKind::Flag, 2},
        {"off", ArgKind::Flag, 2},
        {"door open", ArgKind::Flag, 3},
        {"door closed", ArgKind::Flag, 3},
    };
    std::array<KeywordSpec, 8 + N> out{};
    for (std::size_t i = 0; i < 8; ++i) out[i] = common[i];
    for (std::size_t i = 0; i < N; ++i) out[8 + i] = extra[i];
    return out;
}

constexpr KeywordSpec kSetaudioKeys[] = {
    {"left", ArgKind::Flag, 1}, {"right", ArgKind::Flag, 1}, {"volume to", ArgKind::Integer},
    {"on", ArgKind::Flag, 2},   {"off", ArgKind::Flag, 2},
};

// One queryable item of `status`: its getter, and whether a device without a file answers it.
template <class D>
struct StatusRow {
    std::string_view item;
    uint32_t (D::*get)(std::string&) const;
    bool withoutMedia = false;
};

// One item of `capability`, with its fixed answer.
struct CapabilityRow {
    std::string_view item;
    std::string_view answer;
};

// The keywords of a query: its items, mutually exclusive (one group).
template <class Row, std::size_t N>
constexpr std::array<KeywordSpec, N> itemKeywords(const std::array<Row, N>& rows) {
    std::array<KeywordSpec, N> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = {rows[i].item, ArgKind::Flag, 1};
    return out;
}

// Two tables as one.
template <class T, std::size_t N, std::size_t M>
constexpr std::array<T, N + M> joined(const std::array<T, N>& a, const std::array<T, M>& b) {
    std::array<T, N + M> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = a[i];
    for (std::size_t i = 0; i < M; ++i) out[N + i] = b[i];
    return out;
}

// The status items every file device answers, by getters each device names alike.
template <class D>
constexpr std::array<StatusRow<D>, 11> fileStatusRows() {
    return {{
        {"length", &D::statusLength},
        {"position", &D::statusPosition},
        {"mode", &D::statusMode, true},
        {"time format", &D::statusTimeFormat, true},
        {"ready", &D::statusReady, true},
        {"media present", &D::statusReady, true},
        {"audio", &D::statusAudio},
        {"volume", &D::statusVolume},
        {"left volume", &D::statusLeftVolume},
        {"right volume", &D::statusRightVolume},
        {"start position", &D::statusStartPosition},
    }};
}

// What every file device can and cannot do; each adds its type and whether it has video.
constexpr std::array<CapabilityRow, 7> kFileCapabilities = {{
    {"can eject", "false"},
    {"can play", "true"},
    {"can record", "false"},
    {"can save", "false"},
    {"compound device", "true"},
    {"has audio", "true"},
    {"uses files", "true"},
}};

// The verbs of the transport, the same in every file device; `time` is how the device reads a
// time, `setKeys` its set keywords.
template <class D, ArgKind time>
constexpr std::array<CommandRow<D>, 7> transportCommands(std::span<const KeywordSpec> setKeys) {
    return {{
        {"play", TransportKeys<time>::play, &D::play},
        {"pause", {}, &D::pause},
        {"resume", {}, &D::resume},
        {"stop", {}, &D::stop},
        {"seek", TransportKeys<time>::seek, &D::seek},
        {"set", setKeys, &D::set},
        {"setaudio", kSetaudioKeys, &D::setaudio},
    }};
}

// Runs the getter of the item asked; 262 for an item that needs a file when none is open.
template <class D>
uint32_t answerStatus(std::span<const StatusRow<D>> rows, const D& device, bool open,
                      const Args& args, std::string& reply) {
    const auto items = args.given();
    if (items.empty()) return err::kUnsupportedFunction;
    for (const StatusRow<D>& row : rows) {
        if (row.item != items.front()) continue;
        if (!open && !row.withoutMedia) return err::kDeviceNotReady;
        return (device.*row.get)(reply);
    }
    return err::kBadConstant;
}

inline uint32_t answerCapability(std::span<const CapabilityRow> rows, const Args& args,
                                 std::string& reply) {
    const auto items = args.given();
    if (items.empty()) return err::kUnsupportedFunction;
    for (const CapabilityRow& row : rows) {
        if (row.item == items.front()) reply = row.answer;
    }
    return err::kOk;
}

template <class Engine>
class PlaybackDevice : public Device {
  public:
    uint32_t pause(const Args&, std::string&) {
        engine_->pause();
        return err::kOk;
    }
    uint32_t resume(const Args&, std::string&) {
        engine_->resume();
        return err::kOk;
    }
    uint32_t stop(const Args&, std::string&) {
        engine_->stop();
        return err::kOk;
    }

    // "to end", "to T" (in the device's time format) or "to start"; 261 for none of them. 296
    // when the engine finds nothing it can show from there to the end (a damaged file).
    uint32_t seek(const Args& args, std::string&) {
        int64_t ms = 0;
        if (args.has("to end")) {
            ms = lengthMs();
        } else if (args.has("to")) {
            if (const uint32_t code = timeArg(args, "to", ms)) return code;
        } else if (!args.has("to start")) {
            return err::kMissingParameter;
        }
        if constexpr (std::is_void_v<decltype(engine_->seek(ms))>) {
            engine_->seek(ms);
            return err::kOk;
        } else {
            return engine_->seek(ms) == EngineStatus::Ok ? err::kOk : err::kInvalidFile;
        }
    }

    uint32_t setaudio(const Args& args, std::string&) {
        const bool volume = args.has("volume to");
        const bool onOff = args.has("on") || args.has("off");
        if (!volume && !onOff) return err::kMissingParameter;
        const int64_t n = volume ? args.number("volume to") : 0;
        if (n < 0 || n > 1000) return err::kOutOfRange;
        const bool left = !args.has("right");
        const bool right = !args.has("left");
        if (volume) {
            if (left) leftVolume_ = int32_t(n);
            if (right) rightVolume_ = int32_t(n);
            engine_->setVolume(leftVolume_, rightVolume_);
        }
        if (onOff) {
            if (left) leftOn_ = args.has("on");
            if (right) rightOn_ = args.has("on");
            engine_->setChannelsEnabled(leftOn_, rightOn_);
        }
        return err::kOk;
    }

    uint32_t statusAudio(std::string& out) const {
        out = leftOn_ || rightOn_ ? "on" : "off";
        return err::kOk;
    }
    uint32_t statusVolume(std::string& out) const {
        out = std::to_string((leftVolume_ + rightVolume_) / 2);
        return err::kOk;
    }
    uint32_t statusLeftVolume(std::string& out) const {
        out = std::to_string(leftVolume_);
        return err::kOk;
    }
    uint32_t statusRightVolume(std::string& out) const {
        out = std::to_string(rightVolume_);
        return err::kOk;
    }

  protected:
    explicit PlaybackDevice(std::unique_ptr<Engine> engine) : engine_(std::move(engine)) {}

    // The target a time keyword names, in milliseconds within the file; an error code when
    // the value is malformed.
    virtual uint32_t timeArg(const Args& args, std::string_view keyword, int64_t& ms) const = 0;
    virtual int64_t lengthMs() const = 0;

    // Without a file, only status and capability answer; the device's other verbs are 262.
    template <class D>
    uint32_t dispatchCommand(std::span<const CommandRow<D>> table, D& device, bool open,
                             std::string_view verb, std::span<const Token> rest,
                             std::string& reply) {
        if (!open && !equalsNoCase(verb, "status") && !equalsNoCase(verb, "capability")) {
            for (const CommandRow<D>& row : table) {
                if (equalsNoCase(row.verb, verb)) return err::kDeviceNotReady;
            }
        }
        return dispatch(table, device, verb, rest, reply);
    }

    // The channel part of `set`: "audio all|left|right" with "on|off". Checked first (261
    // when only one half is given), applied once the whole command has been checked.
    static bool hasChannels(const Args& args) {
        return args.has("audio all") || args.has("audio left") || args.has("audio right");
    }
    static uint32_t checkChannels(const Args& args) {
        return hasChannels(args) == (args.has("on") || args.has("off")) ? err::kOk
                                                                        : err::kMissingParameter;
    }
    void applyChannels(const Args& args) {
        if (!hasChannels(args)) return;
        const bool on = args.has("on");
        if (!args.has("audio right")) leftOn_ = on;
        if (!args.has("audio left")) rightOn_ = on;
        engine_->setChannelsEnabled(leftOn_, rightOn_);
    }

    // play ... wait: returns when playback ends or is stopped from elsewhere.
    template <class Playing>
    void waitIfAsked(const Args& args, Playing stillPlaying) {
        if (!args.has("wait")) return;
        while (!engine_->waitUntilStopped(std::chrono::seconds(1))) {
            if (!stillPlaying()) break;
        }
    }

    std::unique_ptr<Engine> engine_;

  private:
    bool leftOn_ = true;
    bool rightOn_ = true;
    int32_t leftVolume_ = 1000;
    int32_t rightVolume_ = 1000;
};

}  // namespace stillmar::mci
