// The ways a desktop user opens and drives a file: the command line, a drop, the keyboard and
// the desktop entry's file types, all through the real command-string service.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QMimeDatabase>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "controls/slider_mod.h"
#include "main_window/capture_folder.h"
#include "main_window/command_line.h"
#include "main_window/desktop_input.h"
#include "main_window/form1.h"
#include "open_dialog/cdialog_ex.h"
#include "platform/forms/colors.h"
#include "platform/forms/message_box.h"
#include "platform/forms/mouse.h"
#include "platform/forms/window_layer.h"
#include "platform/runtime/text.h"
#include "platform/system/bmp_file.h"
#include "tests/support/fixtures.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

namespace fs = std::filesystem;

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApp();
        forms::installWindowLayer();
        mci::setDefaultService(nullptr);
        forms::setMessageBoxAnswerer([this](const forms::MessageBoxRequest& r) {
            boxes.push_back(r);
            return forms::MsgBoxAnswer::Ok;
        });
        SliderMod::SliderDragging = false;
        CDialogEX::LastFileName.clear();
        appFolder = test::makeTempDir("desktop");
        CDialogEX::SetSettingsFile(QString::fromStdString(appFolder + "/settings.conf"));
        form = std::make_unique<Form1>(Form1::Options{appFolder});
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override {
        form->StopMedia();
        form.reset();
        CDialogEX::SetShownHook({});
        forms::setMessageBoxAnswerer({});
        fs::remove_all(appFolder);
    }

    int32_t positionMs() {
        return int32_t(rt::leadingNumber(form->Player.getStatusInfo(PlayerStatus::PositionMs)));
    }
    std::string mode() { return form->Player.getStatusInfo(PlayerStatus::Mode); }
    uint32_t faceAt(int button) {
        return form->Picture3[button]->persistentImage().pixel(4, 4) & 0xFFFFFF;
    }

    std::vector<forms::MessageBoxRequest> boxes;
    std::string appFolder;
    std::unique_ptr<Form1> form;
};

TEST_F(DesktopTest, theArgumentPlaysTheFileAndItsPositionAdvances) {
    const std::string clip = test::fixture("clock.mp4");
    const CommandLine line = ParseCommandLine({"--", clip}, "1");
    ASSERT_EQ(line.file, clip);
    PlayChosenFile(*form, line.file);
    EXPECT_EQ(form->CurrentFile, clip);
    EXPECT_TRUE(form->Playing);
    EXPECT_TRUE(form->Timer1.Enabled());
    EXPECT_EQ(mode(), "playing");
    const int32_t start = positionMs();
    QTest::qWait(700);
    EXPECT_GT(positionMs(), start + 300);
    form->Timer1_Timer();
    EXPECT_TRUE(boxes.empty());
    // As if chosen in the dialog: "Ouvrir" then Cancel plays it again.
    CDialogEX::SetShownHook([](QFileDialog& d) { d.reject(); });
    form->Picture3_MouseUp(CommandButton::Open, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_EQ(form->CurrentFile, clip);
    EXPECT_EQ(mode(), "playing");
}

TEST_F(DesktopTest, aMissingFileGivesTheBoxAnUnplayableChoiceGivesThroughTheDialog) {
    const std::string unplayable = appFolder + "/noise.avi";
    fs::copy_file(test::fixture("noise.bin"), unplayable);
    CDialogEX::SetShownHook([&](QFileDialog& d) {
        d.selectFile(QString::fromStdString(unplayable));
        static_cast<QDialog&>(d).accept();
    });
    form->Picture3_MouseUp(CommandButton::Open, forms::MouseButton::Left, 0, 0, 0);
    form->Timer1_Timer();
    ASSERT_EQ(boxes.size(), 1u);
    const forms::MessageBoxRequest throughDialog = boxes[0];
    EXPECT_EQ(throughDialog.title, "Erreur");

    boxes.clear();
    PlayChosenFile(*form, ParseCommandLine({appFolder + "/missing.mp4"}, "1").file);
    form->Timer1_Timer();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, throughDialog.prompt);
    EXPECT_EQ(boxes[0].title, throughDialog.title);
    EXPECT_EQ(boxes[0].buttons, throughDialog.buttons);
    EXPECT_FALSE(form->Timer1.Enabled());
}

TEST_F(DesktopTest, aDroppedLocalFilePlaysTheFirstOfSeveralAndOtherDropsAreRefused) {
    const std::string clip = test::fixture("clock.mp4");
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = form->Picture2->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->Picture2, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->Picture2, &dropped);
        QTest::qWait(50);
        return enter.isAccepted() && dropped.isAccepted();
    };
    EXPECT_FALSE(drop({QUrl("https://example.org/clip.mp4"),
                       QUrl::fromLocalFile(QString::fromStdString(appFolder))}));
    EXPECT_TRUE(form->CurrentFile.empty());
    EXPECT_FALSE(form->Playing);

    EXPECT_TRUE(drop({QUrl("https://example.org/clip.mp4"),
                      QUrl::fromLocalFile(QString::fromStdString(clip)),
                      QUrl::fromLocalFile(QString::fromStdString(test::fixture("clock.mkv")))}));
    EXPECT_EQ(form->CurrentFile, clip);
    EXPECT_TRUE(form->Playing);
    EXPECT_EQ(mode(), "playing");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DesktopTest, eachKeyRunsWhatItsClickRuns) {
    PlayChosenFile(*form, test::fixture("clock.mp4"));
    QTest::qWait(300);
    // Space pauses and resumes, even while the "Titre" box has the focus.
    form->Check1->setFocus();
    QTest::keyClick(form->Check1, Qt::Key_Space);
    EXPECT_TRUE(form->Paused);
    EXPECT_EQ(mode(), "paused");
    EXPECT_EQ(form->Check1->Value(), 1);
    QTest::keyClick(form.get(), Qt::Key_Space);
    EXPECT_FALSE(form->Paused);
    EXPECT_EQ(mode(), "playing");
    QTest::keyClick(form.get(), Qt::Key_Space);
    ASSERT_TRUE(form->Paused);

    // Paused, so the position moves by the keys alone; a paused video stays paused.
    int32_t before = positionMs();
    QTest::keyClick(form.get(), Qt::Key_Right);
    EXPECT_NEAR(positionMs(), before + 5000, 1000);
    EXPECT_EQ(mode(), "paused");
    before = positionMs();
    QTest::keyClick(form.get(), Qt::Key_Right);
    EXPECT_NEAR(positionMs(), before + 5000, 1000);
    QTest::keyClick(form.get(), Qt::Key_Left);
    EXPECT_NEAR(positionMs(), before, 1000);
    QTest::keyClick(form.get(), Qt::Key_Home);
    EXPECT_LT(positionMs(), 1000);
    QTest::keyClick(form.get(), Qt::Key_Left);  // not before the start
    EXPECT_LT(positionMs(), 1000);
    QTest::keyClick(form.get(), Qt::Key_Space);
    EXPECT_EQ(mode(), "playing");

    // Return is "Capturer": the face sinks on the press, the run follows the release.
    const uint32_t pressed = forms::toArgb(Form1::kPressedColor) & 0xFFFFFF;
    QTest::keyPress(form.get(), Qt::Key_Return);
    EXPECT_EQ(faceAt(CommandButton::Capture), pressed);
    QTest::keyRelease(form.get(), Qt::Key_Return);
    int bitmaps = 0;
    for (const auto& e : fs::directory_iterator(CaptureFolder))
        bitmaps += e.path().extension() == ".bmp";
    EXPECT_EQ(bitmaps, 1);

    // Ctrl+O is "Ouvrir": its face sinks, the release shows the dialog; Cancel replays the file.
    bool dialogShown = false;
    CDialogEX::SetShownHook([&](QFileDialog& d) {
        dialogShown = true;
        d.reject();
    });
    QTest::keyPress(form.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(faceAt(CommandButton::Open), pressed);
    EXPECT_FALSE(dialogShown);
    QTest::keyRelease(form.get(), Qt::Key_O);  // Ctrl may be let go first
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(mode(), "playing");

    // Ctrl+Q is "Quitter".
    QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form->Playing);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(boxes.empty());
}

// The frame keys on clips whose frames show their number, each with a keyframe every 250
// frames: 29.97 fps (frame times between whole milliseconds) and a variable rate. The frame
// shown is read through "capture ... as", as the window's player would; `keyframeMs` is the
// time of frame 250.
struct StepClip {
    const char* name;
    int keyframeMs;
};

void PrintTo(const StepClip& clip, std::ostream* os) {
    *os << clip.name;
}

class FrameKeysTest : public DesktopTest, public ::testing::WithParamInterface<StepClip> {
  protected:
    sys::BmpImage shown() {
        sys::BmpImage image;
        EXPECT_EQ(form->Player.CaptureFrame(appFolder + "/shown.bmp"), "Success");
        EXPECT_TRUE(sys::readBmp(appFolder + "/shown.bmp", image));
        return image;
    }
    static int numberOf(const sys::BmpImage& image) {
        return test::decodeFrameNumber(image.pixels, image.width, image.height);
    }
    // Frame `n` in display order as the ffmpeg tool decodes it, pixel for pixel.
    bool isToolFrame(const sys::BmpImage& image, int n) {
        sys::BmpImage tool;
        const std::string bmp = appFolder + "/tool.bmp";
        return test::writeToolFrame(clip, n, bmp) && sys::readBmp(bmp, tool) &&
               tool.width == image.width && tool.height == image.height &&
               tool.pixels == image.pixels;
    }
    // The key, then the frame it shows is frame `n`, the tool's own.
    void expectStep(Qt::Key key, int n) {
        QTest::keyClick(form.get(), key);
        const sys::BmpImage image = shown();
        EXPECT_EQ(numberOf(image), n);
        EXPECT_TRUE(isToolFrame(image, n)) << "frame " << n;
    }
    void send(const std::string& command) {
        EXPECT_EQ(mci::defaultService().sendString(command, nullptr, 0, 0), 0u) << command;
    }

    std::string clip = test::fixture(GetParam().name);
};

TEST_P(FrameKeysTest, periodAndCommaStepThroughExactFrames_ctrlCCopiesTheFrameShown) {
    ASSERT_FALSE(clip.empty());
    PlayChosenFile(*form, clip);
    QTest::keyClick(form.get(), Qt::Key_Right);  // 5 s on, playing
    QTest::qWait(200);
    ASSERT_EQ(mode(), "playing");
    // The first press only pauses, on the frame shown, whatever has the focus.
    form->Check1->setFocus();
    QTest::keyClick(form->Check1, Qt::Key_Period);
    EXPECT_EQ(mode(), "paused");
    EXPECT_TRUE(form->Paused);
    const int start = numberOf(shown());
    ASSERT_GE(start, 100);

    // Three forward and two back land on the frame after the start. The time and the thumb
    // follow each step at once.
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Period, start + 1},
                                            {Qt::Key_Period, start + 2},
                                            {Qt::Key_Period, start + 3},
                                            {Qt::Key_Comma, start + 2},
                                            {Qt::Key_Comma, start + 1}};
    for (const auto& [key, n] : keys) {
        form->Label3->setCaption(QString());
        form->Picture5->move(0, form->Picture5->y());
        expectStep(key, n);
        EXPECT_EQ(form->Label3->Caption().toStdString(),
                  form->Player.POSFORMAT(TimeText::MinutesSeconds));
        EXPECT_GT(form->Picture5->x(), 0);
    }
    EXPECT_EQ(mode(), "paused");

    // Held down: repeats that come faster than the steps make one step at a time, and the
    // release drops a repeat not yet taken.
    const auto periodKey = [&](QEvent::Type type, bool repeat) {
        QKeyEvent event(type, Qt::Key_Period, Qt::NoModifier, QStringLiteral("."), repeat);
        QApplication::sendEvent(form.get(), &event);
    };
    periodKey(QEvent::KeyPress, false);
    for (int i = 0; i < 3; ++i) periodKey(QEvent::KeyPress, true);
    QTest::qWait(100);
    EXPECT_EQ(numberOf(shown()), start + 3);
    periodKey(QEvent::KeyPress, true);
    periodKey(QEvent::KeyRelease, false);
    QTest::qWait(100);
    EXPECT_EQ(numberOf(shown()), start + 3);

    // Back over a keyframe: the group of pictures before it is decoded in one go.
    send("seek MYPLAYER to " + std::to_string(GetParam().keyframeMs));
    ASSERT_EQ(numberOf(shown()), 250);
    expectStep(Qt::Key_Comma, 249);
    expectStep(Qt::Key_Comma, 248);
    expectStep(Qt::Key_Period, 249);

    // Ctrl+C: the frame shown at the video's size, the very picture "capture ... as" writes.
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(form->Check1, Qt::Key_C, Qt::ControlModifier);
    const QImage copied =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    const sys::BmpImage captured = shown();
    ASSERT_EQ(copied.size(), QSize(captured.width, captured.height));
    EXPECT_EQ(copied.size(), QSize(320, 240));
    bool equal = true;
    for (int y = 0; y < copied.height(); ++y) {
        for (int x = 0; x < copied.width(); ++x)
            equal =
                equal && copied.pixel(x, y) == captured.pixels[std::size_t(y * captured.width + x)];
    }
    EXPECT_TRUE(equal);
    EXPECT_EQ(numberOf(captured), 249);

    // The first and the last frames stay where they are.
    send("seek MYPLAYER to start");
    expectStep(Qt::Key_Comma, 0);
    send("seek MYPLAYER to end");
    const int last = numberOf(shown());
    ASSERT_GT(last, 250);
    expectStep(Qt::Key_Period, last);

    // Space plays on; a copy meanwhile leaves it playing.
    QTest::keyClick(form.get(), Qt::Key_Home);
    QTest::keyClick(form.get(), Qt::Key_Space);
    ASSERT_EQ(mode(), "playing");
    QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(mode(), "playing");
    const QImage playing = QGuiApplication::clipboard()->image();
    EXPECT_EQ(playing.size(), QSize(320, 240));
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Clips, FrameKeysTest,
                         ::testing::Values(StepClip{"steps.mp4", 8342},
                                           StepClip{"steps_vfr.mp4", 10015}),
                         [](const auto& info) {
                             return std::string(info.param.name).substr(0, 5) +
                                    (info.index ? "Vfr" : "Ntsc");
                         });

TEST_F(DesktopTest, ctrlCWithoutAPicture_copiesNothingAndSaysSo) {
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
    PlayChosenFile(*form, test::fixture("tone.wav"));
    QTest::keyClick(form.get(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].prompt, "Aucun fichier n'est ouvert : il n'y a pas d'image à copier.");
    EXPECT_EQ(boxes[1].prompt, "Le fichier « tone.wav » n'a pas d'image à copier.");
    EXPECT_EQ(boxes[1].title, "Erreur");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    EXPECT_EQ(mode(), "playing");
}

// Every type the desktop entry offers is recognised in a generated file of that type, and the
// real service plays that file.
TEST(DesktopEntryTest, everyListedTypeIsAFileTheServicePlays) {
    test::qtApp();
    mci::setDefaultService(nullptr);
    QFile file(QStringLiteral(STILLMAR_DESKTOP_ENTRY));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QString exec;
    QStringList types;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u"Exec=")) exec = line.mid(5);
        if (line.startsWith(u"MimeType=")) types = line.mid(9).split(u';', Qt::SkipEmptyParts);
    }
    EXPECT_EQ(exec, "stillmar %f");
    ASSERT_GE(types.size(), 20);

    const std::string v = "-f lavfi -i testsrc2=s=176x144:r=25:d=1";
    const std::string a = "-f lavfi -i sine=d=1";
    const std::string av = v + " " + a + " -shortest ";
    // type -> file name, ffmpeg arguments ("" for a file written here)
    const std::map<QString, std::pair<std::string, std::string>> samples = {
        {"video/mp4", {"s.mp4", av + "-c:v libx264 -pix_fmt yuv420p -c:a aac"}},
        {"video/x-matroska", {"s.mkv", av + "-c:v libx264 -pix_fmt yuv420p -c:a libvorbis"}},
        {"video/webm", {"s.webm", av + "-c:v libvpx -c:a libvorbis"}},
        {"video/ogg", {"s.ogv", av + "-c:v libtheora -c:a libvorbis"}},
        {"video/mpeg", {"s.mpg", av + "-c:v mpeg1video -c:a mp2 -f mpeg"}},
        {"video/mp2t", {"s.ts", av + "-c:v mpeg2video -c:a mp2 -f mpegts"}},
        {"video/x-msvideo", {"s.avi", av + "-c:v mpeg4 -c:a pcm_s16le"}},
        {"video/quicktime", {"s.mov", av + "-c:v libx264 -pix_fmt yuv420p -c:a aac"}},
        {"video/x-ms-wmv", {"s.wmv", av + "-c:v wmv2 -c:a wmav2"}},
        {"video/x-ms-asf", {"s.asf", av + "-c:v wmv2 -c:a wmav2 -f asf"}},
        {"application/vnd.ms-asf", {"s.asf", av + "-c:v wmv2 -c:a wmav2 -f asf"}},
        {"video/x-flv", {"s.flv", av + "-c:v flv -c:a libmp3lame -ar 44100"}},
        {"video/3gpp", {"s.3gp", av + "-c:v h263 -c:a aac -ar 8000 -ac 1"}},
        {"video/3gpp2", {"s.3g2", av + "-c:v h263 -c:a aac -ar 8000 -ac 1"}},
        {"audio/mpeg", {"s.mp3", a + " -c:a libmp3lame"}},
        {"audio/mp2", {"s.mp2", a + " -c:a mp2"}},
        {"audio/x-wav", {"s.wav", a + " -c:a pcm_s16le"}},
        {"audio/flac", {"s.flac", a + " -c:a flac"}},
        {"audio/ogg", {"s.ogg", a + " -c:a libvorbis"}},
        {"audio/x-vorbis+ogg", {"s.ogg", a + " -c:a libvorbis"}},
        {"audio/x-flac+ogg", {"s.oga", a + " -c:a flac -f oga"}},
        {"audio/x-opus+ogg", {"s.opus", a + " -c:a libopus"}},
        {"audio/aac", {"s.aac", a + " -c:a aac -f adts"}},
        {"audio/mp4", {"s.m4a", a + " -c:a aac"}},
        {"audio/x-m4a", {"s.m4a", a + " -c:a aac"}},
        {"audio/x-aiff", {"s.aif", a + " -c:a pcm_s16be -f aiff"}},
        {"audio/basic", {"s.au", a + " -f au"}},
        {"audio/x-ms-wma", {"s.wma", a + " -c:a wmav2 -f asf"}},
        {"audio/ac3", {"s.ac3", a + " -c:a ac3"}},
        {"audio/x-matroska", {"s.mka", a + " -c:a libvorbis -f matroska"}},
        {"audio/midi", {"s.mid", ""}},
    };
    const std::string dir = test::makeTempDir("mime");
    const QMimeDatabase db;
    auto& service = mci::defaultService();
    for (const QString& type : types) {
        SCOPED_TRACE(type.toStdString());
        const auto sample = samples.find(type);
        ASSERT_NE(sample, samples.end()) << "no sample for a listed type";
        const std::string path = dir + "/" + sample->second.first;
        if (!fs::exists(path)) {
            if (sample->second.second.empty()) {
                // One middle C for 480 ticks, format 0.
                static const unsigned char midi[] = {
                    'M', 'T',  'h',  'd',  0,    0,   0,  6, 0,    0,    0, 1,
                    1,   0xE0, 'M',  'T',  'r',  'k', 0,  0, 0,    13,   0, 0x90,
                    60,  64,   0x83, 0x60, 0x80, 60,  64, 0, 0xFF, 0x2F, 0};
                std::ofstream(path, std::ios::binary)
                    .write(reinterpret_cast<const char*>(midi), sizeof midi);
            } else {
                ASSERT_EQ(test::run("ffmpeg -nostdin -hide_banner -loglevel error -y " +
                                    sample->second.second + " " + path),
                          0);
            }
        }
        const QMimeType found = db.mimeTypeForFile(QString::fromStdString(path));
        EXPECT_TRUE(found.name() == type || found.aliases().contains(type) || found.inherits(type))
            << "recognised as " << found.name().toStdString();
        std::string reply;
        ASSERT_EQ(service.sendString("open \"" + path + "\" alias S", &reply, 256, 0), 0u);
        EXPECT_EQ(service.sendString("set S time format ms", &reply, 256, 0), 0u);
        EXPECT_EQ(service.sendString("play S from 0 to 300 wait", &reply, 256, 0), 0u);
        EXPECT_EQ(service.sendString("status S position", &reply, 256, 0), 0u);
        EXPECT_GE(rt::leadingNumber(reply), 300);
        service.sendString("close S", nullptr, 0, 0);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace stillmar
