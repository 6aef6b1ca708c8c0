#include "tests/hardening/media_script.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>

#include "platform/mci/engine/media_source.h"

namespace stillmar::hardening {
namespace {

constexpr std::array<std::string_view, 8> kExtensions = {".mpg", ".mp4", ".avi", ".webm",
                                                         ".wav", ".mid", ".mkv", ""};

struct Driver {
    mci::CommandService& service;
    ScriptOutcome& out;

    uint32_t send(const std::string& command, std::string* reply = nullptr) {
        std::string local;
        std::string& r = reply ? *reply : local;
        r = "junk";
        const uint32_t code = service.sendString(command, &r, 256, 0);
        out.codes.push_back(code);
        std::string text;
        const bool rule = code == 0 || (code >= 256 && code <= 511 && r.empty() &&
                                        service.getErrorString(code, text, 128));
        if (!rule && !out.broken) {
            out.broken = true;
            out.brokenCommand = command;
        }
        return code;
    }
};

// Decodes what the source hands over, as the audio thread would.
struct SoundDecoder {
    AVCodecContext* codec;
    mci::engine::FramePtr frame{av_frame_alloc()};
    int packets = 0;

    bool take(mci::engine::PacketPtr packet) {
        ++packets;
        if (codec && frame && avcodec_send_packet(codec, packet.get()) >= 0) {
            while (avcodec_receive_frame(codec, frame.get()) >= 0) av_frame_unref(frame.get());
        }
        return packets < 256;
    }
};

}  // namespace

SourceOutcome runSourceScript(const uint8_t* data, std::size_t size) {
    SourceOutcome out;
    if (size < 2) return out;
    const int64_t seekPermille = data[1] * 1000 / 255;
    mci::EngineStatus status = mci::EngineStatus::Ok;
    auto source =
        mci::engine::MediaSource::openMemory(std::vector<uint8_t>(data + 2, data + size), status);
    if (!source) return out;
    out.opened = true;
    out.info = source->info();
    const int64_t target = out.info.lengthMs * seekPermille / 1000;
    SoundDecoder sound{source->audioCodec()};
    source->setAudioSink([&sound](mci::engine::PacketPtr p) { return sound.take(std::move(p)); });
    if (out.info.hasVideo) {
        // An exact seek (through the demuxer when the target's low bit says so), then the
        // frames after it as playback takes them.
        if (source->seekVideo(target, (data[1] & 1) != 0)) ++out.frames;
        if ((data[1] & 6) == 6) {
            // As a capture run: reopened a step further on, the step after it is decoded
            // ahead while the frame stands; then a seek to that step, one behind it, or
            // playback on from the frame shown.
            const int64_t step = std::clamp<int64_t>(out.info.lengthMs / 4, 1, 1000);
            source->noteReopened();
            if (source->seekVideo(target + step, false)) ++out.frames;
            source->decodeAhead();
            const int next = (data[1] >> 3) & 3;
            if (next < 2 && source->seekVideo(target + (next == 0 ? 2 * step : step / 2), false))
                ++out.frames;
        }
        source->readAhead();
        for (int i = 0; i < 2 && source->nextVideo(); ++i) ++out.frames;
    } else {
        source->seekAudio(target);
        for (int i = 0; i < 32 && source->pumpAudio(); ++i) {
        }
    }
    source->setAudioSink(nullptr);
    out.soundPackets = sound.packets;
    return out;
}

bool throughTheService(const uint8_t* data, std::size_t size, const SourceOutcome& source) {
    uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    // The product's low bits depend on the bytes' low bits alone (mutations of one file had
    // them all zero one time in 10 to 15, not in 16 or 32): mixed, each bit depends on all.
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    // A file the source takes costs the service milliseconds (its threads, seeks, play, two
    // captures); one it refuses, a write, the content probe and a refusal, about a millisecond,
    // where the source's own refusal took a fraction of it.
    if (!source.opened) return h % 16u == 0;
    constexpr int64_t kSmallPicture = 2 << 20;
    const int64_t pixels = source.info.hasVideo ? int64_t(std::max(source.info.videoSize.w, 0)) *
                                                      std::max(source.info.videoSize.h, 0)
                                                : 0;
    const int64_t period = 32 * std::max<int64_t>(1, pixels / kSmallPicture);
    return int64_t(h) % period == 0;
}

ScriptOutcome runMediaScript(mci::CommandService& service, const uint8_t* data, std::size_t size,
                             const std::string& folder) {
    ScriptOutcome out;
    if (size < 2) return out;
    const std::string path =
        folder + "/input" + std::string(kExtensions[data[0] % kExtensions.size()]);
    const int seekPermille = data[1] * 1000 / 255;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 2), std::streamsize(size - 2));
    }
    Driver d{service, out};
    out.openCode = d.send("open \"" + path + "\" alias fz parent 0 style child wait");
    if (out.openCode != 0) return out;

    std::string length;
    d.send("set fz time format ms");
    d.send("status fz length", &length);
    for (const char* item : {"mode", "position", "frame rate", "window handle", "ready"})
        d.send(std::string("status fz ") + item);
    int64_t lengthMs = 0;
    if (!length.empty() &&
        std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        length.size() < 12)
        lengthMs = std::stoll(length);
    d.send("seek fz to " + std::to_string(lengthMs * seekPermille / 1000) + " wait");
    d.send("capture fz as \"" + folder + "/frame.bmp\"");
    d.send("set fz time format frames");
    d.send("status fz position");
    d.send("seek fz to end wait");
    d.send("play fz from 0");
    d.send("pause fz wait");
    d.send("status fz mode");
    d.send("capture fz as \"" + folder + "/frame.bmp\"");
    d.send("stop fz");
    d.send("close fz");
    return out;
}

}  // namespace stillmar::hardening
