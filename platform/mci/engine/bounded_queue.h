#pragma once
// A bounded FIFO between two engine threads. Items carry the seek serial they belong to;
// the consumer drops stale ones. abort() wakes every waiter for good (shutdown);
// interrupt() wakes the current waiters once (a new command arrived).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace stillmar::mci::engine {

template <typename T>
class BoundedQueue {
  public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity ? capacity : 1) {}

    // Blocks while full. False when aborted or interrupted (the item is not queued).
    bool push(T item) {
        std::unique_lock lock(mutex_);
        const uint64_t wake = wakeups_;
        notFull_.wait(lock,
                      [&] { return aborted_ || wake != wakeups_ || items_.size() < capacity_; });
        if (aborted_ || wake != wakeups_) return false;
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }

    enum class Push { Queued, Full, Stopped };
    // Like push(), but gives up after `timeout` while the queue stays full. The item is moved
    // from only when queued.
    Push pushFor(T& item, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const uint64_t wake = wakeups_;
        const bool room = notFull_.wait_for(lock, timeout, [&] {
            return aborted_ || wake != wakeups_ || items_.size() < capacity_;
        });
        if (aborted_ || wake != wakeups_) return Push::Stopped;
        if (!room) return Push::Full;
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return Push::Queued;
    }

    // Waits up to `timeout` for an item.
    std::optional<T> pop(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const uint64_t wake = wakeups_;
        notEmpty_.wait_for(lock, timeout,
                           [&] { return aborted_ || wake != wakeups_ || !items_.empty(); });
        if (items_.empty() || aborted_) return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_one();
        return item;
    }

    void clear() {
        std::lock_guard lock(mutex_);
        items_.clear();
        notFull_.notify_all();
    }
    void interrupt() {
        std::lock_guard lock(mutex_);
        ++wakeups_;
        notFull_.notify_all();
        notEmpty_.notify_all();
    }
    void abort() {
        std::lock_guard lock(mutex_);
        aborted_ = true;
        items_.clear();
        notFull_.notify_all();
        notEmpty_.notify_all();
    }
    // Makes an aborted queue usable again, empty.
    void reopen() {
        std::lock_guard lock(mutex_);
        aborted_ = false;
        items_.clear();
    }
    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }

  private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable notFull_, notEmpty_;
    std::deque<T> items_;
    uint64_t wakeups_ = 0;
    bool aborted_ = false;
};

}  // namespace stillmar::mci::engine
