#include "platform/mci/engine/source_cache.h"

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <list>
#include <mutex>
#include <thread>

namespace stillmar::mci::engine {
namespace {

constexpr std::size_t kMaxEntries = 2;
constexpr auto kIdleLimit = std::chrono::seconds(5);

// A janitor thread drops the entries left unused; it runs only while there are entries, and
// clear() waits for it to end, so that none is left running once the program has let go of
// its files.
class SourceCache {
  public:
    ~SourceCache() { clear(); }

    std::unique_ptr<MediaSource> take(const std::string& key) {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->key == key) {
                auto source = std::move(it->source);
                entries_.erase(it);
                return source;
            }
        }
        return nullptr;
    }

    void put(const std::string& key, std::unique_ptr<MediaSource> source) {
        std::unique_ptr<MediaSource> evicted;  // freed outside the lock
        {
            std::lock_guard lock(mutex_);
            entries_.push_front(Entry{key, std::move(source), Clock::now()});
            if (entries_.size() > kMaxEntries) {
                evicted = std::move(entries_.back().source);
                entries_.pop_back();
            }
            if (!sweeping_) {
                // The one before has ended (or is ending, past its last use of the lock).
                if (janitor_.joinable()) janitor_.join();
                sweeping_ = true;
                janitor_ = std::thread([this, round = round_] { sweep(round); });
            }
        }
        wake_.notify_all();
    }

    void clear() {
        std::list<Entry> gone;
        std::thread janitor;
        {
            std::lock_guard lock(mutex_);
            gone.swap(entries_);
            ++round_;  // the running janitor ends; a put from now on starts another
            sweeping_ = false;
            janitor = std::move(janitor_);
        }
        wake_.notify_all();
        if (janitor.joinable()) janitor.join();
    }

  private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        std::string key;
        std::unique_ptr<MediaSource> source;
        Clock::time_point used;
    };

    void sweep(uint64_t round) {
        std::unique_lock lock(mutex_);
        while (round == round_) {
            if (entries_.empty()) {
                sweeping_ = false;
                return;
            }
            wake_.wait_for(lock, std::chrono::seconds(1));
            std::list<Entry> expired;
            const auto now = Clock::now();
            for (auto it = entries_.begin(); it != entries_.end();) {
                auto next = std::next(it);
                if (now - it->used > kIdleLimit) expired.splice(expired.end(), entries_, it);
                it = next;
            }
            lock.unlock();
            expired.clear();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::list<Entry> entries_;
    std::thread janitor_;
    bool sweeping_ = false;  // janitor_ runs and will look at the entries again
    uint64_t round_ = 0;     // a janitor started in another round has been let go
};

SourceCache& cache() {
    static SourceCache instance;
    return instance;
}

}  // namespace

std::string sourceKey(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    if (ec) return {};
    return abs.lexically_normal().string() + '\n' + std::to_string(st.st_size) + '\n' +
           std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec);
}

std::unique_ptr<MediaSource> takeCachedSource(const std::string& key) {
    return key.empty() ? nullptr : cache().take(key);
}

void cacheSource(const std::string& key, std::unique_ptr<MediaSource> source) {
    if (!key.empty() && source) cache().put(key, std::move(source));
}

void clearSourceCache() {
    cache().clear();
}

}  // namespace stillmar::mci::engine
