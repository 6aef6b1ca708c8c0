#pragma once
// Finishing written files off the caller's thread: each file, written in full beside its name,
// is synced to the disk, closed and renamed to its name in the order given, so that a run of
// saves does not wait for the disk after each one. A file appears whole or not at all, as when
// it is finished on the spot.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace stillmar::sys {

class FileFinisher {
  public:
    // A file that could not be finished, and the system's error number.
    struct Failure {
        std::string path;
        int error = 0;
    };

    FileFinisher() = default;
    // Finishes every file given, then stops its thread.
    ~FileFinisher();
    FileFinisher(const FileFinisher&) = delete;
    FileFinisher& operator=(const FileFinisher&) = delete;

    // Takes over `fd`, open on `temp` and fully written: synced, closed, renamed to `path`.
    void finish(int fd, std::string temp, std::string path);
    // Waits until no file given so far for `path` is left to finish (its temporary name is
    // then free to be written again).
    void waitFor(const std::string& path);
    // Waits until every file given so far is finished. The first failure not taken yet, if any.
    std::optional<Failure> wait();
    // The first failure not taken yet, without waiting.
    std::optional<Failure> takeFailure();

  private:
    struct Job {
        int fd = -1;
        std::string temp, path;
    };
    void run();
    bool pendingLocked(const std::string& path) const;

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Job> jobs_;
    std::optional<Job> current_;
    std::optional<Failure> failure_;
    bool quit_ = false;
    std::thread thread_;  // started with the first file
};

}  // namespace stillmar::sys
