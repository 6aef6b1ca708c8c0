#pragma once
// The time of a sequence: ticks <-> milliseconds, exact in closed form.
//
// Formats 0 and 1 share one timeline: a tempo change in any track applies to all of them (the
// conductor track normally holds them all). Format 2 plays its tracks one after another: track k
// starts where track k-1 ends, at the default tempo of 120 beats per minute. SMPTE divisions
// ignore tempo events: a tick is 1/(fps * ticksPerFrame) s, with 29 meaning 30000/1001 fps.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/mci/midi/smf.h"

namespace stillmar::mci::midi {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

class TempoMap {
  public:
    TempoMap() = default;
    explicit TempoMap(const MidiFile& file);

    // Where track k starts on the sequence timeline (non-zero only in format 2).
    uint64_t trackOffset(size_t track) const;
    uint64_t lengthTicks() const { return lengthTicks_; }
    int64_t lengthMs() const { return tickToMs(lengthTicks_); }

    // Floors of the exact times; saturate instead of overflowing on absurd inputs.
    int64_t tickToMs(uint64_t tick) const;
    int64_t tickToUs(uint64_t tick) const;
    // The last tick that starts at or before `ms` (0 for negative times). Past the end the last
    // tempo continues.
    uint64_t msToTick(int64_t ms) const;

  private:
    __extension__ typedef unsigned __int128 Wide;

    // From `tick` on, each tick lasts rate / denominator_ ms; `acc` is the time of `tick` in
    // the same unit.
    struct Segment {
        uint64_t tick;
        uint64_t rate;
        Wide acc;
    };
    void addChange(uint64_t tick, uint64_t rate);
    Wide accAt(uint64_t tick) const;

    std::vector<Segment> segments_{Segment{0, kDefaultTempo, 0}};
    std::vector<uint64_t> trackOffsets_;
    uint64_t denominator_ = 96'000;  // ms = acc / denominator_
    uint64_t lengthTicks_ = 0;
};

}  // namespace stillmar::mci::midi
