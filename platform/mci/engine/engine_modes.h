#pragma once
// What each mode of the engine allows, in one table: the transport and the presenter ask it
// instead of testing modes one by one.

#include <array>
#include <cstddef>

#include "platform/mci/media_engine.h"

namespace stillmar::mci::engine {

struct ModeRules {
    // The position is the playback clock's: the presenter paces frames on it and ends the
    // range; play() without a start leaves it going.
    bool clockRuns = false;
    bool busy = false;     // waitUntilStopped() waits for it to end
    bool pauses = false;   // pause() turns it into Paused
    bool stops = false;    // stop() halts it where it stands
    bool resumes = false;  // resume(), or play() without a start, picks the pipeline up again
};

inline constexpr std::array<ModeRules, 4> kModeRules = {{
    /* Stopped */ {.pauses = true},
    /* Playing */ {.clockRuns = true, .busy = true, .pauses = true, .stops = true},
    /* Paused */ {.stops = true, .resumes = true},
    /* Seeking */ {.busy = true},
}};
static_assert(std::size_t(EngineMode::Stopped) == 0 && std::size_t(EngineMode::Playing) == 1 &&
              std::size_t(EngineMode::Paused) == 2 && std::size_t(EngineMode::Seeking) == 3);

constexpr const ModeRules& rulesOf(EngineMode mode) {
    return kModeRules[std::size_t(mode)];
}

}  // namespace stillmar::mci::engine
