#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "platform/mci/engine/ffmpeg_engine.h"
#include "platform/mci/engine/media_source.h"

namespace stillmar::mci {

std::unique_ptr<MediaEngine> createMediaEngine() {
    // Damaged input is reported through the engine's results, not on stderr.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)quiet;
    return std::make_unique<engine::FfmpegEngine>();
}

ContentKind probeContent(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return ContentKind::Missing;
    if (!S_ISREG(st.st_mode)) return ContentKind::Unknown;
    char head[12] = {};
    {
        std::ifstream in(path, std::ios::binary);
        in.read(head, sizeof head);
        const auto got = in.gcount();
        if (got >= 4 && std::memcmp(head, "MThd", 4) == 0) return ContentKind::Midi;
        // A standard MIDI file wrapped in RIFF.
        if (got >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0)
            return ContentKind::Midi;
    }
    EngineStatus status = EngineStatus::Ok;
    auto source = engine::MediaSource::open(path, status);
    return source ? ContentKind::Media : ContentKind::Unknown;
}

}  // namespace stillmar::mci
