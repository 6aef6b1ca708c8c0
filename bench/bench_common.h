#pragma once
// What every benchmark program shares: timing, running the ffmpeg tool, and the 1080p input.

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace stillmar::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

inline int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

inline double timeCommand(const std::string& command) {
    const auto t0 = Clock::now();
    if (run(command) != 0) std::printf("  (command failed: %s)\n", command.c_str());
    return seconds(t0, Clock::now());
}

// A 1080p H.264 file, 25 fps, a keyframe every 10 s, two minutes, with sound: STILLMAR_BENCH_FILE
// when set, else made once with the ffmpeg tool in the build's bench folder and shared by every
// benchmark. Empty when it cannot be made.
inline std::string benchFile() {
    if (const char* given = std::getenv("STILLMAR_BENCH_FILE")) return given;
    const std::string path = std::string(STILLMAR_BENCH_DIR) + "/bench1080.mp4";
    if (std::filesystem::exists(path)) return path;
    std::printf("generating %s (once)...\n", path.c_str());
    std::fflush(stdout);
    const std::string tmp = path + ".tmp.mp4";
    const std::string cmd =
        "ffmpeg -nostdin -hide_banner -loglevel error -y"
        " -f lavfi -i testsrc2=s=1920x1080:r=25:d=120"
        " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=120"
        " -c:v libx264 -preset veryfast -g 250 -keyint_min 250 -sc_threshold 0 -pix_fmt yuv420p"
        " -c:a aac -shortest \"" +
        tmp + "\"";
    if (run(cmd) != 0) return {};
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    return ec ? std::string() : path;
}

}  // namespace stillmar::bench
