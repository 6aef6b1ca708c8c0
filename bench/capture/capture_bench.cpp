// A 99-frame capture run of the main window on a 1080p H.264 file (25 fps, a keyframe every
// 10 s, two minutes), through the real window, service and engine under the offscreen
// platform, next to the ffmpeg tool writing the same 99 pictures. Prints figures only.
//
// STILLMAR_BENCH_START: the second the run starts at (default 10).
// STILLMAR_BENCH_FILE: a file to use instead of the generated one.

#include <unistd.h>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

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
#include "resources/resources.h"

#include "bench/bench_common.h"

namespace fs = std::filesystem;
using stillmar::bench::benchFile;
using stillmar::bench::Clock;
using stillmar::bench::run;
using stillmar::bench::seconds;
using stillmar::bench::timeCommand;

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

// Counts the run's bitmaps that are whole 24-bit pictures of the video area.
int goodBitmaps(const fs::path& folder, int width, int height) {
    int good = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        stillmar::sys::BmpImage bmp;
        if (stillmar::sys::readBmp(e.path().string(), bmp) && bmp.bitsPerPixel == 24 &&
            bmp.width == width && bmp.height == height)
            ++good;
    }
    return good;
}

// One run of the "Capturer" button with the count at 99; the main player is paused at the
// start second or plays on from it.
double captureRun(const std::string& file, int start, bool playing, const fs::path& appDir,
                  int& saved) {
    fs::create_directories(appDir);
    stillmar::Form1 form(stillmar::Form1::Options{appDir.string()});
    form.show();
    QApplication::processEvents();
    form.CurrentFile = file;
    form.PlayCurrentFile();
    send("seek MYPLAYER to " + std::to_string(start * 1000 + 400));
    if (playing) send("play MYPLAYER");
    form.Label2->setCaption(QStringLiteral("99"));

    g_timing->steps.clear();
    g_timing->on = true;
    const auto counters0 = stillmar::mci::engine::engineCounters();
    const auto t0 = Clock::now();
    form.Picture3_MouseUp(stillmar::CommandButton::Capture, stillmar::forms::MouseButton::Left, 0,
                          0, 0);
    const double elapsed = seconds(t0, Clock::now());
    const auto counters1 = stillmar::mci::engine::engineCounters();
    g_timing->on = false;

    saved = goodBitmaps(appDir / "Capture", form.Picture2->width(), form.Picture2->height());

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
    double grab = 0, save = 0, events = 0, conversion = 0, clipboard = 0;
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
        t1 = Clock::now();
        stillmar::CapMod::SaveClipboardPicture(probe);
        save += seconds(t1, Clock::now()) / kRepeat;
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
    std::printf("    %-34s %7.1f ms\n", "save of the clipboard's bitmap", save * 1000);
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
    std::printf("    main player during the run: %lld frames presented, %lld dropped, %lld late\n",
                (long long)d.presented, (long long)d.dropped, (long long)d.late);
    form.CapturePlayer.CloseCapture();
    form.StopMedia();
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
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

    const std::string file = benchFile();
    if (file.empty()) {
        std::printf("cannot generate the benchmark file (is ffmpeg installed?)\n");
        return 1;
    }
    const char* env = std::getenv("STILLMAR_BENCH_START");
    const int start = env ? std::atoi(env) : 10;
    const fs::path dir =
        fs::temp_directory_path() / ("stillmar-capture-bench-" + std::to_string(getpid()));
    std::printf("file: %s\n== 99-frame capture run from second %d (489x372 bitmaps)\n",
                file.c_str(), start);

    for (bool playing : {false, true}) {
        int saved = 0;
        const fs::path appDir = dir / (playing ? "playing" : "paused");
        const double ours = captureRun(file, start, playing, appDir, saved);
        fs::create_directories(dir / "tool");
        const double tool = timeCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -ss " +
                                        std::to_string(start) + " -i \"" + file +
                                        "\" -vf fps=1,scale=489:372 -frames:v 99 \"" +
                                        (dir / "tool").string() + "/out%d.bmp\"");
        std::printf(
            "  main player %s: window run %.2f s (%d of 99 bitmaps)   ffmpeg: %.2f s   "
            "ratio %.2f (target <= 1.0, aim 0.7)\n",
            playing ? "playing" : "paused ", ours, saved, tool, ours / tool);
        std::fflush(stdout);
        fs::remove_all(dir / "tool");
    }
    fs::remove_all(dir);
    return 0;
}
