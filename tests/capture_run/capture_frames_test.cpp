// The capture run of the main window, end to end: the real command-string service and media
// engine, the window's picture boxes under the offscreen platform, files on disk. The
// fixture's frames tell their number, 25 a second.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "main_window/capture_folder.h"
#include "main_window/capture_frames.h"
#include "main_window/form1.h"
#include "platform/forms/colors.h"
#include "platform/forms/message_box.h"
#include "platform/forms/mouse.h"
#include "platform/forms/window_layer.h"
#include "platform/mci/command_service.h"
#include "platform/system/bmp_file.h"
#include "resources/resources.h"
#include "tests/midi/smf_builder.h"
#include "tests/support/fixtures.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

namespace fs = std::filesystem;

constexpr int kFps = 25;
const uint32_t kBackground = forms::toArgb(forms::RGB(16, 0, 16));

class CaptureRunTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        test::qtApp();
        resources::init();
        forms::installWindowLayer();
    }

    void SetUp() override {
        appDir = test::makeTempDir("capture_run");
        folder = appDir + "/Capture";
        forms::setMessageBoxAnswerer([this](const forms::MessageBoxRequest& r) {
            boxes.push_back(r);
            return forms::MsgBoxAnswer::Ok;
        });
        form = std::make_unique<Form1>(Form1::Options{appDir});
        form->show();
        ASSERT_TRUE(fs::is_directory(folder));
    }

    void TearDown() override {
        form->StopMedia();
        form->CapturePlayer.CloseCapture();
        form.reset();
        forms::setMessageBoxAnswerer({});
        fs::remove_all(appDir);
    }

    static uint32_t send(const std::string& command, std::string* reply = nullptr) {
        std::string local;
        return mci::defaultService().sendString(command, reply ? reply : &local, 256, 0);
    }
    static int64_t playerPositionMs() {
        std::string reply;
        send("set MYPLAYER time format milliseconds");
        send("status MYPLAYER position", &reply);
        return std::atoll(reply.c_str());
    }

    // Opens the clock in the main player and leaves it at `ms`, stopped or playing on.
    void openClockAt(int64_t ms, bool playing, const std::string& name = "clock.mp4") {
        const std::string clock = test::fixture(name);
        ASSERT_FALSE(clock.empty());
        form->CurrentFile = clock;
        form->PlayCurrentFile();
        ASSERT_EQ(send("seek MYPLAYER to " + std::to_string(ms)), 0u);
        if (playing) {
            ASSERT_EQ(send("play MYPLAYER"), 0u);
        }
    }

    void setCount(int n) { form->Label2->setCaption(QString::number(n)); }

    // Runs `action` inside the run, at its first chance to process events.
    static void duringTheRun(std::function<void()> action) {
        QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
    }

    std::set<std::string> savedFiles() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
        return names;
    }

    // The frame number a saved file shows; checks that it is a 24-bit picture of Picture2.
    int frameIn(const std::string& name) const {
        sys::BmpImage bmp;
        if (!sys::readBmp(folder + "/" + name, bmp)) {
            ADD_FAILURE() << name << " is not a bitmap";
            return -2;
        }
        EXPECT_EQ(bmp.bitsPerPixel, 24) << name;
        EXPECT_EQ(bmp.width, 489) << name;
        EXPECT_EQ(bmp.height, 372) << name;
        return test::decodeFrameNumber(bmp.pixels, bmp.width, bmp.height);
    }

    bool picture2IsEmpty() const {
        const QImage& img = form->Picture2->persistentImage();
        return form->Picture2->picture().isNull() && img.pixel(0, 0) == kBackground &&
               img.pixel(img.width() / 2, img.height() / 2) == kBackground &&
               img.pixel(img.width() - 1, img.height() - 1) == kBackground;
    }

    std::string appDir;
    std::string folder;
    std::unique_ptr<Form1> form;
    std::vector<forms::MessageBoxRequest> boxes;
};

TEST_F(CaptureRunTest, CapturerButton_oneFrameAtSecond12_savesCapture11AndClosesTheStillDevice) {
    openClockAt(12400, false);
    setCount(1);
    form->Picture2->lower();
    const QString title = form->windowTitle();

    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);

    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(savedFiles(), std::set<std::string>{"Capture11.bmp"});
    EXPECT_EQ(frameIn("Capture11.bmp"), 12 * kFps);
    // The clipboard holds the frame saved.
    sys::BmpImage saved;
    ASSERT_TRUE(sys::readBmp(folder + "/Capture11.bmp", saved));
    const QImage held = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(held.size(), QSize(489, 372));
    for (int x = 5; x < 489; x += 40) ASSERT_EQ(held.pixel(x, 186), saved.pixels[186 * 489 + x]);
    // Picture2 in front of Picture1 and empty; the window as before; the device closed.
    EXPECT_EQ(form->childAt(form->Picture2->geometry().center()), form->Picture2);
    EXPECT_TRUE(picture2IsEmpty());
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_NE(send("status VideoCapture mode"), 0u) << "still-frame device left open";
}

TEST_F(CaptureRunTest, CaptureFrames_threeFramesFromSecond12_eachFileOneSecondApart) {
    openClockAt(12400, false);
    setCount(3);
    form->CaptureFrames();
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(savedFiles(),
              (std::set<std::string>{"Capture11.bmp", "Capture12.bmp", "Capture13.bmp"}));
    EXPECT_EQ(frameIn("Capture11.bmp"), 12 * kFps);
    EXPECT_EQ(frameIn("Capture12.bmp"), 13 * kFps);
    EXPECT_EQ(frameIn("Capture13.bmp"), 14 * kFps);
}

TEST_F(CaptureRunTest, CaptureFrames_whilePlaying_playerMovesOnAndFilesFollowItsSecond) {
    openClockAt(12100, true);
    const int64_t before = playerPositionMs();
    setCount(3);
    form->CaptureFrames();
    // The player plays on after the run (a fast run may end before it has moved at all).
    EXPECT_TRUE(QTest::qWaitFor([&] { return playerPositionMs() > before; }, 2000));
    // The second read at the press depends on the machine's speed; the files follow it.
    const int first = form->CaptureBase;
    EXPECT_GE(first, 11);
    ASSERT_EQ(savedFiles().size(), 3u);
    for (int n = first; n < first + 3; ++n)
        EXPECT_EQ(frameIn("Capture" + std::to_string(n) + ".bmp"), (n + 1) * kFps) << n;
}

TEST_F(CaptureRunTest, CaptureFrames_atTheStart_writesCaptureMinus1) {
    openClockAt(0, false);
    setCount(1);
    form->CaptureFrames();
    EXPECT_EQ(savedFiles(), std::set<std::string>{"Capture-1.bmp"});
    EXPECT_EQ(frameIn("Capture-1.bmp"), 0);
    EXPECT_TRUE(boxes.empty());
}

// Sound alone, or no file at all: Picture2's background is no capture.
TEST_F(CaptureRunTest, CapturerWithoutAPicture_writesNoBitmapAndSaysSo) {
    setCount(3);
    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Erreur"));
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("Aucun fichier n'est ouvert")));

    const std::string tone = appDir + "/tone.wav";
    ASSERT_FALSE(test::fixture("tone.wav").empty());
    fs::copy_file(test::fixture("tone.wav"), tone);
    form->CurrentFile = tone;
    form->PlayCurrentFile();
    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].title, QStringLiteral("Erreur"));
    EXPECT_EQ(boxes[1].prompt,
              QStringLiteral("Le fichier « tone.wav » n'a pas d'image à capturer : "
                             "aucune image n'a été enregistrée."));
    // The same file removed since it was opened.
    fs::remove(tone);
    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].prompt, QStringLiteral("Le fichier « tone.wav » est introuvable : "
                                              "aucune image n'a été enregistrée."));

    // A MIDI file: the sequencer has no window at all.
    const std::string midi = appDir + "/air.mid";
    {
        const auto bytes = mci::midi::test::smf(
            0, 96, {mci::midi::test::Track{}.noteOn(0, 0, 60).noteOff(960, 0, 60).end()});
        std::ofstream(midi, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    form->CurrentFile = midi;
    form->PlayCurrentFile();
    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_TRUE(boxes[3].prompt.startsWith(
        QStringLiteral("Le fichier « air.mid » n'a pas d'image à capturer")));
    EXPECT_TRUE(savedFiles().empty());
    EXPECT_TRUE(picture2IsEmpty());
    EXPECT_FALSE(CaptureRunInProgress(*form));
}

// Past the end of the media the still-frame device cannot stand at the wanted second.
TEST_F(CaptureRunTest, CaptureFrames_pastTheEnd_stopsAtTheSecondItCannotShow) {
    openClockAt(18400, false);  // a 20-second clip
    setCount(5);
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Erreur"));
    EXPECT_TRUE(boxes[0].prompt.startsWith(
        QStringLiteral("La seconde 21 du fichier « clock.mp4 » n'a pas pu être affichée.")))
        << boxes[0].prompt.toStdString();
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("3 image(s) enregistrée(s)")));
    EXPECT_EQ(savedFiles(),
              (std::set<std::string>{"Capture17.bmp", "Capture18.bmp", "Capture19.bmp"}));
    EXPECT_EQ(frameIn("Capture18.bmp"), 19 * kFps);
    EXPECT_TRUE(picture2IsEmpty());
}

// Seconds 9 to 11 of this clip cannot be decoded: no file carries their name (another
// second's picture would pass for them), the seconds around them are saved exactly, and one
// message at the end names them.
TEST_F(CaptureRunTest, CaptureFrames_overADamagedStretch_skipsTheSecondsItCannotShow) {
    openClockAt(7000, false, "damaged.mp4");
    setCount(8);
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt,
              QStringLiteral("Seconde(s) du fichier « damaged.mp4 » qui n'ont pas pu être "
                             "affichées, sans image enregistrée : 9 à 11.\n"
                             "5 image(s) enregistrée(s)."));
    ASSERT_EQ(savedFiles(), (std::set<std::string>{"Capture6.bmp", "Capture7.bmp", "Capture11.bmp",
                                                   "Capture12.bmp", "Capture13.bmp"}));
    for (const int second : {7, 8, 12, 13, 14})
        EXPECT_EQ(frameIn("Capture" + std::to_string(second - 1) + ".bmp"), second * kFps);
    EXPECT_TRUE(picture2IsEmpty());

    // A run that then meets the end says both in one message.
    for (const auto& e : fs::directory_iterator(folder)) fs::remove(e.path());
    boxes.clear();
    ASSERT_EQ(send("seek MYPLAYER to 8000"), 0u);
    setCount(14);
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("La seconde 21 ")) &&
                boxes[0].prompt.contains(QStringLiteral("10 image(s) enregistrée(s)")) &&
                boxes[0].prompt.endsWith(QStringLiteral("enregistrée : 9 à 11.")))
        << boxes[0].prompt.toStdString();
    EXPECT_EQ(savedFiles().size(), 10u);
}

// The count lowered during the run: the run goes on to the bound it read at the start, and
// its last frame must not stay over the video that plays next.
TEST_F(CaptureRunTest, CountLoweredMidRun_runEndsAtItsBound_andTheNextVideoIsSeen) {
    openClockAt(12400, false);
    setCount(3);
    duringTheRun([&] { setCount(1); });
    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(savedFiles(),
              (std::set<std::string>{"Capture11.bmp", "Capture12.bmp", "Capture13.bmp"}));
    EXPECT_EQ(frameIn("Capture13.bmp"), 14 * kFps);
    EXPECT_TRUE(picture2IsEmpty());

    // Another file, held at its fifth second: the video area shows it, not the still frame.
    const std::string other = test::fixture("clock.mkv");
    ASSERT_FALSE(other.empty());
    form->CurrentFile = other;
    form->PlayCurrentFile();
    ASSERT_EQ(send("pause MYPLAYER wait"), 0u);
    ASSERT_EQ(send("seek MYPLAYER to 5000"), 0u);
    int seen = -1;
    for (int i = 0; i < 200 && seen != 5 * kFps; ++i) {
        QTest::qWait(10);
        const QImage shot =
            form->grab(form->Picture2->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
        seen = test::decodeFrameNumber(reinterpret_cast<const uint32_t*>(shot.constBits()),
                                       shot.width(), shot.height(), shot.width());
    }
    EXPECT_EQ(seen, 5 * kFps);
}

TEST_F(CaptureRunTest, CaptureFrames_duringTheRun_showsProgressAndIgnoresASecondCapturer) {
    openClockAt(12400, false);
    setCount(3);
    const QString title = form->windowTitle();
    QString progress;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    bool nestedTookNothing = false;
    duringTheRun([&] {
        progress = form->windowTitle();
        if (const QCursor* c = QApplication::overrideCursor()) pointer = c->shape();
        // Released between frames 1 and 2: it must take no frame. (The first file takes its
        // name once it is safe on the disk, a moment after it is written.)
        for (int i = 0; i < 200 && !fs::exists(folder + "/Capture11.bmp"); ++i) QTest::qSleep(5);
        const auto stamp = fs::last_write_time(folder + "/Capture11.bmp");
        form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
        nestedTookNothing = savedFiles() == std::set<std::string>{"Capture11.bmp"} &&
                            fs::last_write_time(folder + "/Capture11.bmp") == stamp;
    });

    form->CaptureFrames();

    EXPECT_TRUE(progress.endsWith(QStringLiteral("Capture 1/3"))) << progress.toStdString();
    EXPECT_EQ(pointer, Qt::BusyCursor);
    EXPECT_TRUE(nestedTookNothing);
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(savedFiles().size(), 3u);
    EXPECT_EQ(frameIn("Capture12.bmp"), 13 * kFps);
    EXPECT_EQ(frameIn("Capture13.bmp"), 14 * kFps);
}

TEST_F(CaptureRunTest, CaptureFrames_failedSaves_stopTheRunWithAMessage) {
    openClockAt(12400, false);
    setCount(3);
    // Removed after the first frame: the second save fails and nothing recreates the folder.
    // The first file may still be on its way to its name then, and be the one named.
    duringTheRun([&] { fs::remove_all(folder); });
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Erreur"));
    QString text = boxes[0].prompt;
    EXPECT_TRUE(text.contains(QStringLiteral("n'existe pas")) &&
                ((text.contains(QString::fromStdString(folder + "/Capture12.bmp")) &&
                  text.contains(QStringLiteral("1 image(s) enregistrée(s)"))) ||
                 (text.contains(QString::fromStdString(folder + "/Capture11.bmp")) &&
                  text.contains(QStringLiteral("0 image(s) enregistrée(s)")))))
        << text.toStdString();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(picture2IsEmpty());

    // A file that cannot take its name once written (a folder has it) stops the run at the
    // next frame, and is not counted.
    fs::create_directories(folder + "/Capture12.bmp");
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 2u);
    text = boxes[1].prompt;
    EXPECT_TRUE(text.contains(QString::fromStdString(folder + "/Capture12.bmp")) &&
                text.contains(QStringLiteral("un dossier porte ce nom")) &&
                text.contains(QStringLiteral("1 image(s) enregistrée(s)")))
        << text.toStdString();
    EXPECT_EQ(savedFiles(), (std::set<std::string>{"Capture11.bmp", "Capture12.bmp"}));
    EXPECT_EQ(frameIn("Capture11.bmp"), 12 * kFps);
    fs::remove_all(folder);

    // Permissions do not stop root: the folder becomes a plain file of the same name.
    { std::ofstream(folder) << "not a folder"; }
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 3u);
    text = boxes[2].prompt;
    EXPECT_TRUE(text.contains(QString::fromStdString(folder + "/Capture11.bmp")) &&
                text.contains(QStringLiteral("est un fichier, pas un dossier")) &&
                text.contains(QStringLiteral("0 image(s) enregistrée(s)")))
        << text.toStdString();

    // A count that does not fit the loop's 16 bits ends with the error, not a crash.
    form->Label2->setCaption(QStringLiteral("99999"));
    form->CaptureFrames();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_TRUE(boxes[3].prompt.contains(QStringLiteral("6 - Overflow")));
    EXPECT_FALSE(CaptureRunInProgress(*form));
}

}  // namespace
}  // namespace stillmar
