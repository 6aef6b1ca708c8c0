#include "platform/mci/midi/smf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

namespace stillmar::mci::midi {
namespace {

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint16_t be16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// Locates the SMF image: the whole buffer, or the "data" chunk of a RIFF RMID file.
// Returns {offset, size} or nothing when neither form is present.
std::optional<std::pair<size_t, size_t>> findSmf(const uint8_t* data, size_t size) {
    if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) return std::pair<size_t, size_t>{0, size};
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "RMID", 4) != 0)
        return std::nullopt;
    // A RIFF size larger than the file is common in the wild; the file's end wins.
    size_t end = std::min(size, size_t(le32(data + 4)) + 8);
    if (end < 12) return std::nullopt;
    size_t pos = 12;
    while (end - pos >= 8) {
        size_t len = le32(data + pos + 4);
        size_t body = pos + 8;
        if (std::memcmp(data + pos, "data", 4) == 0) {
            if (len > end - body) return std::nullopt;
            if (len < 4 || std::memcmp(data + body, "MThd", 4) != 0) return std::nullopt;
            return std::pair<size_t, size_t>{body, len};
        }
        if (len > end - body) return std::nullopt;
        pos = body + len + (len & 1);
        if (pos > end) return std::nullopt;
    }
    return std::nullopt;
}

class TrackReader {
  public:
    TrackReader(const uint8_t* base, size_t pos, size_t end, size_t& eventBudget)
        : base_(base), pos_(pos), end_(end), budget_(eventBudget) {}

    SmfError read(MidiTrack& track) {
        uint64_t tick = 0;
        uint8_t running = 0;
        while (pos_ < end_) {
            uint32_t delta = 0;
            if (SmfError e = readVarLen(delta); e != SmfError::None) return e;
            tick += delta;
            if (pos_ >= end_) return SmfError::Truncated;
            if (budget_ == 0) return SmfError::TooLarge;
            --budget_;

            MidiEvent ev;
            ev.tick = tick;
            uint8_t b = base_[pos_];
            if (b < 0x80) {
                // Running status: the data byte belongs to the last channel message.
                if (running == 0) return SmfError::Corrupt;
                ev.status = running;
            } else {
                ev.status = b;
                ++pos_;
            }

            if (ev.status < 0xF0) {
                running = ev.status;
                if (SmfError e = readChannel(ev); e != SmfError::None) return e;
                track.events.push_back(ev);
                continue;
            }
            // Sysex and meta events cancel running status.
            running = 0;
            if (SmfError e = readSysExOrMeta(ev); e != SmfError::None) return e;
            track.events.push_back(ev);
            if (ev.kind == EventKind::Meta && ev.metaType == kMetaEndOfTrack) {
                track.endTick = tick;
                return SmfError::None;  // anything after the end of track is padding
            }
        }
        track.endTick = tick;
        return SmfError::None;
    }

  private:
    SmfError readVarLen(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= end_) return SmfError::Truncated;
            uint8_t b = base_[pos_++];
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80)) return SmfError::None;
        }
        return SmfError::Corrupt;  // a quantity longer than four bytes
    }

    // The data bytes of a channel message whose status is `ev.status`.
    SmfError readChannel(MidiEvent& ev) {
        ev.kind = EventKind::Channel;
        int dataBytes = (ev.status & 0xF0) == 0xC0 || (ev.status & 0xF0) == 0xD0 ? 1 : 2;
        if (end_ - pos_ < size_t(dataBytes)) return SmfError::Truncated;
        ev.data1 = base_[pos_++];
        if (dataBytes == 2) ev.data2 = base_[pos_++];
        if (ev.data1 >= 0x80 || ev.data2 >= 0x80) return SmfError::Corrupt;
        return SmfError::None;
    }

    // A sysex or meta event after its status byte: its type, length and payload.
    SmfError readSysExOrMeta(MidiEvent& ev) {
        if (ev.status == 0xFF) {
            if (pos_ >= end_) return SmfError::Truncated;
            ev.kind = EventKind::Meta;
            ev.metaType = base_[pos_++];
        } else if (ev.status == 0xF0 || ev.status == 0xF7) {
            ev.kind = ev.status == 0xF0 ? EventKind::SysEx : EventKind::SysExEscape;
        } else {
            return SmfError::Corrupt;  // system common and real-time bytes have no place here
        }
        uint32_t len = 0;
        if (SmfError e = readVarLen(len); e != SmfError::None) return e;
        if (len > end_ - pos_) return SmfError::Truncated;
        ev.dataOffset = uint32_t(pos_);
        ev.dataLength = len;
        pos_ += len;
        if (ev.kind == EventKind::Meta && ev.metaType == kMetaTempo &&
            (len != 3 ||
             (base_[ev.dataOffset] | base_[ev.dataOffset + 1] | base_[ev.dataOffset + 2]) == 0))
            return SmfError::Corrupt;
        return SmfError::None;
    }

    const uint8_t* base_;
    size_t pos_;
    size_t end_;
    size_t& budget_;
};

}  // namespace

std::string_view smfErrorText(SmfError error) {
    switch (error) {
        case SmfError::None:
            return "ok";
        case SmfError::NotSmf:
            return "not a MIDI file";
        case SmfError::BadHeader:
            return "bad MIDI header";
        case SmfError::Truncated:
            return "truncated MIDI file";
        case SmfError::Corrupt:
            return "corrupt MIDI event";
        case SmfError::TooLarge:
            return "MIDI file too large";
        case SmfError::Io:
            return "read error";
        case SmfError::FileNotFound:
            return "file not found";
    }
    return "unknown";
}

uint32_t MidiFile::tempoOf(const MidiEvent& e) const {
    const uint8_t* p = payload(e);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

bool looksLikeSmf(const uint8_t* data, size_t size) {
    auto where = findSmf(data, size);
    return where && where->second >= 8 && be32(data + where->first + 4) >= 6;
}

SmfResult parseSmf(const uint8_t* data, size_t size) {
    return parseSmf(std::vector<uint8_t>(data, data + size));
}

namespace {

// The header chunk of an SMF image: format, track count and division. `pos` receives where the
// chunks after it begin.
SmfError readHeader(const uint8_t* d, size_t size, MidiFile& file, uint16_t& trackCount,
                    size_t& pos) {
    if (size < 8) return SmfError::Truncated;
    uint32_t headerLength = be32(d + 4);
    if (headerLength < 6) return SmfError::BadHeader;
    if (headerLength > size - 8) return SmfError::Truncated;
    file.format = be16(d + 8);
    trackCount = be16(d + 10);
    uint16_t division = be16(d + 12);
    if (file.format > 2 || trackCount == 0) return SmfError::BadHeader;
    if (trackCount > kMaxTracks) return SmfError::TooLarge;
    if (division & 0x8000) {
        int fps = -int(int8_t(division >> 8));
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30) return SmfError::BadHeader;
        file.division.smpteFps = uint8_t(fps);
        file.division.ticksPerFrame = uint8_t(division & 0xFF);
        if (file.division.ticksPerFrame == 0) return SmfError::BadHeader;
    } else {
        if (division == 0) return SmfError::BadHeader;
        file.division.ticksPerQuarter = division;
    }
    pos = 8 + size_t(headerLength);
    return SmfError::None;
}

// The track chunks from `pos` on, until `trackCount` have been read.
SmfError readTracks(const uint8_t* d, size_t size, size_t pos, uint16_t trackCount,
                    MidiFile& file) {
    size_t budget = kMaxEvents;
    file.tracks.reserve(trackCount);
    while (file.tracks.size() < trackCount) {
        if (size - pos < 8) return SmfError::Truncated;
        size_t len = be32(d + pos + 4);
        size_t body = pos + 8;
        if (len > size - body) return SmfError::Truncated;
        if (std::memcmp(d + pos, "MTrk", 4) == 0) {
            MidiTrack track;
            TrackReader reader(d, body, body + len, budget);
            if (SmfError e = reader.read(track); e != SmfError::None) return e;
            file.tracks.push_back(std::move(track));
        }
        // Chunks of other types are skipped, as the format asks.
        pos = body + len;
    }
    return SmfError::None;
}

}  // namespace

SmfResult parseSmf(std::vector<uint8_t> bytes) {
    SmfResult result;
    if (bytes.size() > kMaxFileBytes) {
        result.error = SmfError::TooLarge;
        return result;
    }
    auto where = findSmf(bytes.data(), bytes.size());
    if (!where) {
        result.error = SmfError::NotSmf;
        return result;
    }
    if (where->first != 0 || where->second != bytes.size()) {
        bytes = std::vector<uint8_t>(bytes.begin() + ptrdiff_t(where->first),
                                     bytes.begin() + ptrdiff_t(where->first + where->second));
    }
    uint16_t trackCount = 0;
    size_t pos = 0;
    SmfError e = readHeader(bytes.data(), bytes.size(), result.file, trackCount, pos);
    if (e == SmfError::None)
        e = readTracks(bytes.data(), bytes.size(), pos, trackCount, result.file);
    if (e != SmfError::None) {
        result.error = e;
        result.file = MidiFile{};
        return result;
    }
    result.file.bytes = std::move(bytes);
    return result;
}

SmfResult loadSmf(const std::string& path) {
    SmfResult result;
    // Opened once, without waiting, and checked through the descriptor: a name that is swapped
    // for a pipe between a check by name and the open must not block the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno == ENOENT || errno == ENOTDIR ? SmfError::FileNotFound : SmfError::Io;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.error = SmfError::Io;
        return result;
    }
    if (uint64_t(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        result.error = SmfError::TooLarge;
        return result;
    }
    std::vector<uint8_t> bytes(size_t(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    ::close(fd);
    if (got != bytes.size()) {
        result.error = SmfError::Io;
        return result;
    }
    return parseSmf(std::move(bytes));
}

}  // namespace stillmar::mci::midi
