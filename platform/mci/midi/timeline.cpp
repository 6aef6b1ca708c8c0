#include "platform/mci/midi/timeline.h"

#include <algorithm>

namespace stillmar::mci::midi {

std::vector<TimedEvent> buildTimeline(const MidiFile& file, const TempoMap& map) {
    struct Pending {
        uint64_t tick;
        const MidiEvent* event;
    };
    std::vector<Pending> pending;
    size_t total = 0;
    for (const MidiTrack& track : file.tracks) total += track.events.size();
    pending.reserve(total);
    for (size_t k = 0; k < file.tracks.size(); ++k) {
        uint64_t offset = map.trackOffset(k);
        for (const MidiEvent& e : file.tracks[k].events)
            if (e.kind == EventKind::Channel || e.kind == EventKind::SysEx)
                pending.push_back(Pending{offset + e.tick, &e});
    }
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Pending& a, const Pending& b) { return a.tick < b.tick; });

    std::vector<TimedEvent> timeline;
    timeline.reserve(pending.size());
    uint64_t lastTick = 0;
    int64_t lastUs = 0;
    for (const Pending& p : pending) {
        const MidiEvent& e = *p.event;
        TimedEvent t;
        if (timeline.empty() || p.tick != lastTick) {
            lastTick = p.tick;
            lastUs = map.tickToUs(p.tick);
        }
        t.timeUs = lastUs;
        t.status = e.status;
        t.data1 = e.data1;
        t.data2 = e.data2;
        if (e.kind == EventKind::SysEx) {
            t.dataOffset = e.dataOffset;
            t.dataLength = e.dataLength;
        }
        timeline.push_back(t);
    }
    return timeline;
}

size_t firstEventAtOrAfter(const std::vector<TimedEvent>& timeline, int64_t timeUs) {
    auto it = std::lower_bound(timeline.begin(), timeline.end(), timeUs,
                               [](const TimedEvent& e, int64_t t) { return e.timeUs < t; });
    return size_t(it - timeline.begin());
}

}  // namespace stillmar::mci::midi
