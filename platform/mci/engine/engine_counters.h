#pragma once
// Process-wide counts of what the media engines did, for the benchmarks and the diagnostics of
// playback: how many frames playback presented, dropped for lateness or showed late, how many
// exact seeks and frame steps were made and what they decoded, the memory the frames kept for
// stepping hold, and the time spent converting pictures. Updated
// with relaxed atomics; reading them costs nothing to playback.

#include <atomic>
#include <cstdint>

namespace stillmar::mci::engine {

struct EngineCounters {
    int64_t seeks = 0;         // exact seeks done by decode threads
    int64_t seekFrames = 0;    // frames those seeks decoded
    int64_t seekNs = 0;        // time spent in them
    int64_t conversions = 0;   // pictures scaled / converted to RGB
    int64_t conversionNs = 0;  // time spent converting
    int64_t toneMaps = 0;      // of them, HDR or BT.2020 pictures mapped to BT.709 first
    int64_t toneMapNs = 0;     // time spent mapping (within conversionNs)
    int64_t presented = 0;     // playback frames presented when due
    int64_t dropped = 0;       // playback frames skipped because the clock had passed them
    int64_t late = 0;          // playback frames presented more than a frame after their time
    int64_t steps = 0;         // frame steps done by decode threads
    int64_t stepFrames = 0;    // frames those steps decoded
    int64_t stepNs = 0;        // time spent in them
    int64_t stepBytes = 0;     // a level, not a count: what the stores of frames for steps hold
    int64_t aheads = 0;        // seeks decoded ahead while a device stood still
    int64_t aheadFrames = 0;   // frames they decoded
    int64_t aheadNs = 0;       // time spent in them

    EngineCounters operator-(const EngineCounters& o) const {
        return {seeks - o.seeks,
                seekFrames - o.seekFrames,
                seekNs - o.seekNs,
                conversions - o.conversions,
                conversionNs - o.conversionNs,
                toneMaps - o.toneMaps,
                toneMapNs - o.toneMapNs,
                presented - o.presented,
                dropped - o.dropped,
                late - o.late,
                steps - o.steps,
                stepFrames - o.stepFrames,
                stepNs - o.stepNs,
                stepBytes - o.stepBytes,
                aheads - o.aheads,
                aheadFrames - o.aheadFrames,
                aheadNs - o.aheadNs};
    }
};

namespace counters {
inline std::atomic<int64_t> seeks{0}, seekFrames{0}, seekNs{0}, conversions{0}, conversionNs{0},
    toneMaps{0}, toneMapNs{0}, presented{0}, dropped{0}, late{0}, steps{0}, stepFrames{0},
    stepNs{0}, stepBytes{0}, aheads{0}, aheadFrames{0}, aheadNs{0};
inline void add(std::atomic<int64_t>& c, int64_t n) {
    c.fetch_add(n, std::memory_order_relaxed);
}
}  // namespace counters

inline EngineCounters engineCounters() {
    using namespace counters;
    constexpr auto r = std::memory_order_relaxed;
    return {seeks.load(r),        seekFrames.load(r), seekNs.load(r),    conversions.load(r),
            conversionNs.load(r), toneMaps.load(r),   toneMapNs.load(r), presented.load(r),
            dropped.load(r),      late.load(r),       steps.load(r),     stepFrames.load(r),
            stepNs.load(r),       stepBytes.load(r),  aheads.load(r),    aheadFrames.load(r),
            aheadNs.load(r)};
}

}  // namespace stillmar::mci::engine
