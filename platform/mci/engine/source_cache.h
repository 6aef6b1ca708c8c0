#pragma once
// Opened files kept warm between a close and a reopen of the same file: the capture feature
// reopens its file once per frame. Keyed by path, size and modification time; a few entries,
// each dropped after a few seconds unused.

#include <memory>
#include <string>

#include "platform/mci/engine/media_source.h"

namespace stillmar::mci::engine {

// The cache key of a file, empty when it cannot be read.
std::string sourceKey(const std::string& path);

// Takes a warm source out of the cache; null when none.
std::unique_ptr<MediaSource> takeCachedSource(const std::string& key);
// Hands a source back; an older one is evicted when the cache is full.
void cacheSource(const std::string& key, std::unique_ptr<MediaSource> source);
// Drops every cached source (tests, memory pressure, the end of the program) and waits for
// the thread that drops unused ones, if it runs, to end.
void clearSourceCache();

}  // namespace stillmar::mci::engine
