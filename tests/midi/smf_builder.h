#pragma once
// Builds Standard MIDI File bytes by hand, for tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace stillmar::mci::midi::test {

using Bytes = std::vector<uint8_t>;

inline void putVarLen(Bytes& out, uint32_t value) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (n > 1) out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

inline void putBe(Bytes& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

// The body of one MTrk chunk, event by event.
struct Track {
    Bytes body;

    Track& raw(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        putVarLen(body, delta);
        body.insert(body.end(), bytes);
        return *this;
    }
    Track& noteOn(uint32_t delta, int channel, int key, int velocity = 100) {
        return raw(delta, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
    }
    Track& noteOff(uint32_t delta, int channel, int key) {
        return raw(delta, {uint8_t(0x80 | channel), uint8_t(key), 0});
    }
    Track& tempo(uint32_t delta, uint32_t usPerQuarter) {
        return raw(delta, {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16),
                           uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)});
    }
    Track& end(uint32_t delta = 0) { return raw(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes chunk(const std::string& id, const Bytes& body) {
    Bytes out(id.begin(), id.end());
    putBe(out, uint32_t(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A whole file. `division`: ticks per quarter, or the raw 16-bit SMPTE word (see smpte()).
inline Bytes smf(int format, uint16_t division, const std::vector<Track>& tracks) {
    Bytes header;
    putBe(header, uint32_t(format), 2);
    putBe(header, uint32_t(tracks.size()), 2);
    putBe(header, division, 2);
    Bytes out = chunk("MThd", header);
    for (const Track& t : tracks) {
        Bytes c = chunk("MTrk", t.body);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

inline uint16_t smpte(int fps, int ticksPerFrame) {
    return uint16_t(uint16_t(uint8_t(int8_t(-fps))) << 8 | uint8_t(ticksPerFrame));
}

// The same file in a RIFF RMID wrapper (RIFF sizes are little-endian).
inline Bytes rmid(const Bytes& smfBytes) {
    auto putLe = [](Bytes& out, size_t value) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
    };
    Bytes body = {'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    putLe(body, smfBytes.size());
    body.insert(body.end(), smfBytes.begin(), smfBytes.end());
    if (body.size() & 1) body.push_back(0);
    Bytes out = {'R', 'I', 'F', 'F'};
    putLe(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace stillmar::mci::midi::test
