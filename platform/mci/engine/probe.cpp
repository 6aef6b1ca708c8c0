// What a file holds, for choosing a device when the open command names no type.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/source_cache.h"

namespace stillmar::mci {

ContentKind probeContent(const std::string& path) {
    if (path.empty()) return ContentKind::Missing;
    // Never waits on a pipe, even one that replaced the file after the caller's check.
    engine::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return errno == ENOENT || errno == ENOTDIR ? ContentKind::Missing : ContentKind::Unknown;
    struct stat st {};
    char head[12] = {};
    ssize_t got = 0;
    const bool regular = ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
    if (regular) got = ::read(fd.get(), head, sizeof head);
    fd.reset();
    if (!regular) return ContentKind::Unknown;
    if (got >= 4 && std::memcmp(head, "MThd", 4) == 0) return ContentKind::Midi;
    // A standard MIDI file wrapped in RIFF.
    if (got >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0)
        return ContentKind::Midi;
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
