// libFuzzer target: any bytes through the MIDI file parser, and what a device builds on a file
// that parses (tempo map, timeline, conversions both ways, time texts).

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/mci/midi/smf.h"
#include "platform/mci/midi/tempo_map.h"
#include "platform/mci/midi/time_format.h"
#include "platform/mci/midi/timeline.h"

using namespace stillmar::mci::midi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    looksLikeSmf(data, size);
    SmfResult r = parseSmf(data, size);
    if (!r.ok()) {
        if (!r.file.tracks.empty()) std::abort();  // a failure keeps nothing
        return 0;
    }
    TempoMap map(r.file);
    const int64_t length = map.lengthMs();
    if (length < 0) std::abort();
    std::vector<TimedEvent> timeline = buildTimeline(r.file, map);
    for (size_t i = 1; i < timeline.size(); ++i)
        if (timeline[i].timeUs < timeline[i - 1].timeUs) std::abort();
    for (const TimedEvent& e : timeline)
        if (e.status == 0xF0 && size_t(e.dataOffset) + e.dataLength > r.file.bytes.size())
            std::abort();
    // The last tick at or before a time never starts after it.
    for (int64_t ms : {int64_t(0), length / 3, length / 2, length}) {
        const uint64_t tick = map.msToTick(ms);
        if (map.tickToMs(tick) > ms) std::abort();
    }
    for (TimeFormat f : {TimeFormat::Smpte24, TimeFormat::Smpte25, TimeFormat::Smpte30}) {
        auto back = parseTime(formatTime(length, f), f);
        if (length < 255LL * 3600 * 1000 && (!back || *back > length)) std::abort();
    }
    return 0;
}
