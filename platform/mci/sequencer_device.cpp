#include "platform/mci/sequencer_device.h"

#include <algorithm>
#include <array>

#include "platform/mci/device_types.h"
#include "platform/mci/midi/sequencer.h"

namespace stillmar::mci {
namespace {

using D = SequencerDevice;

constexpr auto kSetKeys = setKeywords(std::array<KeywordSpec, 0>{});
constexpr auto kStatusRows = fileStatusRows<D>();
constexpr auto kCapabilityRows = joined(kFileCapabilities, std::array<CapabilityRow, 2>{{
                                                               {"device type", "sequencer"},
                                                               {"has video", "false"},
                                                           }});

constexpr auto kStatusKeys = itemKeywords(kStatusRows);
constexpr auto kCapabilityKeys = itemKeywords(kCapabilityRows);

constexpr auto kCommands =
    joined(transportCommands<D, ArgKind::Text>(kSetKeys),
           std::array<CommandRow<D>, 2>{{
               {"status", kStatusKeys, &D::status, err::kBadConstant},
               {"capability", kCapabilityKeys, &D::capability, err::kBadConstant},
           }});

}  // namespace

std::span<const CommandRow<D>> SequencerDevice::commands() {
    return kCommands;
}

bool sequencerVerb(std::string_view verb) {
    return answersVerb<D>(verb);
}

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
    : PlaybackDevice(std::move(sequencer)) {}

SequencerDevice::~SequencerDevice() {
    engine_->stop();
}

uint32_t SequencerDevice::execute(std::string_view verb, std::span<const Token> rest,
                                  std::string& reply) {
    return dispatchCommand(commands(), *this, engine_->isOpen(), verb, rest, reply);
}

uint32_t SequencerDevice::timeArg(const Args& args, std::string_view keyword, int64_t& ms) const {
    const std::string& text = args.text(keyword);
    const std::optional<int64_t> parsed = format_ == midi::TimeFormat::Milliseconds
                                              ? parseNumber(text)
                                              : midi::parseTime(text, format_);
    if (!parsed) return err::kBadInteger;
    ms = std::clamp<int64_t>(*parsed, 0, engine_->lengthMs());
    return err::kOk;
}

uint32_t SequencerDevice::play(const Args& args, std::string&) {
    int64_t from = -1;
    int64_t to = -1;
    if (args.has("from")) {
        if (const uint32_t code = timeArg(args, "from", from)) return code;
    }
    if (args.has("to")) {
        if (const uint32_t code = timeArg(args, "to", to)) return code;
        if (to < (from >= 0 ? from : engine_->positionMs())) return err::kOutOfRange;
    }
    engine_->play(from, to);
    waitIfAsked(args, [this] { return engine_->mode() == midi::SequencerMode::Playing; });
    return err::kOk;
}

uint32_t SequencerDevice::set(const Args& args, std::string&) {
    if (args.has("door open") || args.has("door closed")) return err::kUnsupportedFunction;
    if (const uint32_t code = checkChannels(args)) return code;
    if (!hasChannels(args) && !args.has("time format")) return err::kMissingParameter;
    if (const ArgValue* v = args.find("time format")) {
        const midi::TimeFormatLookup lookup = midi::lookupTimeFormat(v->text);
        if (lookup.support != midi::FormatSupport::Supported) {
            return v->known ? err::kBadTimeFormat : err::kBadConstant;
        }
        format_ = lookup.format;
    }
    applyChannels(args);
    return err::kOk;
}

uint32_t SequencerDevice::status(const Args& args, std::string& reply) {
    return answerStatus<D>(kStatusRows, *this, engine_->isOpen(), args, reply);
}

uint32_t SequencerDevice::capability(const Args& args, std::string& reply) {
    return answerCapability(kCapabilityRows, args, reply);
}

uint32_t SequencerDevice::statusLength(std::string& out) const {
    out = midi::formatTime(engine_->lengthMs(), format_);
    return err::kOk;
}

uint32_t SequencerDevice::statusPosition(std::string& out) const {
    out = midi::formatTime(engine_->positionMs(), format_);
    return err::kOk;
}

uint32_t SequencerDevice::statusMode(std::string& out) const {
    if (!engine_->isOpen()) {
        out = "not ready";
        return err::kOk;
    }
    switch (engine_->mode()) {
        case midi::SequencerMode::Stopped:
            out = "stopped";
            break;
        case midi::SequencerMode::Playing:
            out = "playing";
            break;
        case midi::SequencerMode::Paused:
            out = "paused";
            break;
    }
    return err::kOk;
}

uint32_t SequencerDevice::statusTimeFormat(std::string& out) const {
    out = midi::timeFormatName(format_);
    return err::kOk;
}

uint32_t SequencerDevice::statusReady(std::string& out) const {
    out = engine_->isOpen() ? "true" : "false";
    return err::kOk;
}

uint32_t SequencerDevice::statusStartPosition(std::string& out) const {
    out = midi::formatTime(0, format_);
    return err::kOk;
}

}  // namespace stillmar::mci
