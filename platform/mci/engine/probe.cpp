#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "platform/mci/engine/ffmpeg_engine.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/source_cache.h"

namespace stillmar::mci {

std::unique_ptr<MediaEngine> createMediaEngine() {
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
    const std::string key = engine::sourceKey(path);
    if (auto warm = engine::takeCachedSource(key)) {
        engine::cacheSource(key, std::move(warm));
        return ContentKind::Media;
    }
    EngineStatus status = EngineStatus::Ok;
    auto source = engine::MediaSource::open(path, status);
    if (!source) return ContentKind::Unknown;
    // The open that usually follows a probe finds the file ready.
    engine::cacheSource(key, std::move(source));
    return ContentKind::Media;
}

}  // namespace stillmar::mci
