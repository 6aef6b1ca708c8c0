#include "platform/mci/service.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>

#include "platform/mci/errors.h"

namespace stillmar::mci {
namespace {

// Every verb some device answers; anything else is 261 before the device is looked at.
constexpr std::array<std::string_view, 16> kVerbs = {
    "open",     "close",  "play",       "pause", "resume", "stop",   "seek",    "set",
    "setaudio", "status", "capability", "put",   "where",  "window", "capture", "step",
};
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

}  // namespace

Service::Service(DeviceEnvironment env) : env_(std::move(env)) {}

Service::~Service() {
    std::lock_guard lock(mutex_);
    devices_.clear();
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
    if (tokens[0].quoted || !isOneOf(verb, kVerbs)) return err::kUnrecognizedCommand;
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
    if (tokens.empty()) return err::kMissingDeviceName;
    // The element is the first word unless that word already is a keyword ("open  type x").
    std::string element;
    bool quoted = false;
    const KeywordSpec* keyword = nullptr;
    const Token& first = tokens[0];
    const bool firstIsKeyword =
        !first.quoted && (matchKeyword(tokens, kOpenKeys, &keyword) > 0 ||
                          equalsNoCase(first.text, "wait") || equalsNoCase(first.text, "notify"));
    if (!firstIsKeyword) {
        element = first.text;
        quoted = first.quoted;
        tokens = tokens.subspan(1);
    }
    Args args;
    if (const uint32_t code = parseArguments(tokens, kOpenKeys, err::kUnrecognizedKeyword, args)) {
        return code;
    }

    std::string typeName = args.text("type");
    // TYPE!ELEMENT, unless the part before "!" is a folder path.
    if (const auto bang = element.find('!');
        bang != std::string::npos && bang > 0 && element.find('/') > bang) {
        if (!typeName.empty()) return err::kDuplicateFlags;
        typeName = element.substr(0, bang);
        element.erase(0, bang + 1);
    } else if (typeName.empty() && !quoted && findDeviceType(element)) {
        // A device opened by its type name alone ("open cdaudio").
        typeName = std::move(element);
        element.clear();
    }
    if (element.empty() && typeName.empty()) return err::kMissingDeviceName;

    bool implicitAlias = false;
    std::string alias = args.text("alias");
    if (args.has("alias") && alias.empty()) return err::kMissingStringArgument;
    if (alias.empty()) {
        alias = element.empty() ? typeName : element;
        implicitAlias = true;
    }
    if (find(alias)) return implicitAlias ? err::kDeviceOpen : err::kDuplicateAlias;

    int64_t style = 0;
    if (const ArgValue* v = args.find("style")) {
        if (!v->numbers.empty()) {
            style = v->numbers.front();
        } else if (!v->known) {
            return err::kBadConstant;
        } else {
            style = v->text == "child" ? kChildStyle : v->text == "popup" ? kPopupStyle : 0;
        }
    }

    const DeviceType* type = nullptr;
    if (!typeName.empty()) {
        type = findDeviceType(typeName);
        if (!type || !type->open) return err::kInvalidDeviceName;
        if (!element.empty() && type->open != &openCdAudio) {
            if (const uint32_t code = checkFile(element)) return code;
        }
    } else {
        // No type: the extension decides, then the content.
        if (const uint32_t code = checkFile(element)) return code;
        type = deviceForExtension(element);
        if (!type) {
            const ContentKind kind = env_.probe ? env_.probe(element) : ContentKind::Unknown;
            if (kind == ContentKind::Missing) return err::kFileNotFound;
            type = deviceForContent(kind);
            if (!type) return err::kExtensionNotFound;
        }
        if (!type->open) return err::kInvalidDeviceName;
    }

    OpenRequest request;
    request.path = element;
    request.parent = int32_t(args.number("parent"));
    request.child = (style & kChildStyle) != 0;
    std::unique_ptr<Device> device;
    if (const uint32_t code = type->open(request, env_, device)) return code;
    const uint32_t id = freeId();
    reply = std::to_string(id);
    // A reply that does not fit fails the open, and a failed open leaves nothing open.
    if (reply.size() > capacity) return err::kParamOverflow;
    devices_.push_back({id, std::move(alias), std::move(device)});
    return err::kOk;
}

}  // namespace stillmar::mci
