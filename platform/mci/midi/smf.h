#pragma once
// Standard MIDI Files: formats 0, 1 and 2, in a bare "MThd" file or a RIFF "RMID" wrapper.
//
// The parser checks every length against the bytes it has and caps what it keeps, so a
// hostile file costs at most a bounded amount of memory and always ends in a result.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace stillmar::mci::midi {

// Far beyond any real song; a file that needs more is refused rather than allowed to grow.
constexpr size_t kMaxFileBytes = 64u << 20;
constexpr size_t kMaxEvents = 2'000'000;
constexpr size_t kMaxTracks = 4096;

enum class SmfError {
    None,
    NotSmf,     // no "MThd" (nor an RMID wrapper around one)
    BadHeader,  // header too short, format above 2, zero division or no tracks
    Truncated,  // a chunk or an event runs past the end of the data
    Corrupt,    // an event that cannot be read (bad status, data byte, length, tempo)
    TooLarge,   // over kMaxFileBytes, kMaxEvents or kMaxTracks
    Io,         // the file could not be read
    FileNotFound,
};

std::string_view smfErrorText(SmfError error);

enum class EventKind : uint8_t { Channel, SysEx, SysExEscape, Meta };

constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaEndOfTrack = 0x2F;

struct MidiEvent {
    uint64_t tick = 0;  // absolute, counted from the start of its own track
    EventKind kind = EventKind::Channel;
    uint8_t status = 0;    // 0x80..0xEF, 0xF0, 0xF7 or 0xFF
    uint8_t metaType = 0;  // meta events only
    uint8_t data1 = 0;     // channel events only
    uint8_t data2 = 0;
    uint32_t dataOffset = 0;  // sysex and meta payload: a range of MidiFile::bytes
    uint32_t dataLength = 0;
};

struct MidiTrack {
    std::vector<MidiEvent> events;  // in file order, ticks non-decreasing
    uint64_t endTick = 0;           // the end-of-track event, or the last event without one
};

struct Division {
    // Ticks per quarter note when smpteFps == 0; otherwise SMPTE timing with smpteFps of
    // 24, 25, 29 (29.97 drop frame) or 30 and ticksPerFrame subdivisions.
    uint16_t ticksPerQuarter = 0;
    uint8_t smpteFps = 0;
    uint8_t ticksPerFrame = 0;
    bool isSmpte() const { return smpteFps != 0; }
};

struct MidiFile {
    uint16_t format = 0;
    Division division;
    std::vector<MidiTrack> tracks;
    std::vector<uint8_t> bytes;  // the SMF image the payload offsets point into

    const uint8_t* payload(const MidiEvent& e) const { return bytes.data() + e.dataOffset; }
    // The tempo of a tempo event in microseconds per quarter note.
    uint32_t tempoOf(const MidiEvent& e) const;
};

struct SmfResult {
    SmfError error = SmfError::None;
    MidiFile file;
    bool ok() const { return error == SmfError::None; }
};

SmfResult parseSmf(std::vector<uint8_t> bytes);
SmfResult parseSmf(const uint8_t* data, size_t size);
SmfResult loadSmf(const std::string& path);

// True when the bytes start like a MIDI file (bare or RMID); used to choose a device by content.
bool looksLikeSmf(const uint8_t* data, size_t size);

}  // namespace stillmar::mci::midi
