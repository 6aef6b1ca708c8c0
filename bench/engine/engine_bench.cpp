// Speed and memory of the media engine on a 1080p H.264 file (25 fps, 10-second groups of
// pictures, two minutes), next to the ffmpeg tool doing the same work. Prints figures only.
//
//   engine_bench [memory|capture|service|seek|decode|playback|hdr]...   (default: all but hdr)
//   STILLMAR_BENCH_START=P  first second of the still-frame run (default 10)
//   STILLMAR_BENCH_HDR_FILE=F  the 4K clip of "hdr" (default: a PQ clip made once)

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/mci/command_service.h"
#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/engine/media_source.h"
#include "platform/mci/engine/source_cache.h"
#include "platform/mci/media_engine.h"

#include "bench/bench_common.h"
#include "bench/bench_surface.h"

namespace fs = std::filesystem;
using namespace stillmar::mci;
using stillmar::bench::benchFile;
using stillmar::bench::BenchSurface;
using stillmar::bench::Clock;
using stillmar::bench::printFloor;
using stillmar::bench::rssKb;
using stillmar::bench::run;
using stillmar::bench::seconds;
using stillmar::bench::timeCommand;
using stillmar::bench::toolPass;

namespace {

void memory(const std::string& file) {
    std::printf("\n== resident memory of a playing 1080p device\n");
    const long base = rssKb();
    long peak = base;
    for (Size target : {Size{489, 372}, Size{}}) {
        auto engine = createMediaEngine();
        BenchSurface surface(target);
        if (engine->open(file) != EngineStatus::Ok) return;
        engine->setSurface(&surface);
        engine->play(30000, -1);
        long peakHere = base;
        for (int i = 0; i < 50; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            peakHere = std::max(peakHere, rssKb());
        }
        std::printf("  surface %s: peak %.1f MB above the baseline (%d frames shown in 5 s)\n",
                    target.w ? "489x372" : "1920x1080", (peakHere - base) / 1024.0,
                    surface.count());
        peak = std::max(peak, peakHere);
        engine->setSurface(nullptr);
    }
    stillmar::mci::engine::clearSourceCache();
    std::printf("  max %.1f MB (target 150 MB); baseline %.1f MB\n", (peak - base) / 1024.0,
                base / 1024.0);
}

void capture(const std::string& file) {
    const char* env = std::getenv("STILLMAR_BENCH_START");
    const int start = env ? std::atoi(env) : 10;
    std::printf("\n== 99-frame still-frame run, seconds %d..%d\n", start, start + 98);
    const fs::path dir = fs::temp_directory_path() / ("stillmar-bench-" + std::to_string(getpid()));
    fs::create_directories(dir / "ours");
    fs::create_directories(dir / "tool");
    stillmar::mci::engine::clearSourceCache();
    const auto counters0 = stillmar::mci::engine::engineCounters();
    const auto t0 = Clock::now();
    int failures = 0;
    double step[5] = {};  // open, window + placement, seek, capture, close
    auto lap = [&step](int i, Clock::time_point& t) {
        const auto now = Clock::now();
        step[i] += seconds(t, now);
        t = now;
    };
    for (int k = 0; k < 99; ++k) {
        // As the device does: a close and an open, a window at the video's size, then
        // placed at 489x372, then the seek.
        auto t = Clock::now();
        auto engine = createMediaEngine();
        if (engine->open(file) != EngineStatus::Ok) {
            ++failures;
            continue;
        }
        lap(0, t);
        engine->setChannelsEnabled(false, false);  // "set ... audio all off"
        BenchSurface surface(engine->info().videoSize);
        engine->setSurface(&surface);
        surface.setTargetSize(Size{489, 372});
        engine->refresh();
        lap(1, t);
        engine->seek(int64_t(start + k) * 1000);
        engine->pause();
        lap(2, t);
        const std::string out = (dir / "ours" / ("Capture" + std::to_string(k) + ".bmp")).string();
        if (engine->captureFrame(out) != EngineStatus::Ok) ++failures;
        lap(3, t);
        engine->setSurface(nullptr);
        engine.reset();
        lap(4, t);
    }
    const double ours = seconds(t0, Clock::now());
    const auto d = stillmar::mci::engine::engineCounters() - counters0;
    const char* names[5] = {"open (warm after the first)", "surface + placement", "seek + pause",
                            "capture as (native size .bmp)", "close"};
    std::printf("  per-step breakdown (ms per frame):\n");
    for (int i = 0; i < 5; ++i) std::printf("    %-32s %7.1f ms\n", names[i], step[i] * 1000 / 99);
    std::printf(
        "    engine: %lld frames decoded by seeks (%.1f a frame), %lld conversions "
        "(%.1f ms each; the rest of capture as is interleaving the rows and writing the .bmp)\n",
        (long long)d.seekFrames, d.seekFrames / 99.0, (long long)d.conversions,
        d.conversions ? d.conversionNs / 1e6 / double(d.conversions) : 0.0);
    std::printf(
        "    engine: %lld of the seeks decoded ahead (%lld frames, %.0f ms) while the "
        "frame before was captured\n",
        (long long)d.aheads, (long long)d.aheadFrames, d.aheadNs / 1e6);
    const double tool = toolPass(file, start, "", dir / "tool");
    std::printf("  engine: %.2f s (%d failures)   ffmpeg: %.2f s   ratio %.2f (target <= 0.7)\n",
                ours, failures, tool, ours / tool);
    printFloor(ours, tool, toolPass(file, start, "", dir / "tool", true));
    fs::remove_all(dir);
}

void seek(const std::string& file) {
    std::printf("\n== one exact seek (median)\n");
    const int64_t targets[] = {17480, 93320, 41760, 108840, 5200, 66640, 29960};
    std::vector<double> warm, cold, tool;
    auto engine = createMediaEngine();
    BenchSurface surface(Size{489, 372});
    if (engine->open(file) != EngineStatus::Ok) return;
    engine->setSurface(&surface);
    for (int64_t t : targets) {
        auto t0 = Clock::now();
        engine->seek(t);
        warm.push_back(seconds(t0, Clock::now()));
    }
    engine->setSurface(nullptr);
    engine.reset();
    for (int64_t t : targets) {
        stillmar::mci::engine::clearSourceCache();
        auto t0 = Clock::now();
        auto e = createMediaEngine();
        e->open(file);
        e->setSurface(&surface);
        e->seek(t);
        cold.push_back(seconds(t0, Clock::now()));
        e->setSurface(nullptr);
        char ss[32];
        std::snprintf(ss, sizeof ss, "%.3f", t / 1000.0);
        tool.push_back(
            timeCommand(std::string("ffmpeg -nostdin -hide_banner -loglevel error -ss ") + ss +
                        " -i \"" + file + "\" -frames:v 1 -f null -"));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("  seek on an open device: %.0f ms   open+seek: %.0f ms   ffmpeg -ss: %.0f ms\n",
                median(warm) * 1000, median(cold) * 1000, median(tool) * 1000);
}

void decode(const std::string& file) {
    std::printf("\n== playback decoding, whole file\n");
    stillmar::mci::engine::clearSourceCache();
    EngineStatus status;
    auto source = stillmar::mci::engine::MediaSource::open(file, status);
    if (!source) return;
    auto t0 = Clock::now();
    source->seekVideo(0, true);
    int frames = 1;
    while (source->nextVideo()) ++frames;
    const double ours = seconds(t0, Clock::now());
    const double tool =
        timeCommand("ffmpeg -nostdin -hide_banner -loglevel error -i \"" + file + "\" -f null -");
    const double toolVideo = timeCommand("ffmpeg -nostdin -hide_banner -loglevel error -i \"" +
                                         file + "\" -an -f null -");
    std::printf("  engine: %d frames, %.1f fps   ffmpeg: %.1f fps (%.1f fps with -an)\n", frames,
                frames / ours, frames / tool, frames / toolVideo);
    std::printf("  engine / ffmpeg: %.0f%% (%.0f%% against -an; target >= 90%%)\n",
                100.0 * tool / ours, 100.0 * toolVideo / ours);
}

// The still-frame command sequence through the service, as the window sends it for each frame
// but with "capture ... as" (the video's own size) instead of a copy of the window.
void service(const std::string& file) {
    const char* env = std::getenv("STILLMAR_BENCH_START");
    const int start = env ? std::atoi(env) : 10;
    std::printf("\n== the still-frame command sequence, capture ... as, seconds %d..%d\n", start,
                start + 98);
    const fs::path dir =
        fs::temp_directory_path() / ("stillmar-bench-service-" + std::to_string(getpid()));
    fs::create_directories(dir / "tool");
    stillmar::mci::engine::clearSourceCache();
    CommandService& mci = defaultService();
    std::map<std::string, double> steps;
    int failures = 0;
    auto send = [&](const std::string& step, const std::string& command) {
        std::string reply;
        const auto t = Clock::now();
        const uint32_t rc = mci.sendString(command, &reply, 256, 0);
        steps[step] += seconds(t, Clock::now());
        return rc;
    };
    const auto t0 = Clock::now();
    for (int k = 0; k < 99; ++k) {
        send("close + open", "close VideoCapture");
        if (send("close + open", "open \"" + file + "\" type MPEGVideo alias VideoCapture") != 0) {
            ++failures;
            continue;
        }
        send("set", "set VideoCapture time format ms");
        send("set", "set VideoCapture audio all off");
        send("window ... state hide / show", "window VideoCapture state hide");
        send("seek", "seek VideoCapture to " + std::to_string((start + k) * 1000));
        send("window ... state hide / show", "window VideoCapture state show");
        send("put ... window (twice)", "put VideoCapture window at 0 0 32 24");
        send("put ... window (twice)", "put VideoCapture window at 0 0 489 372");
        send("pause", "pause VideoCapture wait");
        const std::string out = (dir / ("Capture" + std::to_string(k) + ".bmp")).string();
        if (send("capture ... as", "capture VideoCapture as \"" + out + "\"") != 0) ++failures;
    }
    send("close + open", "close VideoCapture");
    const double ours = seconds(t0, Clock::now());
    std::printf("  per-step breakdown (ms per frame):\n");
    for (const auto& [name, total] : steps)
        std::printf("    %-32s %7.1f ms\n", name.c_str(), total * 1000 / 99);
    const double tool = toolPass(file, start, "", dir / "tool");
    std::printf("  service: %.2f s (%d failures)   ffmpeg: %.2f s   ratio %.2f (target <= 0.7)\n",
                ours, failures, tool, ours / tool);
    printFloor(ours, tool, toolPass(file, start, "", dir / "tool", true));
    fs::remove_all(dir);
}

// A 1080p30 file with sound played for a minute on a visible 489x372 window: what playback
// presents and drops, and how far the shown frame strays from the clock (the sound's, when a
// sound device opens; SDL_AUDIODRIVER=dummy gives a timed one).
void playback() {
    constexpr int kSeconds = 60;
    const std::string file = benchFile(30, kSeconds + 5);
    if (file.empty()) return;
    std::printf("\n== %d s of 1080p30 playback with sound\n", kSeconds);
    auto engine = createMediaEngine();
    BenchSurface surface(Size{489, 372});
    if (engine->open(file) != EngineStatus::Ok) return;
    engine->setSurface(&surface);
    const auto before = stillmar::mci::engine::engineCounters();
    engine->play(0, -1);
    int64_t worst = 0;
    const auto t0 = Clock::now();
    while (seconds(t0, Clock::now()) < kSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(97));
        const int64_t clock = engine->positionMs();
        VideoFramePtr shown = surface.presented();
        if (shown && seconds(t0, Clock::now()) > 1)
            worst = std::max(worst, std::abs(clock - shown->ptsMs));
    }
    const int64_t clock = engine->positionMs();
    VideoFramePtr shown = surface.presented();
    const auto d = stillmar::mci::engine::engineCounters() - before;
    std::printf("  %lld frames presented, %lld dropped, %lld late (of %d due)\n",
                (long long)d.presented, (long long)d.dropped, (long long)d.late, kSeconds * 30);
    std::printf(
        "  at the end: clock %lld ms, frame shown %lld ms (%+lld ms; worst on the way %lld "
        "ms; target within 40 ms and 0 dropped)\n",
        (long long)clock, (long long)(shown ? shown->ptsMs : -1),
        (long long)(shown ? clock - shown->ptsMs : 0), (long long)worst);
    engine->setSurface(nullptr);
}

// A 4K 10-bit HEVC file tagged PQ / BT.2020 (the pictures themselves do not change the cost):
// 20 s played into a 489x372 window, where each picture is scaled down before it is
// tone-mapped, against the ffmpeg tool decoding it; then one tone-mapped capture at 3840x2160.
void hdr() {
    constexpr int kSeconds = 20;
    // STILLMAR_BENCH_HDR_FILE: another file instead (the same one tagged BT.709 shows what
    // the mapping costs).
    const char* given = std::getenv("STILLMAR_BENCH_HDR_FILE");
    const std::string file = given ? given : std::string(STILLMAR_BENCH_DIR) + "/bench2160-pq.mp4";
    if (!fs::exists(file)) {
        std::printf("generating %s (once)...\n", file.c_str());
        std::fflush(stdout);
        const std::string tmp = file + ".tmp.mp4";
        if (run("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                "testsrc2=s=3840x2160:r=25:d=" +
                std::to_string(kSeconds + 2) +
                " -pix_fmt yuv420p10le -c:v libx265 -preset ultrafast -x265-params log-level=error"
                " -color_trc smpte2084 -color_primaries bt2020 -colorspace bt2020nc \"" +
                tmp + "\"") != 0)
            return;
        fs::rename(tmp, file);
    }
    std::printf("\n== %d s of 4K HDR (PQ) HEVC playback into 489x372\n", kSeconds);
    auto engine = createMediaEngine();
    BenchSurface surface(Size{489, 372});
    if (engine->open(file) != EngineStatus::Ok) return;
    engine->setSurface(&surface);
    auto before = stillmar::mci::engine::engineCounters();
    engine->play(0, kSeconds * 1000);
    engine->waitUntilStopped(std::chrono::seconds(kSeconds * 3));
    auto d = stillmar::mci::engine::engineCounters() - before;
    std::printf(
        "  %lld frames presented, %lld dropped, %lld late (of %d due); %lld tone-mapped,"
        " %.1f ms each\n",
        (long long)d.presented, (long long)d.dropped, (long long)d.late, kSeconds * 25,
        (long long)d.toneMaps, d.toneMaps ? d.toneMapNs / 1e6 / double(d.toneMaps) : 0.0);

    stillmar::mci::engine::clearSourceCache();
    EngineStatus status;
    auto source = stillmar::mci::engine::MediaSource::open(file, status);
    if (source) {
        auto t0 = Clock::now();
        source->seekVideo(0, true);
        int frames = 1;
        while (source->nextVideo()) ++frames;
        const double ours = seconds(t0, Clock::now());
        const double tool = timeCommand("ffmpeg -nostdin -hide_banner -loglevel error -i \"" +
                                        file + "\" -f null -");
        std::printf("  decoding: engine %.1f fps, ffmpeg -f null %.1f fps (%d frames)\n",
                    frames / ours, frames / tool, frames);
    }

    engine->seek(10000);
    const std::string out =
        (fs::temp_directory_path() / ("stillmar-bench-hdr-" + std::to_string(getpid()) + ".bmp"))
            .string();
    before = stillmar::mci::engine::engineCounters();
    const auto t0 = Clock::now();
    const EngineStatus captured = engine->captureFrame(out);
    const double took = seconds(t0, Clock::now());
    d = stillmar::mci::engine::engineCounters() - before;
    std::printf("  capture ... as at 3840x2160: %.0f ms (%s), of which tone mapping %.0f ms\n",
                took * 1000, captured == EngineStatus::Ok ? "ok" : "failed", d.toneMapNs / 1e6);
    fs::remove(out);
    engine->setSurface(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // Sound through SDL's timed silent driver unless another is asked for.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string file = benchFile();
    if (file.empty()) {
        std::printf("cannot generate the benchmark file (is ffmpeg installed?)\n");
        return 1;
    }
    std::vector<std::string> parts(argv + 1, argv + argc);
    if (parts.empty()) parts = {"memory", "capture", "service", "seek", "decode", "playback"};
    for (const std::string& p : parts) {
        if (p == "memory") memory(file);
        if (p == "capture") capture(file);
        if (p == "service") service(file);
        if (p == "seek") seek(file);
        if (p == "decode") decode(file);
        if (p == "playback") playback();
        if (p == "hdr") hdr();
    }
    return 0;
}
