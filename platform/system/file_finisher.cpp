#include "platform/system/file_finisher.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace stillmar::sys {

FileFinisher::~FileFinisher() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void FileFinisher::finish(int fd, std::string temp, std::string path) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(Job{fd, std::move(temp), std::move(path)});
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

bool FileFinisher::pendingLocked(const std::string& path) const {
    return (current_ && current_->path == path) ||
           std::any_of(jobs_.begin(), jobs_.end(), [&](const Job& j) { return j.path == path; });
}

void FileFinisher::waitFor(const std::string& path) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return !pendingLocked(path); });
}

std::optional<FileFinisher::Failure> FileFinisher::wait() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return jobs_.empty() && !current_; });
    return std::exchange(failure_, std::nullopt);
}

std::optional<FileFinisher::Failure> FileFinisher::takeFailure() {
    std::lock_guard lock(mutex_);
    return std::exchange(failure_, std::nullopt);
}

void FileFinisher::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        // Files given before the end are finished all the same.
        wake_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        current_ = std::move(jobs_.front());
        jobs_.pop_front();
        const Job& job = *current_;
        lock.unlock();
        int err = fsync(job.fd) != 0 ? errno : 0;
        if (::close(job.fd) != 0 && err == 0) err = errno;
        if (err == 0 && std::rename(job.temp.c_str(), job.path.c_str()) != 0) err = errno;
        if (err != 0) std::remove(job.temp.c_str());
        lock.lock();
        if (err != 0 && !failure_) failure_ = Failure{job.path, err};
        current_.reset();
        done_.notify_all();
    }
}

}  // namespace stillmar::sys
