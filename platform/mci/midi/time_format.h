#pragma once
// Time formats of the Sequencer device and the text of times in them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stillmar::mci::midi {

enum class TimeFormat { Milliseconds, Smpte24, Smpte25, Smpte30 };

enum class FormatSupport {
    Supported,
    Unsupported,  // a time format of the service that this device lacks (293)
    Unknown,      // not a time format at all (290)
};

struct TimeFormatLookup {
    FormatSupport support = FormatSupport::Unknown;
    TimeFormat format = TimeFormat::Milliseconds;
};

// The words after "time format", case-insensitive, runs of spaces allowed: "ms",
// "milliseconds", "smpte 24", "smpte 25", "smpte 30".
TimeFormatLookup lookupTimeFormat(std::string_view words);

// As "status ... time format" answers: "milliseconds", "smpte 24", ...
std::string_view timeFormatName(TimeFormat format);

int framesPerSecond(TimeFormat format);  // 0 for milliseconds

// A time as the device shows it: decimal milliseconds, or hh:mm:ss:ff (two digits each at
// least; ff counts whole frames into the second). Negative times show as 0.
std::string formatTime(int64_t ms, TimeFormat format);

// A time as a command gives it. Milliseconds: a decimal number. SMPTE: "hh[:mm[:ss[:ff]]]"
// (fields fill from the hours), or a bare number read as the packed value with hours in the
// low byte. The result is the first millisecond of the frame, so formatTime() gives the text
// back. Nothing for malformed text or a field out of range (minutes, seconds, frame).
std::optional<int64_t> parseTime(std::string_view text, TimeFormat format);

}  // namespace stillmar::mci::midi
