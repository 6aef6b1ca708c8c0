// What playback costs: CPU seconds per second of playback of the real window on Qt's xcb
// platform (its video area 489x372), of this process and of the X server, next to other players
// showing the same file in a 489x372 window on the same X server. Prints figures only.
//
//   playback_bench [1080p] [4k] [capture]     (default: all three)
//
//   1080p    two minutes of 1080p25 H.264 (x264 ultrafast, two B-frames), 20 s measured after
//            2 s of warm-up: ours, `mpv --vo=x11 --ao=null` (stretched to 489x372 as ours is,
//            not 489x275), `ffplay -x 489 -y 372` (which keeps the picture's shape)
//   4k       12 s of 2160p25 10-bit HEVC, 8 s measured: ours, ffplay
//   capture  a 99-frame "Capturer" run while the 1080p file plays: the main player's frames
//            presented and dropped during the run (none may be dropped)
//
// The X server is DISPLAY's, or an Xvfb the bench starts (and ends) when DISPLAY is unset.
// Sound goes to SDL's dummy driver unless SDL_AUDIODRIVER names another (mpv: --ao=null).
// mpv is not a dependency of anything: `apt-get install mpv` to get its row.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "main_window/form1.h"
#include "platform/forms/message_box.h"
#include "platform/forms/window_layer.h"
#include "platform/mci/engine/engine_counters.h"
#include "resources/resources.h"

#include "bench/bench_common.h"
#include "bench/bench_window.h"
#include "bench/bench_x11.h"

namespace fs = std::filesystem;
using stillmar::bench::Clock;
using stillmar::bench::cpuSeconds;
using stillmar::bench::runEvents;
using stillmar::bench::seconds;
using stillmar::bench::XServer;
using stillmar::mci::engine::engineCounters;

namespace {

constexpr int kWarmUpMs = 2000;

struct Cost {
    double process = -1, xserver = -1;  // CPU seconds per second; -1 unknown
    std::string frames;                 // presented / dropped / late, when known
    std::string note;                   // why there is no figure
};

const XServer* g_x = nullptr;
fs::path g_dir;

// Our window playing `file`, opened through "Ouvrir", measured for `measureS` seconds after the
// warm-up.
Cost ours(const std::string& file, int measureS) {
    Cost cost;
    stillmar::Form1 form(stillmar::Form1::Options{(g_dir / "app").string()});
    form.show();
    runEvents(300);
    if (!stillmar::bench::openThroughDialog(
            form, file, QString::fromStdString((g_dir / "dialog.conf").string()))) {
        cost.note = "the file did not open";
        return cost;
    }
    runEvents(kWarmUpMs);
    const auto c0 = engineCounters();
    const double p0 = cpuSeconds(getpid()), x0 = g_x->cpu();
    const auto t0 = Clock::now();
    runEvents(measureS * 1000);
    const double wall = seconds(t0, Clock::now());
    const double p1 = cpuSeconds(getpid()), x1 = g_x->cpu();
    const auto d = engineCounters() - c0;
    form.StopMedia();
    cost.process = (p1 - p0) / wall;
    if (x0 >= 0 && x1 >= 0) cost.xserver = (x1 - x0) / wall;
    cost.frames = std::to_string(d.presented) + " / " + std::to_string(d.dropped) + " / " +
                  std::to_string(d.late) + " of " + std::to_string(std::lround(wall * 25)) +
                  " due; video area " + std::to_string(form.Picture1->width()) + "x" +
                  std::to_string(form.Picture1->height());
    return cost;
}

bool installed(const std::string& tool) {
    return stillmar::bench::run("command -v " + tool + " >/dev/null 2>&1") == 0;
}

// Another player on the same X server, measured as ours is: its CPU between the end of the
// warm-up and `measureS` seconds later, read from /proc while it plays; then it is ended.
Cost other(const std::vector<std::string>& command, int measureS) {
    Cost cost;
    const pid_t child = fork();
    if (child < 0) {
        cost.note = "cannot start";
        return cost;
    }
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kWarmUpMs));
    const double p0 = cpuSeconds(child), x0 = g_x->cpu();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(measureS));
    const double p1 = cpuSeconds(child), x1 = g_x->cpu();
    const double wall = seconds(t0, Clock::now());
    int status = 0;
    const bool ended = waitpid(child, &status, WNOHANG) == child;
    if (!ended) stillmar::bench::endProcess(child);
    if (ended || p0 < 0 || p1 < 0) {
        cost.note = "ended before the measure was over (exit status " +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return cost;
    }
    cost.process = (p1 - p0) / wall;
    if (x0 >= 0 && x1 >= 0) cost.xserver = (x1 - x0) / wall;
    return cost;
}

void printRow(const char* file, const char* player, const Cost& c) {
    if (c.process < 0) {
        std::printf("  %-22s %-14s %s\n", file, player, c.note.c_str());
        return;
    }
    char x[16] = "unknown", sum[16] = "unknown";
    if (c.xserver >= 0) {
        std::snprintf(x, sizeof x, "%.3f", c.xserver);
        std::snprintf(sum, sizeof sum, "%.3f", c.process + c.xserver);
    }
    std::printf("  %-22s %-14s %8.3f %9s %7s   %s\n", file, player, c.process, x, sum,
                c.frames.c_str());
    std::fflush(stdout);
}

void printHeader() {
    std::printf("  %-22s %-14s %8s %9s %7s   %s\n", "file", "player", "process", "X server", "sum",
                "frames presented / dropped / late (ours)");
}

// ffplay's row, in a 489x372 window (it keeps the picture's shape).
void ffplayRow(const char* label, const std::string& file, int seconds) {
    if (installed("ffplay"))
        printRow(
            label, "ffplay",
            other({"ffplay", "-hide_banner", "-loglevel", "error", "-x", "489", "-y", "372", file},
                  seconds));
    else
        std::printf("  ffplay not installed\n");
}

void playback1080(const std::string& file) {
    constexpr int kSeconds = 20;
    std::printf("\n== CPU seconds per second of playback, %d s, 489x372 window\n", kSeconds);
    printHeader();
    printRow("1080p25 H.264", "ours", ours(file, kSeconds));
    if (installed("mpv"))
        printRow("1080p25 H.264", "mpv --vo=x11",
                 other({"mpv", "--no-config", "--no-terminal", "--vo=x11", "--ao=null",
                        "--geometry=489x372", "--autofit=489x372", "--keepaspect=no", file},
                       kSeconds));
    else
        std::printf("  mpv not installed: apt-get install mpv\n");
    ffplayRow("1080p25 H.264", file, kSeconds);
}

void playback4k(const std::string& file) {
    constexpr int kSeconds = 8;  // the warm-up and these end before the 12 s of the file
    std::printf("\n== CPU seconds per second of playback, %d s, 489x372 window\n", kSeconds);
    printHeader();
    printRow("2160p25 HEVC 10-bit", "ours", ours(file, kSeconds));
    ffplayRow("2160p25 HEVC 10-bit", file, kSeconds);
}

// A 99-frame run pressed while the file plays: the main player must drop nothing meanwhile.
void captureWhilePlaying(const std::string& file) {
    std::printf("\n== a 99-frame capture run while 1080p25 plays\n");
    stillmar::Form1 form(stillmar::Form1::Options{(g_dir / "capture").string()});
    form.show();
    runEvents(300);
    if (!stillmar::bench::openThroughDialog(
            form, file, QString::fromStdString((g_dir / "dialog.conf").string())) ||
        !stillmar::bench::raiseCount(form, 99)) {
        std::printf("  the file did not open or the count did not reach 99\n");
        return;
    }
    const auto c0 = engineCounters();
    const double p0 = cpuSeconds(getpid()), x0 = g_x->cpu();
    const auto t0 = Clock::now();
    stillmar::bench::press(form.Picture3[stillmar::CommandButton::Capture]);
    stillmar::bench::release(form.Picture3[stillmar::CommandButton::Capture]);
    const double wall = seconds(t0, Clock::now());
    const double p1 = cpuSeconds(getpid()), x1 = g_x->cpu();
    const auto d = engineCounters() - c0;
    form.StopMedia();
    std::printf(
        "  run of %.2f s: main player presented %lld frames, dropped %lld (must be 0), late %lld;"
        " CPU %.2f s of ours, %.2f s of the X server\n",
        wall, (long long)d.presented, (long long)d.dropped, (long long)d.late, p1 - p0,
        x0 >= 0 && x1 >= 0 ? x1 - x0 : -1.0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> parts(argv + 1, argv + argc);
    if (parts.empty()) parts = {"1080p", "4k", "capture"};
    for (const std::string& p : parts) {
        if (p != "1080p" && p != "4k" && p != "capture") {
            std::printf("usage: playback_bench [1080p] [4k] [capture]\n");
            return 2;
        }
    }
    XServer xserver;
    if (!xserver.start()) return 1;
    g_x = &xserver;
    qputenv("QT_QPA_PLATFORM", "xcb");
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    QApplication app(argc, argv);
    stillmar::resources::init();
    stillmar::forms::installWindowLayer();
    stillmar::forms::setMessageBoxAnswerer([](const stillmar::forms::MessageBoxRequest& r) {
        std::printf("  message \"%s\": %s\n", r.title.toUtf8().constData(),
                    r.prompt.toUtf8().constData());
        return stillmar::forms::MsgBoxAnswer::Ok;
    });
    g_dir = fs::temp_directory_path() / ("stillmar-playback-bench-" + std::to_string(getpid()));
    fs::create_directories(g_dir);

    std::ifstream loadavg("/proc/loadavg");
    std::string load;
    std::getline(loadavg, load);
    std::printf("%s; load average %s; SDL_AUDIODRIVER=%s\n", xserver.describe().c_str(),
                load.c_str(), std::getenv("SDL_AUDIODRIVER"));

    for (const std::string& p : parts) {
        const std::string file =
            p == "4k" ? stillmar::bench::hevc4kFile() : stillmar::bench::ultrafastFile();
        if (file.empty()) {
            std::printf("cannot generate the benchmark file (is ffmpeg installed?)\n");
            continue;
        }
        if (p == "1080p") playback1080(file);
        if (p == "4k") playback4k(file);
        if (p == "capture") captureWhilePlaying(file);
    }
    fs::remove_all(g_dir);
    return 0;
}
