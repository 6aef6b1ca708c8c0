#pragma once
// Time on an MPEGVideo device: milliseconds, and frames counted at the video's nominal rate.
//
// The rule, the one every reply and every seek in frames follows: frame n of a video at r
// frames per second covers the milliseconds from n * 1000 / r up to, not including,
// (n + 1) * 1000 / r. A time names the frame that contains it (rounded down), and a frame is
// reached at the first whole millisecond inside it (rounded up), so that
// frameAt(frameStartMs(n)) == n for every frame: a seek to a frame shows that frame, and the
// position then reads that frame again. A length is where the last frame ends, itself a
// rounded millisecond, so it counts frames to the nearest whole frame.

#include <cstdint>

namespace stillmar::mci {

// A nominal frame rate in thousandths of a frame per second: 25 fps is 25000, 29.97 fps is
// 29970. Zero when unknown or without video; then no conversion applies.
struct FrameRate {
    int32_t milliFps = 0;

    constexpr bool known() const { return milliFps > 0; }
    bool operator==(const FrameRate&) const = default;
};

// The frame that contains millisecond `ms` (ms >= 0).
constexpr int64_t frameAt(int64_t ms, FrameRate rate) {
    return rate.known() ? ms * rate.milliFps / 1000000 : 0;
}

// The first whole millisecond inside frame `frame` (frame >= 0).
constexpr int64_t frameStartMs(int64_t frame, FrameRate rate) {
    return rate.known() ? (frame * 1000000 + rate.milliFps - 1) / rate.milliFps : 0;
}

// How many frames a length of `lengthMs` holds.
constexpr int64_t framesInLength(int64_t lengthMs, FrameRate rate) {
    return rate.known() ? (lengthMs * rate.milliFps + 500000) / 1000000 : 0;
}

}  // namespace stillmar::mci
