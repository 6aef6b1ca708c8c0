#include "platform/mci/service.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>

#include "platform/audio/audio_output.h"
#include "platform/mci/errors.h"

namespace stillmar::mci {
namespace {

// Verbs that may name `all` as their device.
constexpr std::array<std::string_view, 4> kAllVerbs = {"close", "stop", "pause", "resume"};

constexpr std::string_view kStyles[] = {"child", "popup", "overlapped"};
constexpr KeywordSpec kOpenKeys[] = {
    {"type", ArgKind::Text},      {"alias", ArgKind::Text},
    {"parent", ArgKind::Integer}, {"style", ArgKind::IntegerOrConstant, 0, kStyles},
    {"shareable", ArgKind::Flag},
};
constexpr KeywordSpec kNoKeys[] = {{"", ArgKind::Flag}};

constexpr int64_t kChildStyle = 0x40000000;
constexpr int64_t kPopupStyle = 0x80000000;

bool isOneOf(std::string_view word, std::span<const std::string_view> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return equalsNoCase(w, word); });
}

// 0 for a regular file, 275 when nothing is there, 296 for anything else (a folder, a device
// node or a pipe would never be a playable file and might never end).
uint32_t checkFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) return err::kFileNotFound;
    return std::filesystem::is_regular_file(status) ? err::kOk : err::kInvalidFile;
}

// What an open command names: its element (a file, or nothing), its device type, its alias
// and its other keywords.
struct OpenWords {
    std::string element;
    std::string typeName;
    std::string alias;
    bool implicitAlias = false;  // the alias is the element's (or the type's) name
    Args args;
};

uint32_t readOpenWords(std::span<const Token> tokens, OpenWords& out) {
    if (tokens.empty()) return err::kMissingDeviceName;
    // The element is the first word unless that word already is a keyword ("open  type x").
    bool quoted = false;
    const KeywordSpec* keyword = nullptr;
    const Token& first = tokens[0];
    const bool firstIsKeyword =
        !first.quoted && (matchKeyword(tokens, kOpenKeys, &keyword) > 0 ||
                          equalsNoCase(first.text, "wait") || equalsNoCase(first.text, "notify"));
    if (!firstIsKeyword) {
        out.element = first.text;
        quoted = first.quoted;
        tokens = tokens.subspan(1);
    }
    if (const uint32_t code =
            parseArguments(tokens, kOpenKeys, err::kUnrecognizedKeyword, out.args)) {
        return code;
    }
    std::string& element = out.element;
    out.typeName = out.args.text("type");
    // TYPE!ELEMENT, unless the part before "!" is a folder path.
    if (const auto bang = element.find('!');
        bang != std::string::npos && bang > 0 && element.find('/') > bang) {
        if (!out.typeName.empty()) return err::kDuplicateFlags;
        out.typeName = element.substr(0, bang);
        element.erase(0, bang + 1);
    } else if (out.typeName.empty() && !quoted && findDeviceType(element)) {
        // A device opened by its type name alone ("open cdaudio").
        out.typeName = std::move(element);
        element.clear();
    }
    if (element.empty() && out.typeName.empty()) return err::kMissingDeviceName;

    out.alias = out.args.text("alias");
    if (out.args.has("alias") && out.alias.empty()) return err::kMissingStringArgument;
    if (out.alias.empty()) {
        out.alias = element.empty() ? out.typeName : element;
        out.implicitAlias = true;
    }
    return err::kOk;
}

// The window style: a number, or child, popup or overlapped.
uint32_t styleOf(const Args& args, int64_t& style) {
    const ArgValue* v = args.find("style");
    if (!v) return err::kOk;
    if (!v->numbers.empty()) {
        style = v->numbers.front();
    } else if (!v->known) {
        return err::kBadConstant;
    } else {
        style = v->text == "child" ? kChildStyle : v->text == "popup" ? kPopupStyle : 0;
    }
    return err::kOk;
}

// The type named, or without one, the type the file's extension and then its content call for.
uint32_t chooseType(const OpenWords& words, const DeviceEnvironment& env, const DeviceType*& type) {
    if (!words.typeName.empty()) {
        type = findDeviceType(words.typeName);
        if (!type || !type->open) return err::kInvalidDeviceName;
        if (!words.element.empty() && type->open != &openCdAudio) return checkFile(words.element);
        return err::kOk;
    }
    if (const uint32_t code = checkFile(words.element)) return code;
    type = deviceForExtension(words.element);
    if (!type) {
        const ContentKind kind = env.probe ? env.probe(words.element) : ContentKind::Unknown;
        if (kind == ContentKind::Missing) return err::kFileNotFound;
        type = deviceForContent(kind);
        if (!type) return err::kExtensionNotFound;
    }
    return type->open ? err::kOk : err::kInvalidDeviceName;
}

}  // namespace

Service::Service(DeviceEnvironment env) : env_(std::move(env)) {}

Service::~Service() {
    {
        std::lock_guard lock(mutex_);
        devices_.clear();
    }
    audio::shutdownAudio();
}

uint32_t Service::sendString(std::string_view command, std::string* reply, std::size_t replyLength,
                             int32_t) {
    if (reply) reply->clear();
    // Without a buffer the reply is dropped, as a null return string is.
    const bool buffered = reply && replyLength > 0;
    const std::size_t capacity =
        buffered ? replyLength - 1 : std::numeric_limits<std::size_t>::max();
    std::string out;
    std::lock_guard lock(mutex_);
    const uint32_t code = execute(command, out, capacity);
    if (code != err::kOk) return code;
    if (out.size() > capacity) return err::kParamOverflow;
    if (buffered) *reply = std::move(out);
    return err::kOk;
}

bool Service::getErrorString(uint32_t code, std::string& text, std::size_t bufferLength) {
    const auto known = errorText(code);
    if (!known || bufferLength == 0) return false;
    text.assign(known->substr(0, bufferLength - 1));
    return true;
}

uint32_t Service::execute(std::string_view command, std::string& reply, std::size_t capacity) {
    std::vector<Token> tokens;
    if (const uint32_t code = tokenize(command, tokens)) return code;
    if (tokens.empty()) return err::kMissingCommandString;
    const std::string& verb = tokens[0].text;
    // A verb no device answers is 261 before the device is looked at.
    const bool known =
        equalsNoCase(verb, "open") || equalsNoCase(verb, "close") || isDeviceVerb(verb);
    if (tokens[0].quoted || !known) return err::kUnrecognizedCommand;
    const auto rest = std::span<const Token>(tokens).subspan(1);
    if (equalsNoCase(verb, "open")) return open(rest, reply, capacity);
    if (rest.empty()) return err::kMissingDeviceName;
    const Token& device = rest[0];
    const auto words = rest.subspan(1);
    if (!device.quoted && equalsNoCase(device.text, "all")) {
        if (!isOneOf(verb, kAllVerbs)) return err::kCannotUseAll;
        return toAll(verb, words);
    }
    if (equalsNoCase(verb, "close")) return close(device, words);
    Entry* entry = find(device.text);
    if (!entry) return err::kInvalidDeviceName;
    return entry->device->execute(verb, words, reply);
}

uint32_t Service::close(const Token& device, std::span<const Token> rest) {
    Args args;
    if (const uint32_t code =
            parseArguments(rest, std::span(kNoKeys, 0), err::kUnrecognizedKeyword, args)) {
        return code;
    }
    Entry* entry = find(device.text);
    if (!entry) return err::kInvalidDeviceName;
    devices_.erase(devices_.begin() + (entry - devices_.data()));
    return err::kOk;
}

uint32_t Service::toAll(std::string_view verb, std::span<const Token> rest) {
    if (equalsNoCase(verb, "close")) {
        Args args;
        if (const uint32_t code =
                parseArguments(rest, std::span(kNoKeys, 0), err::kUnrecognizedKeyword, args)) {
            return code;
        }
        devices_.clear();
        return err::kOk;
    }
    uint32_t first = err::kOk;
    int failures = 0;
    for (Entry& entry : devices_) {
        std::string ignored;
        if (const uint32_t code = entry.device->execute(verb, rest, ignored)) {
            if (failures++ == 0) first = code;
        }
    }
    return failures > 1 ? err::kMultipleErrors : first;
}

Service::Entry* Service::find(std::string_view alias) {
    for (Entry& entry : devices_) {
        if (equalsNoCase(entry.alias, alias)) return &entry;
    }
    return nullptr;
}

uint32_t Service::freeId() const {
    for (uint32_t id = 1;; ++id) {
        const bool used = std::any_of(devices_.begin(), devices_.end(),
                                      [&](const Entry& e) { return e.id == id; });
        if (!used) return id;
    }
}

uint32_t Service::open(std::span<const Token> tokens, std::string& reply, std::size_t capacity) {
    OpenWords words;
    if (const uint32_t code = readOpenWords(tokens, words)) return code;
    if (find(words.alias)) return words.implicitAlias ? err::kDeviceOpen : err::kDuplicateAlias;
    int64_t style = 0;
    if (const uint32_t code = styleOf(words.args, style)) return code;
    const DeviceType* type = nullptr;
    if (const uint32_t code = chooseType(words, env_, type)) return code;

    OpenRequest request;
    request.path = words.element;
    request.parent = int32_t(words.args.number("parent"));
    request.child = (style & kChildStyle) != 0;
    std::unique_ptr<Device> device;
    if (const uint32_t code = type->open(request, env_, device)) return code;
    const uint32_t id = freeId();
    reply = std::to_string(id);
    // A reply that does not fit fails the open, and a failed open leaves nothing open.
    if (reply.size() > capacity) return err::kParamOverflow;
    devices_.push_back({id, std::move(words.alias), std::move(device)});
    return err::kOk;
}

}  // namespace stillmar::mci
