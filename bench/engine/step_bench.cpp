// Frame steps on a 1080p H.264 file with 10-second groups of pictures: a forward step, the
// first step back (which decodes the stretch before the frame shown), each of the next 30 steps
// back, and the memory the kept frames hold; next to one exact seek to the same frame. Each
// time includes the picture's conversion for a 489x372 window. Prints figures only.
//
//   step_bench [runs]   (default 2)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_common.h"
#include "bench/bench_surface.h"
#include "platform/mci/engine/engine_counters.h"
#include "platform/mci/engine/source_cache.h"
#include "platform/mci/media_engine.h"

using namespace stillmar::mci;
using stillmar::bench::BenchSurface;
using stillmar::bench::Clock;
using stillmar::bench::rssKb;
using stillmar::bench::seconds;
namespace engine = stillmar::mci::engine;

namespace {

struct Timed {
    double ms = 0;
    int64_t decoded = 0;
};

// One command and the window's conversion of what it shows.
template <class Command>
Timed timed(BenchSurface& surface, Command command) {
    const auto before = engine::engineCounters();
    const auto t0 = Clock::now();
    command();
    surface.presented();
    const auto d = engine::engineCounters() - before;
    return {seconds(t0, Clock::now()) * 1000, d.stepFrames + d.seekFrames};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void run(const std::string& file, int n) {
    std::printf("\n== run %d\n", n);
    engine::clearSourceCache();
    auto media = createMediaEngine();
    BenchSurface surface(Size{489, 372});
    if (media->open(file) != EngineStatus::Ok) {
        std::printf("  cannot open %s\n", file.c_str());
        return;
    }
    media->setSurface(&surface);
    const long rss0 = rssKb();

    // Paused 9 s into a 10-second group of pictures: the furthest a step back can be from
    // its keyframe but one second.
    const Timed seek = timed(surface, [&] { media->seek(19000); });
    std::printf("  exact seek to 19.000 s          %7.1f ms  (%lld frames decoded)\n", seek.ms,
                (long long)seek.decoded);
    std::vector<double> forward;
    for (int i = 1; i <= 5; ++i) {
        const Timed t = timed(surface, [&] { media->step(1); });
        forward.push_back(t.ms);
        std::printf("  step forward %d                  %7.1f ms  (%lld decoded)\n", i, t.ms,
                    (long long)t.decoded);
    }
    // Back at the seek's frame, nothing kept before it: the first step back decodes.
    media->seek(19000);
    const Timed first = timed(surface, [&] { media->step(-1); });
    const int64_t firstAt = media->positionMs();
    std::printf("  first step back (to %lld ms)   %7.1f ms  (%lld decoded)\n", (long long)firstAt,
                first.ms, (long long)first.decoded);
    std::vector<double> back;
    for (int i = 1; i <= 30; ++i) {
        const Timed t = timed(surface, [&] { media->step(-1); });
        back.push_back(t.ms);
        std::printf("  step back %2d                    %7.1f ms  (%lld decoded)\n", i, t.ms,
                    (long long)t.decoded);
    }
    const auto held = engine::engineCounters().stepBytes;
    const long rss1 = rssKb();

    // The same frame as the first step back, reached by an exact seek from elsewhere.
    media->seek(70000);
    const Timed same = timed(surface, [&] { media->seek(firstAt); });
    std::printf("  exact seek to that frame        %7.1f ms  (%lld decoded)\n", same.ms,
                (long long)same.decoded);

    std::printf("  forward: median %.1f ms, worst %.1f ms (target <= 20 ms)\n", median(forward),
                *std::max_element(forward.begin(), forward.end()));
    std::printf("  first back: %.1f ms against %.1f ms for the exact seek (target: no slower)\n",
                first.ms, same.ms);
    std::printf("  next 30 back: median %.1f ms, worst %.1f ms (target <= 20 ms)\n", median(back),
                *std::max_element(back.begin(), back.end()));
    std::printf("  frames kept for steps: %.1f MB; resident memory +%.1f MB since the open\n",
                double(held) / (1 << 20), (rss1 - rss0) / 1024.0);

    // A playing video paused, then stepped: the frames in flight are kept.
    media->play(40000, -1);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    media->pause();
    const Timed afterPauseForward = timed(surface, [&] { media->step(1); });
    const Timed afterPauseBack = timed(surface, [&] { media->step(-2); });
    std::printf(
        "  after a pause in playback: forward %.1f ms (%lld decoded), back %.1f ms "
        "(%lld decoded)\n",
        afterPauseForward.ms, (long long)afterPauseForward.decoded, afterPauseBack.ms,
        (long long)afterPauseBack.decoded);
    media->setSurface(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string file = stillmar::bench::benchFile();
    if (file.empty()) {
        std::printf("cannot generate the benchmark file (is ffmpeg installed?)\n");
        return 1;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    std::printf("frame steps on %s, a 489x372 window\n", file.c_str());
    for (int n = 1; n <= runs; ++n) run(file, n);
    return 0;
}
