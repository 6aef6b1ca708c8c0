#pragma once
// What every benchmark program shares: timing, running the ffmpeg tool, and the 1080p input.

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// The ffmpeg tool's single pass writing one picture a second, 99 of them, from second `start` of
// `file` into `dir` as .bmp files (`scale`: ",scale=W:H" or ""), in seconds. With
// `referencesOnly` the tool decodes only the pictures that others refer to (-skip_frame noref):
// its pictures are then not the ones asked for, but its time is the floor of an exact capture
// run, which cannot decode fewer.
inline double toolPass(const std::string& file, int start, const std::string& scale,
                       const std::filesystem::path& dir, bool referencesOnly = false) {
    std::filesystem::create_directories(dir);
    const double s = timeCommand(std::string("ffmpeg -nostdin -hide_banner -loglevel error -y ") +
                                 (referencesOnly ? "-skip_frame noref " : "") + "-ss " +
                                 std::to_string(start) + " -i \"" + file + "\" -vf fps=1" + scale +
                                 " -frames:v 99 \"" + (dir / "out%d.bmp").string() + "\"");
    std::filesystem::remove_all(dir);
    return s;
}

// Prints the floor next to a run of `ours` seconds against the tool's full pass of `tool`.
inline void printFloor(double ours, double tool, double floor) {
    std::printf(
        "  floor: the tool decoding the reference frames only: %.2f s (%.2f of its pass); "
        "ours / floor %.2f\n",
        floor, floor / tool, ours / floor);
}

// The file at `name` in the build's bench folder, made once by the ffmpeg tool's `arguments`
// (inputs and encoding; the output file is added). Empty when it cannot be made.
inline std::string generatedFile(const std::string& name, const std::string& arguments) {
    const std::string path = std::string(STILLMAR_BENCH_DIR) + "/" + name;
    if (std::filesystem::exists(path)) return path;
    std::printf("generating %s (once)...\n", path.c_str());
    std::fflush(stdout);
    const std::string tmp = path + ".tmp.mp4";
    if (run("ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " \"" + tmp + "\"") !=
        0)
        return {};
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    return ec ? std::string() : path;
}

// A 1080p H.264 file, 25 fps, a keyframe every 10 s, two minutes, with sound: STILLMAR_BENCH_FILE
// when set, else made once with the ffmpeg tool in the build's bench folder and shared by every
// benchmark. Other rates and lengths are made alike. Empty when it cannot be made.
inline std::string benchFile(int fps = 25, int seconds = 120) {
    if (const char* given = std::getenv("STILLMAR_BENCH_FILE"); given && fps == 25) return given;
    const std::string name =
        fps == 25 && seconds == 120
            ? "bench1080.mp4"
            : "bench1080p" + std::to_string(fps) + "-" + std::to_string(seconds) + "s.mp4";
    const std::string rate = std::to_string(fps), length = std::to_string(seconds);
    return generatedFile(
        name, " -f lavfi -i testsrc2=s=1920x1080:r=" + rate + ":d=" + length +
                  " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + length +
                  " -c:v libx264 -preset veryfast -g " + std::to_string(fps * 10) +
                  " -keyint_min " + std::to_string(fps * 10) +
                  " -sc_threshold 0 -pix_fmt yuv420p -c:a aac -shortest");
}

// The same two minutes encoded as a fast encoder leaves a file, which also decodes fast: x264's
// ultrafast preset (no deblocking, CAVLC, one reference) with two B-frames and a keyframe every
// 10 s. Such a file makes the fixed costs around each frame weigh more.
inline std::string ultrafastFile() {
    return generatedFile("bench1080-ultrafast.mp4",
                         " -f lavfi -i testsrc2=s=1920x1080:r=25:d=120"
                         " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=120"
                         " -c:v libx264 -preset ultrafast -g 250 -bf 2 -pix_fmt yuv420p"
                         " -c:a aac -shortest");
}

// 12 s of 4K 10-bit HEVC, 25 fps, no sound.
inline std::string hevc4kFile() {
    return generatedFile("bench2160-hevc10.mp4",
                         " -f lavfi -i testsrc2=s=3840x2160:r=25:d=12 -pix_fmt yuv420p10le"
                         " -c:v libx265 -preset ultrafast -x265-params log-level=error");
}

// This process's resident memory in KiB (-1 when unknown).
inline long rssKb() {
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            in >> kb;
            return kb;
        }
        in.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace stillmar::bench
