#pragma once
// An X server for the benchmarks that run the real window on Qt's xcb platform: the one named by
// DISPLAY, or an Xvfb the bench starts (and ends) itself when there is none. Also the CPU time
// of a process, from /proc, so that a bench can tell its own cost from the X server's.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace stillmar::bench {

// Ends a child process: asked first, then killed when it has not ended within 3 s (a player busy
// with a large picture may not answer SIGTERM at all).
inline void endProcess(pid_t child) {
    kill(child, SIGTERM);
    for (int i = 0; i < 30; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

// User + system CPU seconds of a process and all its threads; -1 when it cannot be read.
inline double cpuSeconds(pid_t pid) {
    if (pid <= 0) return -1;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return -1;
    // The command name may hold spaces: the fields that follow start after its last ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 0; fields >> f; ++i) {
        if (i == 11) utime = std::strtoull(f.c_str(), nullptr, 10);
        if (i == 12) {
            stime = std::strtoull(f.c_str(), nullptr, 10);
            return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
        }
    }
    return -1;
}

class XServer {
  public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() { stop(); }

    // Uses DISPLAY when set, else starts Xvfb on a free display number and sets DISPLAY.
    // False when there is no server to be had.
    bool start() {
        if (const char* d = std::getenv("DISPLAY"); d && *d) {
            display_ = d;
            pid_ = findServer(display_);
            return true;
        }
        int ready[2];
        if (pipe(ready) != 0) return false;
        const pid_t child = fork();
        if (child < 0) return false;
        if (child == 0) {
            // Xvfb picks the first free display number and writes it to the pipe once it
            // accepts connections.
            close(ready[0]);
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
            }
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        std::string number;
        char c = 0;
        while (read(ready[0], &c, 1) == 1 && c != '\n') number += c;
        close(ready[0]);
        if (number.empty()) {
            endProcess(child);
            std::printf("cannot start Xvfb (is it installed?)\n");
            return false;
        }
        pid_ = child;
        started_ = true;
        display_ = ":" + number;
        setenv("DISPLAY", display_.c_str(), 1);
        return true;
    }

    void stop() {
        if (!started_) return;
        endProcess(pid_);
        started_ = false;
    }

    const std::string& display() const { return display_; }
    bool startedHere() const { return started_; }
    // 0 when the server of a DISPLAY given from outside could not be found.
    pid_t pid() const { return pid_; }
    // The server's CPU seconds so far, -1 when unknown.
    double cpu() const { return cpuSeconds(pid_); }
    std::string describe() const {
        return "X server " + display_ +
               (started_ ? " (Xvfb started by the bench)"
                : pid_   ? " (pid " + std::to_string(pid_) + ")"
                         : " (its process unknown)");
    }

  private:
    // The process of the X server serving ":N[.S]": an X server whose arguments name ":N".
    static pid_t findServer(const std::string& display) {
        const auto colon = display.find(':');
        if (colon == std::string::npos) return 0;
        const std::string wanted =
            ":" + display.substr(colon + 1, display.find('.', colon) - colon - 1);
        DIR* proc = opendir("/proc");
        if (!proc) return 0;
        pid_t found = 0;
        while (dirent* e = readdir(proc)) {
            const pid_t pid = std::atoi(e->d_name);
            if (pid <= 0) continue;
            std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline");
            std::string arg, name;
            bool server = false, named = false;
            for (int i = 0; std::getline(in, arg, '\0'); ++i) {
                if (i == 0) {
                    name = arg.substr(arg.rfind('/') + 1);
                    server = name == "Xvfb" || name == "Xorg" || name == "X" ||
                             name == "Xwayland" || name == "Xephyr" || name == "Xvnc";
                } else if (arg == wanted) {
                    named = true;
                }
            }
            if (server && named) {
                found = pid;
                break;
            }
        }
        closedir(proc);
        return found;
    }

    std::string display_;
    pid_t pid_ = 0;
    bool started_ = false;
};

}  // namespace stillmar::bench
