// A 99-frame capture run of the main window on a 1080p H.264 file (25 fps, a keyframe every
// 10 s, two minutes), through the real window, service and engine under the offscreen
// platform, next to the ffmpeg tool writing the same 99 pictures. Prints figures only.
//
// STILLMAR_BENCH_START: the second the run starts at (default 10).
// STILLMAR_BENCH_FILE: a file to use instead of the generated one.

#include <unistd.h>
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "main_window/form1.h"
#include "platform/forms/message_box.h"
#include "platform/forms/mouse.h"
#include "platform/forms/window_layer.h"
#include "platform/mci/command_service.h"
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

    const auto t0 = Clock::now();
    form.Picture3_MouseUp(stillmar::CommandButton::Capture, stillmar::forms::MouseButton::Left, 0,
                          0, 0);
    const double elapsed = seconds(t0, Clock::now());

    saved = goodBitmaps(appDir / "Capture", form.Picture2->width(), form.Picture2->height());
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
            "ratio %.2f (target <= 1.5)\n",
            playing ? "playing" : "paused ", ours, saved, tool, ours / tool);
        std::fflush(stdout);
        fs::remove_all(dir / "tool");
    }
    fs::remove_all(dir);
    return 0;
}
