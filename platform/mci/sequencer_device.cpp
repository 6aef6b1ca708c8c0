#include "platform/mci/sequencer_device.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "platform/mci/device_types.h"
#include "platform/mci/midi/sequencer.h"

namespace stillmar::mci {
namespace {

using D = SequencerDevice;

constexpr KeywordSpec kPlayKeys[] = {{"from", ArgKind::Text}, {"to", ArgKind::Text}};
constexpr KeywordSpec kSeekKeys[] = {
    {"to", ArgKind::Text, 1}, {"to start", ArgKind::Flag, 1}, {"to end", ArgKind::Flag, 1}};
constexpr KeywordSpec kSetKeys[] = {
    {"time format", ArgKind::Constant, 0, kTimeFormatWords},
    {"audio all", ArgKind::Flag, 1},
    {"audio left", ArgKind::Flag, 1},
    {"audio right", ArgKind::Flag, 1},
    {"on", ArgKind::Flag, 2},
    {"off", ArgKind::Flag, 2},
    {"door open", ArgKind::Flag, 3},
    {"door closed", ArgKind::Flag, 3},
};
constexpr KeywordSpec kSetaudioKeys[] = {
    {"left", ArgKind::Flag, 1}, {"right", ArgKind::Flag, 1}, {"volume to", ArgKind::Integer},
    {"on", ArgKind::Flag, 2},   {"off", ArgKind::Flag, 2},
};
constexpr KeywordSpec kStatusKeys[] = {
    {"length", ArgKind::Flag, 1},         {"position", ArgKind::Flag, 1},
    {"mode", ArgKind::Flag, 1},           {"time format", ArgKind::Flag, 1},
    {"ready", ArgKind::Flag, 1},          {"media present", ArgKind::Flag, 1},
    {"audio", ArgKind::Flag, 1},          {"volume", ArgKind::Flag, 1},
    {"left volume", ArgKind::Flag, 1},    {"right volume", ArgKind::Flag, 1},
    {"start position", ArgKind::Flag, 1},
};

struct CapabilityRow {
    std::string_view item;
    std::string_view answer;
};
constexpr std::array<CapabilityRow, 9> kCapabilities = {{
    {"can eject", "false"},
    {"can play", "true"},
    {"can record", "false"},
    {"can save", "false"},
    {"compound device", "true"},
    {"device type", "sequencer"},
    {"has audio", "true"},
    {"has video", "false"},
    {"uses files", "true"},
}};
constexpr auto kCapabilityKeys = [] {
    std::array<KeywordSpec, kCapabilities.size()> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = {kCapabilities[i].item, ArgKind::Flag, 1};
    return out;
}();

constexpr CommandRow<D> kCommands[] = {
    {"play", kPlayKeys, &D::play},
    {"pause", {}, &D::pause},
    {"resume", {}, &D::resume},
    {"stop", {}, &D::stop},
    {"seek", kSeekKeys, &D::seek},
    {"set", kSetKeys, &D::set},
    {"setaudio", kSetaudioKeys, &D::setaudio},
    {"status", kStatusKeys, &D::status, err::kBadConstant},
    {"capability", kCapabilityKeys, &D::capability, err::kBadConstant},
};

}  // namespace

uint32_t openSequencer(const OpenRequest& request, const DeviceEnvironment& env,
                       std::unique_ptr<Device>& out) {
    std::unique_ptr<midi::MidiEngine> sequencer =
        env.createMidiEngine ? env.createMidiEngine() : std::make_unique<midi::Sequencer>();
    if (!sequencer) return err::kCannotLoadDriver;
    if (!request.path.empty()) {
        switch (sequencer->open(request.path)) {
            case midi::SequencerStatus::Ok:
                break;
            case midi::SequencerStatus::FileNotFound:
                return err::kFileNotFound;
            case midi::SequencerStatus::Unsupported:
                return err::kInvalidFile;
            case midi::SequencerStatus::Io:
                return err::kFileRead;
        }
    }
    out = std::make_unique<SequencerDevice>(std::move(sequencer));
    return err::kOk;
}

SequencerDevice::SequencerDevice(std::unique_ptr<midi::MidiEngine> sequencer)
    : sequencer_(std::move(sequencer)) {}

SequencerDevice::~SequencerDevice() {
    sequencer_->stop();
}

uint32_t SequencerDevice::execute(std::string_view verb, std::span<const Token> rest,
                                  std::string& reply) {
    // Without a file only status and capability answer.
    if (!sequencer_->isOpen() && !equalsNoCase(verb, "status") &&
        !equalsNoCase(verb, "capability")) {
        for (const CommandRow<D>& row : kCommands) {
            if (equalsNoCase(row.verb, verb)) return err::kDeviceNotReady;
        }
    }
    return dispatch(std::span<const CommandRow<D>>(kCommands), *this, verb, rest, reply);
}

std::optional<int64_t> SequencerDevice::timeArg(const Args& args, std::string_view keyword) const {
    const std::string& text = args.text(keyword);
    std::optional<int64_t> ms;
    if (format_ == midi::TimeFormat::Milliseconds) {
        ms = parseNumber(text);
    } else {
        ms = midi::parseTime(text, format_);
    }
    if (!ms) return std::nullopt;
    return std::clamp<int64_t>(*ms, 0, sequencer_->lengthMs());
}

uint32_t SequencerDevice::play(const Args& args, std::string&) {
    int64_t from = -1;
    int64_t to = -1;
    if (args.has("from")) {
        const auto t = timeArg(args, "from");
        if (!t) return err::kBadInteger;
        from = *t;
    }
    if (args.has("to")) {
        const auto t = timeArg(args, "to");
        if (!t) return err::kBadInteger;
        to = *t;
        if (to < (from >= 0 ? from : sequencer_->positionMs())) return err::kOutOfRange;
    }
    sequencer_->play(from, to);
    if (args.has("wait")) {
        while (!sequencer_->waitUntilStopped(std::chrono::seconds(1))) {
            if (sequencer_->mode() != midi::SequencerMode::Playing) break;
        }
    }
    return err::kOk;
}

uint32_t SequencerDevice::pause(const Args&, std::string&) {
    sequencer_->pause();
    return err::kOk;
}

uint32_t SequencerDevice::resume(const Args&, std::string&) {
    sequencer_->resume();
    return err::kOk;
}

uint32_t SequencerDevice::stop(const Args&, std::string&) {
    sequencer_->stop();
    return err::kOk;
}

uint32_t SequencerDevice::seek(const Args& args, std::string&) {
    int64_t ms = 0;
    if (args.has("to end")) {
        ms = sequencer_->lengthMs();
    } else if (args.has("to")) {
        const auto t = timeArg(args, "to");
        if (!t) return err::kBadInteger;
        ms = *t;
    } else if (!args.has("to start")) {
        return err::kMissingParameter;
    }
    sequencer_->seek(ms);
    return err::kOk;
}

uint32_t SequencerDevice::set(const Args& args, std::string&) {
    if (args.has("door open") || args.has("door closed")) return err::kUnsupportedFunction;
    const bool channel = args.has("audio all") || args.has("audio left") || args.has("audio right");
    if (channel != (args.has("on") || args.has("off"))) return err::kMissingParameter;
    if (!channel && !args.has("time format")) return err::kMissingParameter;
    midi::TimeFormat format = format_;
    if (const ArgValue* v = args.find("time format")) {
        const midi::TimeFormatLookup lookup = midi::lookupTimeFormat(v->text);
        if (lookup.support == midi::FormatSupport::Supported) {
            format = lookup.format;
        } else {
            return v->known ? err::kBadTimeFormat : err::kBadConstant;
        }
    }
    format_ = format;
    if (channel) {
        const bool on = args.has("on");
        if (!args.has("audio right")) leftOn_ = on;
        if (!args.has("audio left")) rightOn_ = on;
        sequencer_->setChannelsEnabled(leftOn_, rightOn_);
    }
    return err::kOk;
}

uint32_t SequencerDevice::setaudio(const Args& args, std::string&) {
    const bool volume = args.has("volume to");
    const bool onOff = args.has("on") || args.has("off");
    if (!volume && !onOff) return err::kMissingParameter;
    const int64_t n = args.number("volume to");
    if (volume && (n < 0 || n > 1000)) return err::kOutOfRange;
    const bool left = !args.has("right");
    const bool right = !args.has("left");
    if (volume) {
        if (left) leftVolume_ = int32_t(n);
        if (right) rightVolume_ = int32_t(n);
        sequencer_->setVolume(leftVolume_, rightVolume_);
    }
    if (onOff) {
        if (left) leftOn_ = args.has("on");
        if (right) rightOn_ = args.has("on");
        sequencer_->setChannelsEnabled(leftOn_, rightOn_);
    }
    return err::kOk;
}

uint32_t SequencerDevice::status(const Args& args, std::string& reply) {
    const auto items = args.given();
    if (items.empty()) return err::kUnsupportedFunction;
    const std::string_view item = items.front();
    const bool open = sequencer_->isOpen();
    if (item == "mode") {
        if (!open) {
            reply = "not ready";
            return err::kOk;
        }
        switch (sequencer_->mode()) {
            case midi::SequencerMode::Stopped:
                reply = "stopped";
                break;
            case midi::SequencerMode::Playing:
                reply = "playing";
                break;
            case midi::SequencerMode::Paused:
                reply = "paused";
                break;
        }
    } else if (item == "ready" || item == "media present") {
        reply = open ? "true" : "false";
    } else if (item == "time format") {
        reply = midi::timeFormatName(format_);
    } else if (!open) {
        return err::kDeviceNotReady;
    } else if (item == "length") {
        reply = midi::formatTime(sequencer_->lengthMs(), format_);
    } else if (item == "position") {
        reply = midi::formatTime(sequencer_->positionMs(), format_);
    } else if (item == "start position") {
        reply = midi::formatTime(0, format_);
    } else if (item == "audio") {
        reply = leftOn_ || rightOn_ ? "on" : "off";
    } else if (item == "volume") {
        reply = std::to_string((leftVolume_ + rightVolume_) / 2);
    } else if (item == "left volume") {
        reply = std::to_string(leftVolume_);
    } else if (item == "right volume") {
        reply = std::to_string(rightVolume_);
    }
    return err::kOk;
}

uint32_t SequencerDevice::capability(const Args& args, std::string& reply) {
    const auto items = args.given();
    if (items.empty()) return err::kUnsupportedFunction;
    for (const CapabilityRow& row : kCapabilities) {
        if (row.item == items.front()) reply = row.answer;
    }
    return err::kOk;
}

}  // namespace stillmar::mci
