#pragma once
// What a synthesizer needs of a parsed file: every channel message and system-exclusive
// message of every track, merged in playing order, each stamped with its time.

#include <cstdint>
#include <vector>

#include "platform/mci/midi/smf.h"
#include "platform/mci/midi/tempo_map.h"

namespace stillmar::mci::midi {

struct TimedEvent {
    int64_t timeUs = 0;
    uint8_t status = 0;  // 0x80..0xEF or 0xF0
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint32_t dataOffset = 0;  // sysex: the bytes after F0, into MidiFile::bytes
    uint32_t dataLength = 0;
};

// Sorted by time; events at one time keep track order, then file order.
std::vector<TimedEvent> buildTimeline(const MidiFile& file, const TempoMap& map);

// The first event at or after `timeUs`.
size_t firstEventAtOrAfter(const std::vector<TimedEvent>& timeline, int64_t timeUs);

}  // namespace stillmar::mci::midi
