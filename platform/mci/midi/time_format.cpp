#include "platform/mci/midi/time_format.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <vector>

namespace stillmar::mci::midi {
namespace {

std::string normalise(std::string_view words) {
    std::string out;
    bool space = false;
    for (char c : words) {
        if (c == ' ' || c == '\t') {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Decimal digits only; nothing for an empty field or one past `max`.
std::optional<uint64_t> parseDecimal(std::string_view text, uint64_t max) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

}  // namespace

TimeFormatLookup lookupTimeFormat(std::string_view words) {
    const std::string w = normalise(words);
    if (w == "ms" || w == "milliseconds")
        return {FormatSupport::Supported, TimeFormat::Milliseconds};
    if (w == "smpte 24") return {FormatSupport::Supported, TimeFormat::Smpte24};
    if (w == "smpte 25") return {FormatSupport::Supported, TimeFormat::Smpte25};
    if (w == "smpte 30") return {FormatSupport::Supported, TimeFormat::Smpte30};
    static constexpr std::array<std::string_view, 9> kOthers = {
        "smpte 30 drop", "song pointer", "frames",  "hms",  "msf",
        "tmsf",          "bytes",        "samples", "track"};
    for (std::string_view other : kOthers)
        if (w == other) return {FormatSupport::Unsupported, TimeFormat::Milliseconds};
    return {};
}

std::string_view timeFormatName(TimeFormat format) {
    switch (format) {
        case TimeFormat::Milliseconds:
            return "milliseconds";
        case TimeFormat::Smpte24:
            return "smpte 24";
        case TimeFormat::Smpte25:
            return "smpte 25";
        case TimeFormat::Smpte30:
            return "smpte 30";
    }
    return "milliseconds";
}

int framesPerSecond(TimeFormat format) {
    switch (format) {
        case TimeFormat::Milliseconds:
            return 0;
        case TimeFormat::Smpte24:
            return 24;
        case TimeFormat::Smpte25:
            return 25;
        case TimeFormat::Smpte30:
            return 30;
    }
    return 0;
}

std::string formatTime(int64_t ms, TimeFormat format) {
    if (ms < 0) ms = 0;
    const int fps = framesPerSecond(format);
    if (fps == 0) return std::to_string(ms);
    const int64_t frames = ms / 1000 * fps + ms % 1000 * fps / 1000;
    const int64_t seconds = frames / fps;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld:%02lld",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60), static_cast<long long>(frames % fps));
    return text;
}

std::optional<int64_t> parseTime(std::string_view text, TimeFormat format) {
    const int fps = framesPerSecond(format);
    if (fps == 0) {
        auto value = parseDecimal(text, uint64_t(INT64_MAX));
        if (!value) return std::nullopt;
        return int64_t(*value);
    }
    std::array<uint64_t, 4> field{};  // hours, minutes, seconds, frames
    if (text.find(':') == std::string_view::npos) {
        auto packed = parseDecimal(text, 0xFFFFFFFFu);
        if (!packed) return std::nullopt;
        for (int i = 0; i < 4; ++i) field[size_t(i)] = (*packed >> (8 * i)) & 0xFF;
    } else {
        size_t i = 0;
        size_t start = 0;
        while (true) {
            if (i == field.size()) return std::nullopt;
            size_t colon = text.find(':', start);
            auto value = parseDecimal(text.substr(start, colon - start), 255);
            if (!value) return std::nullopt;
            field[i++] = *value;
            if (colon == std::string_view::npos) break;
            start = colon + 1;
        }
    }
    if (field[1] >= 60 || field[2] >= 60 || field[3] >= uint64_t(fps)) return std::nullopt;
    const int64_t seconds = int64_t((field[0] * 60 + field[1]) * 60 + field[2]);
    // The frame's first whole millisecond: formatTime() of it falls back into the same frame.
    const int64_t frameMs = (int64_t(field[3]) * 1000 + fps - 1) / fps;
    return seconds * 1000 + frameMs;
}

}  // namespace stillmar::mci::midi
