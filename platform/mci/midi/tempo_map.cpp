#include "platform/mci/midi/tempo_map.h"

#include <algorithm>
#include <limits>

namespace stillmar::mci::midi {
namespace {

template <typename W>
int64_t saturate(W value) {
    constexpr auto kMax = uint64_t(std::numeric_limits<int64_t>::max());
    return value > kMax ? std::numeric_limits<int64_t>::max() : int64_t(value);
}

}  // namespace

TempoMap::TempoMap(const MidiFile& file) {
    segments_.clear();
    const Division& div = file.division;
    if (div.isSmpte()) {
        // 29 stands for 29.97 drop frame: 30000/1001 frames per second.
        bool drop = div.smpteFps == 29;
        uint64_t rate = drop ? 1000u * 1001u : 1000u;
        denominator_ = uint64_t(drop ? 30000u : div.smpteFps) * div.ticksPerFrame;
        segments_.push_back(Segment{0, rate, 0});
    } else {
        denominator_ = uint64_t(div.ticksPerQuarter) * 1000u;
        segments_.push_back(Segment{0, kDefaultTempo, 0});
    }

    trackOffsets_.assign(file.tracks.size(), 0);
    if (file.format == 2) {
        uint64_t offset = 0;
        for (size_t k = 0; k < file.tracks.size(); ++k) {
            trackOffsets_[k] = offset;
            const MidiTrack& track = file.tracks[k];
            if (!div.isSmpte()) {
                if (k > 0) addChange(offset, kDefaultTempo);
                for (const MidiEvent& e : track.events)
                    if (e.kind == EventKind::Meta && e.metaType == kMetaTempo)
                        addChange(offset + e.tick, file.tempoOf(e));
            }
            offset += track.endTick;
        }
        lengthTicks_ = offset;
        return;
    }

    struct Change {
        uint64_t tick;
        uint32_t tempo;
    };
    std::vector<Change> changes;
    for (const MidiTrack& track : file.tracks) {
        lengthTicks_ = std::max(lengthTicks_, track.endTick);
        if (div.isSmpte()) continue;
        for (const MidiEvent& e : track.events)
            if (e.kind == EventKind::Meta && e.metaType == kMetaTempo)
                changes.push_back(Change{e.tick, file.tempoOf(e)});
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.tick < b.tick; });
    for (const Change& c : changes) addChange(c.tick, c.tempo);
}

void TempoMap::addChange(uint64_t tick, uint64_t rate) {
    Segment& last = segments_.back();
    if (tick == last.tick) {
        last.rate = rate;  // several changes at one tick: the last one holds
        return;
    }
    if (rate == last.rate) return;
    segments_.push_back(Segment{tick, rate, accAt(tick)});
}

TempoMap::Wide TempoMap::accAt(uint64_t tick) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                               [](uint64_t t, const Segment& s) { return t < s.tick; });
    const Segment& s = *(it - 1);
    return s.acc + Wide(tick - s.tick) * s.rate;
}

uint64_t TempoMap::trackOffset(size_t track) const {
    return track < trackOffsets_.size() ? trackOffsets_[track] : 0;
}

int64_t TempoMap::tickToMs(uint64_t tick) const {
    return saturate(accAt(tick) / denominator_);
}

int64_t TempoMap::tickToUs(uint64_t tick) const {
    return saturate(accAt(tick) * 1000u / denominator_);
}

uint64_t TempoMap::msToTick(int64_t ms) const {
    if (ms <= 0) return 0;
    Wide target = Wide(uint64_t(ms)) * denominator_;
    auto it = std::upper_bound(segments_.begin(), segments_.end(), target,
                               [](Wide t, const Segment& s) { return t < s.acc; });
    const Segment& s = *(it - 1);
    Wide tick = s.tick + (target - s.acc) / s.rate;
    return tick > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                       : uint64_t(tick);
}

}  // namespace stillmar::mci::midi
