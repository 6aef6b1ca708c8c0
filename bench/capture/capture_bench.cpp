// A 99-frame capture run of the main window, through the real window, service and engine, next
// to the ffmpeg tool writing the same 99 pictures, on two 1080p H.264 files (25 fps, a keyframe
// every 10 s, two minutes): x264's veryfast encoding, which is slow to decode, and its ultrafast
// one with two B-frames, which is fast to decode. Each file is run with the main player paused,
// then playing. Prints figures only.
//
//   capture_bench          under Qt's offscreen platform; the window's handlers are called
//   capture_bench --x11    the window on the X server of DISPLAY, or on an Xvfb the bench starts
//                          (and ends) itself when DISPLAY is unset, on Qt's xcb platform, driven as
//                          a person does: "Ouvrir" and the file chosen in its dialog, the count's
//                          arrow held up to 99, "Capturer" pressed; adds the X server's CPU time
//
// Both print, per run, the time to the 99th bitmap, the tool's, their ratio, where the time goes
// (commands by verb and device, grab, save, events), the pictures the still-frame device's
// decoder gave out per frame (counted at the library's boundary; the engine's seek counter
// beside it) against the reference frames of the stretch (what no exact decoding can skip), and
// what the main player presented and dropped meanwhile.
//
// STILLMAR_BENCH_START: the second the run starts at (default 10).
// STILLMAR_BENCH_FILE: a file to use instead of the veryfast one.
// SDL_AUDIODRIVER: SDL's sound driver (default dummy, a timed silent one).

#include <dlfcn.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <QApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "capture/cap_mod.h"
#include "capture/save_picture.h"
#include "main_window/form1.h"
#include "platform/forms/handles.h"
#include "platform/forms/message_box.h"
#include "platform/forms/mouse.h"
#include "platform/forms/window_layer.h"
#include "platform/mci/command_service.h"
#include "platform/mci/engine/engine_counters.h"
#include "platform/system/bmp_file.h"
#include "platform/system/file_finisher.h"
#include "resources/resources.h"

#include "bench/bench_common.h"
#include "bench/bench_window.h"
#include "bench/bench_x11.h"

namespace fs = std::filesystem;
using stillmar::bench::benchFile;
using stillmar::bench::Clock;
using stillmar::bench::printFloor;
using stillmar::bench::run;
using stillmar::bench::seconds;
using stillmar::bench::timeCommand;
using stillmar::bench::toolPass;
using stillmar::bench::XServer;

// Every picture a video decoder of this process gives out, counted where the library hands it
// over: the engine's own counters see the frames its seeks decode, not those a device decodes
// while it plays (the run resumes the still-frame device before closing it).
namespace decoded {
std::atomic<bool> counting{false};
std::mutex mutex;
std::map<const AVCodecContext*, long> frames;

void start() {
    std::lock_guard lock(mutex);
    frames.clear();
    counting = true;
}
std::map<const AVCodecContext*, long> stop() {
    counting = false;
    std::lock_guard lock(mutex);
    return frames;
}
}  // namespace decoded

extern "C" int avcodec_receive_frame(AVCodecContext* ctx, AVFrame* frame) {
    using Receive = int (*)(AVCodecContext*, AVFrame*);
    static const auto real = reinterpret_cast<Receive>(dlsym(RTLD_NEXT, "avcodec_receive_frame"));
    const int rc = real(ctx, frame);
    if (rc >= 0 && decoded::counting.load(std::memory_order_relaxed) &&
        ctx->codec_type == AVMEDIA_TYPE_VIDEO) {
        std::lock_guard lock(decoded::mutex);
        ++decoded::frames[ctx];
    }
    return rc;
}

namespace {

uint32_t send(const std::string& command) {
    std::string reply;
    return stillmar::mci::defaultService().sendString(command, &reply, 256, 0);
}

// Times every command the window sends, by verb and device ("seek VideoCapture"), on its way
// to the real service.
class TimingService final : public stillmar::mci::CommandService {
  public:
    explicit TimingService(stillmar::mci::CommandService& real) : real_(real) {}
    uint32_t sendString(std::string_view command, std::string* reply, std::size_t replyLength,
                        int32_t notifyWindow) override {
        const auto t0 = Clock::now();
        const uint32_t rc = real_.sendString(command, reply, replyLength, notifyWindow);
        if (on) {
            Step& s = steps[key(command)];
            s.seconds += seconds(t0, Clock::now());
            ++s.count;
        }
        return rc;
    }
    bool getErrorString(uint32_t code, std::string& text, std::size_t bufferLength) override {
        return real_.getErrorString(code, text, bufferLength);
    }

    struct Step {
        double seconds = 0;
        int count = 0;
    };
    std::map<std::string, Step> steps;
    bool on = false;

  private:
    static std::string key(std::string_view command) {
        std::string words[3];
        std::size_t at = 0;
        for (std::string& w : words) {
            while (at < command.size() && command[at] == ' ') ++at;
            while (at < command.size() && command[at] != ' ') w += command[at++];
        }
        // "window X state show", "put X window at", "set X audio": the third word tells them
        // apart; open's second word is the file.
        if (words[0] == "open") return "open";
        if (words[0] == "window" || words[0] == "set")
            return words[0] + " " + words[1] + " " + words[2];
        return words[0] + " " + words[1];
    }
    stillmar::mci::CommandService& real_;
};

TimingService* g_timing = nullptr;

// The run's bitmaps: how many are whole 24-bit pictures of the video area, the seconds they
// stand for ("Capture<second - 1>.bmp") and when the last of them was written (CLOCK_REALTIME).
struct Bitmaps {
    int good = 0;
    int first = INT_MAX, last = INT_MIN;
    double lastWritten = 0;
};

Bitmaps scanBitmaps(const fs::path& folder, int width, int height) {
    Bitmaps b;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        stillmar::sys::BmpImage bmp;
        const std::string name = e.path().filename().string();
        if (!stillmar::sys::readBmp(e.path().string(), bmp) || bmp.bitsPerPixel != 24 ||
            bmp.width != width || bmp.height != height || name.rfind("Capture", 0) != 0)
            continue;
        ++b.good;
        const int second = std::atoi(name.c_str() + 7) + 1;
        b.first = std::min(b.first, second);
        b.last = std::max(b.last, second);
        struct stat st {};
        if (stat(e.path().c_str(), &st) == 0)
            b.lastWritten = std::max(b.lastWritten, st.st_mtim.tv_sec + st.st_mtim.tv_nsec / 1e9);
    }
    return b;
}

double realtimeNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// The frames a decoder that skips every picture nothing refers to gives out from the keyframe
// at or before second `first` up to second `last`: the reference frames of the stretch, which
// any exact decoding of those seconds must decode (the wanted frame itself aside, when it is
// not one). -1 when the file cannot be read.
long referenceFrames(const std::string& file, int first, int last) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, file.c_str(), nullptr, nullptr) < 0) return -1;
    long count = -1;
    const AVCodec* codec = nullptr;
    AVCodecContext* ctx = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const int vs = avformat_find_stream_info(fmt, nullptr) >= 0
                       ? av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0)
                       : -1;
    if (vs >= 0 && (ctx = avcodec_alloc_context3(codec)) != nullptr &&
        avcodec_parameters_to_context(ctx, fmt->streams[vs]->codecpar) >= 0) {
        ctx->skip_frame = AVDISCARD_NONREF;
        const AVStream* st = fmt->streams[vs];
        const int64_t origin = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        auto ms = [&](int64_t pts) { return av_rescale_q(pts - origin, st->time_base, {1, 1000}); };
        const int64_t from = origin + av_rescale_q(int64_t(first) * 1000, {1, 1000}, st->time_base);
        if (avcodec_open2(ctx, codec, nullptr) >= 0 &&
            av_seek_frame(fmt, vs, from, AVSEEK_FLAG_BACKWARD) >= 0) {
            count = 0;
            bool past = false, eof = false;
            while (!past) {
                if (!eof) {
                    const int r = av_read_frame(fmt, pkt);
                    if (r < 0) {
                        eof = true;
                        avcodec_send_packet(ctx, nullptr);
                    } else {
                        if (pkt->stream_index == vs) avcodec_send_packet(ctx, pkt);
                        av_packet_unref(pkt);
                    }
                }
                int r;
                while ((r = avcodec_receive_frame(ctx, frame)) >= 0) {
                    const int64_t pts = frame->best_effort_timestamp;
                    if (pts != AV_NOPTS_VALUE && ms(pts) > int64_t(last) * 1000) past = true;
                    if (!past) ++count;
                    av_frame_unref(frame);
                }
                if (eof && r == AVERROR_EOF) break;
            }
        }
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return count;
}

struct RunResult {
    double elapsed = 0;  // the press to the 99th bitmap on disk (with X) or the run's end
    double handler = 0;  // the press to the end of the button's handler
    Bitmaps bitmaps;
    stillmar::mci::engine::EngineCounters counters;  // what the engines did during the run
    long stillFrames = 0;  // pictures the decoders of the still-frame device gave out
};

// One run of the "Capturer" button with the count at 99; the main player is paused at the
// start second or plays on from it. With an X server (`x`), the window is driven by clicks.
RunResult captureRun(const std::string& file, int start, bool playing, const fs::path& appDir,
                     const XServer* x) {
    RunResult result;
    fs::create_directories(appDir);
    // The decoders at work before the run are the main player's.
    decoded::start();
    stillmar::Form1 form(stillmar::Form1::Options{appDir.string()});
    form.show();
    QApplication::processEvents();
    if (x) {
        stillmar::bench::runEvents(300);
        if (!stillmar::bench::openThroughDialog(
                form, file, QString::fromStdString((appDir / "dialog.conf").string())))
            std::printf("  (the file was not opened through the dialog)\n");
        if (!stillmar::bench::raiseCount(form, 99)) std::printf("  (the count did not reach 99)\n");
    } else {
        form.CurrentFile = file;
        form.PlayCurrentFile();
    }
    send("seek MYPLAYER to " + std::to_string(start * 1000 + 400));
    if (playing) send("play MYPLAYER");
    if (!x) form.Label2->setCaption(QStringLiteral("99"));

    g_timing->steps.clear();
    g_timing->on = true;
    const auto mainPlayer = decoded::stop();
    decoded::start();
    const auto counters0 = stillmar::mci::engine::engineCounters();
    const double xCpu0 = x ? x->cpu() : -1;
    // The press only changes the button's face; the run starts at the release.
    if (x) stillmar::bench::press(form.Picture3[stillmar::CommandButton::Capture]);
    const double pressed = realtimeNow();
    const auto t0 = Clock::now();
    if (x) {
        stillmar::bench::release(form.Picture3[stillmar::CommandButton::Capture]);
    } else {
        form.Picture3_MouseUp(stillmar::CommandButton::Capture, stillmar::forms::MouseButton::Left,
                              0, 0, 0);
    }
    const double elapsed = seconds(t0, Clock::now());
    const auto counters1 = stillmar::mci::engine::engineCounters();
    for (const auto& [ctx, n] : decoded::stop())
        if (!mainPlayer.count(ctx)) result.stillFrames += n;
    const double xCpu1 = x ? x->cpu() : -1;
    g_timing->on = false;

    result.bitmaps =
        scanBitmaps(appDir / "Capture", form.Picture2->width(), form.Picture2->height());
    result.counters = counters1 - counters0;
    // With X, as a person times it: to the last bitmap on disk.
    result.handler = elapsed;
    result.elapsed =
        x && result.bitmaps.lastWritten > pressed ? result.bitmaps.lastWritten - pressed : elapsed;

    // The window's own work between commands, measured again as the run does it, after the two
    // placements of each frame: the copy of the video area to the clipboard (the frame is
    // converted then, at the size drawn), the save of the clipboard's bitmap, and the events.
    constexpr int kRepeat = 20;
    form.Picture2->setVisible(true);
    const int32_t h = stillmar::forms::handleOf(form.Picture2);
    const int32_t w = form.Picture2->width(), hh = form.Picture2->height();
    form.CapturePlayer.OpenCapture(h, start + 5, form.CapturePlayer.Filename(), 0, 0, w / 15,
                                   hh / 15);
    form.CapturePlayer.setCommand(8, "", 0);
    const std::string probe = (appDir / "probe.bmp").string();
    double grab = 0, save = 0, events = 0, conversion = 0, clipboard = 0, sync = 0;
    for (int i = 0; i < kRepeat; ++i) {
        int32_t pw = w / 15, ph = hh / 15;
        form.CapturePlayer.PutVideoCapture(h, 0, 0, pw, ph);
        pw = w;
        ph = hh;
        form.CapturePlayer.PutVideoCapture(h, 0, 0, pw, ph);
        auto t1 = Clock::now();
        stillmar::CapMod::CaptureToClipboard(*form.Picture2);
        grab += seconds(t1, Clock::now()) / kRepeat;
        // Apart (each a single sample, so a figure under a millisecond is noise): the first copy
        // after the placements converts the frame; later ones do not.
        pw = w / 15;
        ph = hh / 15;
        form.CapturePlayer.PutVideoCapture(h, 0, 0, pw, ph);
        pw = w;
        ph = hh;
        form.CapturePlayer.PutVideoCapture(h, 0, 0, pw, ph);
        t1 = Clock::now();
        (void)stillmar::CapMod::CapturePictureBox(*form.Picture2);
        const double first = seconds(t1, Clock::now());
        t1 = Clock::now();
        (void)stillmar::CapMod::CapturePictureBox(*form.Picture2);
        const double again = seconds(t1, Clock::now());
        conversion += (first - again) / kRepeat;
        t1 = Clock::now();
        stillmar::CapMod::CaptureToClipboard(*form.Picture2);
        clipboard += (seconds(t1, Clock::now()) - again) / kRepeat;
        // As the run saves: the sync and the name are the finisher's, waited for a frame later.
        stillmar::sys::FileFinisher finisher;
        t1 = Clock::now();
        stillmar::CapMod::SaveClipboardPicture(probe, nullptr, &finisher);
        save += seconds(t1, Clock::now()) / kRepeat;
        t1 = Clock::now();
        finisher.wait();
        sync += seconds(t1, Clock::now()) / kRepeat;
        t1 = Clock::now();
        QCoreApplication::processEvents();
        events += seconds(t1, Clock::now()) / kRepeat;
    }

    double commands = 0;
    std::printf("  per-step breakdown of the %s run (ms per frame over 99 frames):\n",
                playing ? "playing" : "paused");
    for (const auto& [name, step] : g_timing->steps) {
        commands += step.seconds;
        std::printf("    %-34s %7.1f ms  (%d calls)\n", name.c_str(), step.seconds * 1000 / 99,
                    step.count);
    }
    std::printf("    %-34s %7.1f ms\n", "commands in all", commands * 1000 / 99);
    std::printf(
        "    %-34s %7.1f ms  (conversion %.1f, copy of the window %.1f, clipboard %.1f)\n",
        "grab + clipboard, with the conversion", grab * 1000, std::max(0.0, conversion) * 1000,
        std::max(0.0, grab - conversion - clipboard) * 1000, std::max(0.0, clipboard) * 1000);
    std::printf("    %-34s %7.1f ms  (then %.1f ms syncing it, on the finisher's thread)\n",
                "save of the clipboard's bitmap", save * 1000, sync * 1000);
    std::printf("    %-34s %7.1f ms\n", "events", events * 1000);
    // Grab, save and events are sampled apart from the run, so on a busy machine their sum
    // can exceed what the run spent outside commands; the rest then reads 0.
    std::printf("    %-34s %7.1f ms\n", "rest of the run (estimate)",
                std::max(0.0, (elapsed - commands) * 1000 / 99 - (grab + save + events) * 1000));
    const auto d = counters1 - counters0;
    std::printf(
        "    engine: %lld seeks decoding %lld frames in %.0f ms, %lld conversions in %.0f ms\n",
        (long long)d.seeks, (long long)d.seekFrames, d.seekNs / 1e6, (long long)d.conversions,
        d.conversionNs / 1e6);
    std::printf(
        "    engine: %lld seeks decoded ahead, %lld frames in %.0f ms (while the window "
        "saved the frame before)\n",
        (long long)d.aheads, (long long)d.aheadFrames, d.aheadNs / 1e6);
    std::printf("    main player during the run: %lld frames presented, %lld dropped, %lld late\n",
                (long long)d.presented, (long long)d.dropped, (long long)d.late);
    if (x) {
        if (xCpu0 >= 0 && xCpu1 >= 0)
            std::printf("    %-34s %7.1f ms  (%.2f s in the run; %s)\n", "X server's CPU",
                        (xCpu1 - xCpu0) * 1000 / 99, xCpu1 - xCpu0, x->describe().c_str());
        else
            std::printf("    X server's CPU: unknown (%s)\n", x->describe().c_str());
    }
    form.CapturePlayer.CloseCapture();
    form.StopMedia();
    return result;
}

// Frames decoded for the run's targets against the reference frames of the seconds the run
// covered.
void printDecoding(const std::string& file, const RunResult& r) {
    const Bitmaps& b = r.bitmaps;
    if (b.good == 0) return;
    const long refs = referenceFrames(file, b.first, b.last);
    const double decoded = double(r.stillFrames) / b.good;
    std::printf("    frames decoded per target: %.1f (%ld for %d; the engine's seeks count %.1f)\n",
                decoded, r.stillFrames, b.good,
                double(r.counters.seekFrames + r.counters.aheadFrames) / b.good);
    if (refs <= 0) {
        std::printf("    reference frames of the stretch: unknown\n");
        return;
    }
    const double perTarget = double(refs) / b.good;
    std::printf(
        "    reference frames of seconds %d..%d: %.1f per target (%ld); decoded / reference %.2f"
        " (aim <= 1.2; the target itself aside, the floor is 1.0)\n",
        b.first, b.last, perTarget, refs, decoded / perTarget);
}

}  // namespace

int main(int argc, char** argv) {
    const bool x11 = argc > 1 && std::strcmp(argv[1], "--x11") == 0;
    if (argc > 1 && !x11) {
        std::printf("usage: capture_bench [--x11]\n");
        return 2;
    }
    XServer xserver;
    if (x11) {
        if (!xserver.start()) return 1;
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    stillmar::resources::init();
    stillmar::forms::installWindowLayer();
    TimingService timing(stillmar::mci::defaultService());
    g_timing = &timing;
    stillmar::mci::setDefaultService(&timing);
    stillmar::forms::setMessageBoxAnswerer([](const stillmar::forms::MessageBoxRequest& r) {
        std::printf("  message \"%s\": %s\n", r.title.toUtf8().constData(),
                    r.prompt.toUtf8().constData());
        return stillmar::forms::MsgBoxAnswer::Ok;
    });

    const std::string files[] = {benchFile(), stillmar::bench::ultrafastFile()};
    if (files[0].empty() || files[1].empty()) {
        std::printf("cannot generate the benchmark files (is ffmpeg installed?)\n");
        return 1;
    }
    const char* env = std::getenv("STILLMAR_BENCH_START");
    const int start = env ? std::atoi(env) : 10;
    const fs::path dir =
        fs::temp_directory_path() / ("stillmar-capture-bench-" + std::to_string(getpid()));
    std::printf("platform: %s\n", x11 ? ("xcb on " + xserver.describe()).c_str() : "offscreen");

    for (const std::string& file : files) {
        std::printf("\nfile: %s\n== 99-frame capture run from second %d (489x372 bitmaps)\n",
                    file.c_str(), start);
        for (bool playing : {false, true}) {
            const fs::path appDir = dir / (playing ? "playing" : "paused");
            const RunResult r = captureRun(file, start, playing, appDir, x11 ? &xserver : nullptr);
            printDecoding(file, r);
            // The tool starts where the run did: the second the main player stood at.
            const int first = r.bitmaps.good ? r.bitmaps.first : start;
            const double tool = toolPass(file, first, ",scale=489:372", dir / "tool");
            std::printf(
                "  main player %s: window run %.2f s (%d of 99 bitmaps%s)   ffmpeg: %.2f s   "
                "ratio %.2f (target <= 0.7, aim 0.5)\n",
                playing ? "playing" : "paused ", r.elapsed, r.bitmaps.good,
                x11 ? (", to the last on disk; handler " + std::to_string(r.handler).substr(0, 5) +
                       " s")
                          .c_str()
                    : "",
                tool, r.elapsed / tool);
            printFloor(r.elapsed, tool,
                       toolPass(file, first, ",scale=489:372", dir / "tool", true));
            std::fflush(stdout);
            fs::remove_all(appDir);
        }
    }
    fs::remove_all(dir);
    return 0;
}
