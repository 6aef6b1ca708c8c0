#include "main_window/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "controls/slider_mod.h"
#include "main_window/capture_folder.h"
#include "main_window/capture_frames.h"
#include "open_dialog/cdialog_ex.h"
#include "platform/forms/colors.h"
#include "platform/forms/handles.h"
#include "platform/forms/message_box.h"
#include "platform/forms/mouse.h"
#include "platform/forms/window_layer.h"
#include "tests/support/fixtures.h"
#include "tests/support/qt_app.h"
#include "tests/support/recording_service.h"
#include "tests/support/scoped_env.h"

namespace stillmar {
namespace {

namespace fs = std::filesystem;
using forms::RGB;

bool contains(const std::vector<std::string>& texts, const std::string& prefix) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.rfind(prefix, 0) == 0; });
}

// The commands sent, less the cdaudio open that every transport command sends first.
std::vector<std::string> withoutCdProbe(const std::vector<std::string>& texts) {
    std::vector<std::string> out;
    for (const auto& t : texts)
        if (t.find("Type cdaudio") == std::string::npos) out.push_back(t);
    return out;
}

int countPrefix(const std::vector<std::string>& texts, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
}

// A window over a recording service, its capture folder in a fresh temporary folder.
class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApp();
        forms::installWindowLayer();
        mci::setDefaultService(&service);
        forms::setMessageBoxAnswerer([this](const forms::MessageBoxRequest& r) {
            boxes.push_back(r);
            return forms::MsgBoxAnswer::Ok;
        });
        appFolder = test::makeTempDir("form1");
        CDialogEX::SetSettingsFile(QString::fromStdString(appFolder + "/settings.conf"));
        SliderMod::SliderDragging = false;
        form = std::make_unique<Form1>(Form1::Options{appFolder});
    }
    void TearDown() override {
        form.reset();
        forms::setMessageBoxAnswerer({});
        mci::setDefaultService(nullptr);
        fs::remove_all(appFolder);
    }

    // A media of 250 s standing at 61 s.
    void answerPlaying() {
        service.answer("status MYPLAYER length", 0, "250000");
        service.answer("status MYPLAYER position", 0, "61000");
    }

    // Plays a stand-in file of that name in the program folder.
    void playFile(const std::string& name) {
        const std::string path = appFolder + "/" + name;
        QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly);
        form->CurrentFile = path;
        form->PlayCurrentFile();
    }

    test::RecordingService service;
    std::vector<forms::MessageBoxRequest> boxes;
    std::string appFolder;
    std::unique_ptr<Form1> form;
};

TEST_F(Form1Test, startUp_createsTheCaptureFolderAndStartsNothing) {
    EXPECT_TRUE(fs::is_directory(appFolder + "/Capture"));
    EXPECT_EQ(CaptureFolder, appFolder + "/Capture");
    EXPECT_TRUE(service.commands.empty());
    EXPECT_FALSE(form->Timer1.Enabled());
    EXPECT_FALSE(form->Timer2.Enabled());
    EXPECT_TRUE(boxes.empty());
    // A second start keeps what the folder holds.
    QFile keep(QString::fromStdString(appFolder + "/Capture/Capture5.bmp"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    form = std::make_unique<Form1>(Form1::Options{appFolder});
    EXPECT_TRUE(fs::exists(appFolder + "/Capture/Capture5.bmp"));
}

TEST(CaptureFolderTest, installedCopyUsesPicturesQuietly_unwritableFolderFallsBackAndTellsOnce) {
    test::qtApp();
    QStandardPaths::setTestModeEnabled(true);
    std::vector<forms::MessageBoxRequest> boxes;
    forms::setMessageBoxAnswerer([&](const forms::MessageBoxRequest& r) {
        boxes.push_back(r);
        return forms::MsgBoxAnswer::Ok;
    });
    const std::string dir = test::makeTempDir("capture-folder");
    const test::ScopedEnv ownHome("HOME", QByteArray::fromStdString(dir + "/home"));

    // A copy in /usr/bin never writes there, even as root: its place is the pictures folder,
    // which needs no word to the user.
    const bool hadOne = fs::exists("/usr/bin/Capture");
    EXPECT_EQ(PrepareCaptureFolder("/usr/bin"), dir + "/home/Pictures/Stillmar/Capture");
    EXPECT_TRUE(fs::is_directory(CaptureFolder));
    EXPECT_TRUE(boxes.empty());
    if (!hadOne) {
        EXPECT_FALSE(fs::exists("/usr/bin/Capture"));
        fs::remove_all("/usr/bin/Capture");
    }

    // A program folder below a plain file can never hold a folder.
    const std::string blocker = dir + "/not-a-folder";
    QFile f(QString::fromStdString(blocker));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const std::string chosen = PrepareCaptureFolder(blocker);
    EXPECT_EQ(chosen, FallbackCaptureFolder());
    EXPECT_EQ(CaptureFolder, chosen);
    EXPECT_TRUE(chosen.size() > 17 && chosen.substr(chosen.size() - 17) == "/Stillmar/Capture");
    EXPECT_TRUE(fs::is_directory(chosen));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QString::fromStdString(chosen)));
    PrepareCaptureFolder(blocker);
    EXPECT_EQ(boxes.size(), 1u);
    forms::setMessageBoxAnswerer({});
    fs::remove_all(dir);
}

TEST_F(Form1Test, playWithNoFile_clearsTheVideoAreaAndStartsNothing) {
    form->Picture2->PSet(100, 100, RGB(0, 255, 0));
    form->Picture3_MouseUp(CommandButton::Play, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_TRUE(service.commands.empty());
    EXPECT_FALSE(form->Timer1.Enabled());
    EXPECT_FALSE(form->Playing);
    EXPECT_EQ(form->Picture2->Point(100, 100), RGB(16, 0, 16));
}

TEST_F(Form1Test, openAndSeek_showTheBusyPointerWhileTheServiceWorks) {
    std::vector<std::string> busyDuring;
    service.onSend = [&](std::string_view command) {
        const QCursor* c = QApplication::overrideCursor();
        if (c && c->shape() == Qt::WaitCursor) busyDuring.emplace_back(command);
    };
    answerPlaying();
    playFile("clip.avi");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    form->Picture5_MouseDown(forms::MouseButton::Left, 0, 0, 0);
    form->Picture5_MouseMove(forms::MouseButton::Left, 0, 50, 0);
    form->Picture5_MouseUp(forms::MouseButton::Left, 0, 50, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    service.onSend = {};
    const auto during = [&](std::string_view start, std::string_view part) {
        return std::any_of(busyDuring.begin(), busyDuring.end(), [&](const std::string& t) {
            return t.rfind(start, 0) == 0 && t.find(part) != std::string::npos;
        });
    };
    EXPECT_TRUE(during("open ", "Alias MYPLAYER"));
    EXPECT_TRUE(during("seek MYPLAYER", ""));
}

TEST_F(Form1Test, playingAFile_opensItInPicture1AndPrintsItsNameBottomRight) {
    playFile("clip.avi");
    const auto texts = service.texts();
    const std::string parent = " parent " + std::to_string(forms::handleOf(form->Picture1)) + " ";
    const auto open = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
        return t.rfind("open ", 0) == 0 && t.find("Alias MYPLAYER") != std::string::npos;
    });
    ASSERT_NE(open, texts.end());
    EXPECT_NE(open->find(parent), std::string::npos) << *open;
    EXPECT_TRUE(contains(texts, "play MYPLAYER"));
    EXPECT_TRUE(form->Playing);
    EXPECT_TRUE(form->Timer1.Enabled());

    // Green text in the bottom-right corner of the video area, nothing elsewhere.
    const QImage& img = form->Picture2->persistentImage();
    const uint32_t green = forms::toArgb(RGB(0, 255, 0));
    int corner = 0, elsewhere = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == green)
                (x > img.width() - 80 && y > img.height() - 20 ? corner : elsewhere)++;
    EXPECT_GT(corner, 10);
    EXPECT_EQ(elsewhere, 0);

    // Unchecked: the area is cleared and nothing printed.
    form->Check1->setValue(0);
    playFile("clip.avi");
    int lit = 0;
    const QImage& img2 = form->Picture2->persistentImage();
    for (int y = 0; y < img2.height(); ++y)
        for (int x = 0; x < img2.width(); ++x)
            lit += img2.pixel(x, y) != forms::toArgb(RGB(16, 0, 16));
    EXPECT_EQ(lit, 0);
}

TEST_F(Form1Test, stopThenPlay_closesAndRestartsTheSameFileFromTheStart) {
    playFile("clip.mpg");
    service.clearLog();
    form->Picture3_MouseUp(CommandButton::Stop, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_TRUE(contains(service.texts(), "stop MYPLAYER"));
    EXPECT_TRUE(contains(service.texts(), "close MYPLAYER"));
    EXPECT_FALSE(form->Playing);
    EXPECT_FALSE(form->Timer1.Enabled());
    service.clearLog();
    form->Picture3_MouseUp(CommandButton::Play, forms::MouseButton::Right, 0, 0, 0);
    const auto texts = service.texts();
    EXPECT_EQ(countPrefix(texts, "open /"), 1);
    EXPECT_TRUE(contains(texts, "seek MYPLAYER to 0"));
    EXPECT_TRUE(form->Playing);
}

TEST_F(Form1Test, resize_keepsTheBarAtTheBottomAndGrowsBothVideoBoxes) {
    EXPECT_EQ(form->Picture1->geometry(), QRect(8, 8, 489, 372));
    EXPECT_EQ(form->Picture2->geometry(), form->Picture1->geometry());
    EXPECT_EQ(form->Frame1->geometry(), QRect(8, 392, 489, 73));
    form->resize(607, 574);
    form->Form_Resize();
    EXPECT_EQ(form->Picture1->geometry(), QRect(8, 8, 589, 472));
    EXPECT_EQ(form->Picture2->geometry(), form->Picture1->geometry());
    EXPECT_EQ(form->Frame1->geometry(), QRect(8, 492, 489, 73));
    EXPECT_EQ(form->Picture2->persistentImage().width(), 589);
    EXPECT_TRUE(service.commands.empty());  // nothing playing: nothing to refit

    // While a file plays, the video is placed over the whole new area again.
    playFile("clip.avi");
    service.clearLog();
    form->resize(557, 524);
    form->Form_Resize();
    EXPECT_EQ(service.texts(), std::vector<std::string>{"put MYPLAYER window at 0 0 539 422"});
}

TEST_F(Form1Test, timeLabel_showsThePositionThenTheRemainingTimeAfterAClick) {
    answerPlaying();
    playFile("clip.avi");
    form->Timer1_Timer();
    EXPECT_EQ(form->Label3->Caption(), "01:01");
    EXPECT_EQ(form->PositionSeconds, 61);
    // 61 / 250 of the travel (249 - 16 pixels): 56.852 -> 57.
    EXPECT_EQ(form->Picture5->x(), 57);
    form->Label3_Click();
    EXPECT_EQ(form->Label3->Caption(), "01:01");  // changes at the next tick
    form->Timer1_Timer();
    EXPECT_EQ(form->Label3->Caption(), "03:09");
    form->Label3_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(form->Label3->toolTip(), "Click to change mode");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Form1Test, lengthZero_showsTheErrorBoxOnceAndStopsTheDisplay) {
    service.answer("status MYPLAYER length", 0, "0");
    playFile("broken.avi");
    form->Timer1_Timer();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Erreur");
    EXPECT_EQ(boxes[0].prompt,
              "Erreur lors de l'ouverture du fichier ! Format incompatible ou non reconnu !");
    EXPECT_EQ(boxes[0].buttons, forms::MsgBoxIcon::Exclamation);
    EXPECT_FALSE(form->Timer1.Enabled());
    EXPECT_TRUE(form->Playing);
    EXPECT_EQ(form->Label3->Caption(), "00:00");
}

TEST_F(Form1Test, thumbDrag_seeksToTheDraggedSecondPlusThePressSubSecond) {
    answerPlaying();
    service.answer("status MYPLAYER position", 0, "61250");
    playFile("clip.avi");
    form->Timer1_Timer();  // PositionSeconds 61, thumb at 57
    service.clearLog();
    form->Picture5_MouseDown(forms::MouseButton::Left, 0, 5, 5);
    EXPECT_TRUE(form->SeekDragging);
    EXPECT_EQ(SliderMod::SliderMax, 250);
    EXPECT_EQ(form->PressPositionMs, 61250);
    // Playback goes on while the thumb is held: the timer reads a later second and leaves
    // the held thumb alone.
    service.answer("status MYPLAYER position", 0, "63000");
    form->Timer1_Timer();
    EXPECT_EQ(form->Picture5->x(), 57);
    // 29 pixels to the left: left 28 of a 233-pixel travel -> 28 * 250 / 233 = 30.04.
    form->Picture5_MouseMove(forms::MouseButton::Left, 0, -24, 5);
    EXPECT_EQ(form->Picture5->x(), 28);
    EXPECT_EQ(SliderMod::SliderValue, 30);
    form->Picture5_MouseUp(forms::MouseButton::Left, 0, -24, 5);
    EXPECT_TRUE(contains(service.texts(), "seek MYPLAYER to 30250"));
    EXPECT_TRUE(contains(service.texts(), "play MYPLAYER from 30250"));
    EXPECT_FALSE(form->SeekDragging);
    EXPECT_FALSE(SliderMod::SliderDragging);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Form1Test, thumbClickWithoutADrag_leavesPlaybackWhereItIs) {
    answerPlaying();
    playFile("clip.avi");
    form->Timer1_Timer();
    // A drag first, so that a stale slider value is there to be misused.
    form->Picture5_MouseDown(forms::MouseButton::Left, 0, 5, 5);
    form->Picture5_MouseMove(forms::MouseButton::Left, 0, 105, 5);
    form->Picture5_MouseUp(forms::MouseButton::Left, 0, 105, 5);
    form->Timer1_Timer();
    service.clearLog();
    // Left click, a move without a button (hovering), right click: none seeks.
    form->Picture5_MouseDown(forms::MouseButton::Left, 0, 5, 5);
    form->Picture5_MouseUp(forms::MouseButton::Left, 0, 5, 5);
    form->Picture5_MouseMove(0, 0, 8, 5);
    form->Picture5_MouseDown(forms::MouseButton::Right, 0, 8, 5);
    form->Picture5_MouseMove(forms::MouseButton::Right, 0, 60, 5);
    form->Picture5_MouseUp(forms::MouseButton::Right, 0, 60, 5);
    EXPECT_FALSE(contains(service.texts(), "seek MYPLAYER"));
    EXPECT_FALSE(contains(service.texts(), "play MYPLAYER"));
    EXPECT_FALSE(form->SeekDragging);
    EXPECT_FALSE(SliderMod::SliderDragging);
    // The timer moves the thumb again.
    service.answer("status MYPLAYER position", 0, "150000");
    form->Timer1_Timer();
    EXPECT_EQ(form->Picture5->x(), 140);  // 150 / 250 of 233 = 139.8
}

TEST_F(Form1Test, thumbPressWithAnUnreadableLength_showsTheScrolldownBoxAndSeeksNowhere) {
    playFile("clip.avi");
    service.answer("status MYPLAYER length", 0, "9999999999999");
    service.clearLog();
    form->Picture5_MouseDown(forms::MouseButton::Left, 0, 5, 5);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "scrolldown");
    EXPECT_EQ(boxes[0].prompt, "Overflow");
    EXPECT_EQ(boxes[0].buttons, forms::MsgBoxIcon::Critical);
    EXPECT_EQ(SliderMod::LastError.number, 0);  // cleared once shown
    form->Picture5_MouseMove(forms::MouseButton::Left, 0, 60, 5);
    form->Picture5_MouseUp(forms::MouseButton::Left, 0, 60, 5);
    EXPECT_FALSE(contains(service.texts(), "seek MYPLAYER"));
    EXPECT_FALSE(SliderMod::SliderDragging);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Form1Test, clicksOnTheVideo_pauseAndResume_andANewFileStartsUnpaused) {
    playFile("first.avi");
    service.clearLog();
    form->Picture2_Click();
    form->Picture2_Click();
    form->Picture2_Click();
    EXPECT_EQ(withoutCdProbe(service.texts()),
              (std::vector<std::string>{"pause MYPLAYER wait", "resume MYPLAYER",
                                        "pause MYPLAYER wait"}));
    // Left paused; the next file plays, and the first click on it pauses it.
    playFile("second.avi");
    service.clearLog();
    form->Picture2_Click();
    EXPECT_EQ(withoutCdProbe(service.texts()), std::vector<std::string>{"pause MYPLAYER wait"});
    // "Play" restarts the file: playing, so again the first click pauses.
    form->Picture3_MouseUp(CommandButton::Play, forms::MouseButton::Left, 0, 0, 0);
    service.clearLog();
    form->Picture2_Click();
    EXPECT_EQ(withoutCdProbe(service.texts()), std::vector<std::string>{"pause MYPLAYER wait"});
}

// The names the dialog lists in its folder once it has read at least `atLeast` of them.
QStringList listedNames(QFileDialog& d, int atLeast) {
    auto* list = d.findChild<QListView*>("listView");
    if (list == nullptr) return {};
    for (int i = 0; i < 500 && list->model()->rowCount(list->rootIndex()) < atLeast; ++i)
        QTest::qWait(10);
    QTest::qWait(50);
    QStringList names;
    for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
        names << list->model()->index(r, 0, list->rootIndex()).data().toString();
    return names;
}

TEST_F(Form1Test, ouvrir_stopsTheFileShowsTheDialogAndPlaysTheChoice_cancelReplaysTheLast) {
    playFile("old.avi");
    const std::string chosen = appFolder + "/choisi.mpg";
    for (const std::string& name : {chosen, appFolder + "/vacances.mp4",
                                    appFolder + "/TELEPHONE.MP4", appFolder + "/notes.txt"})
        QFile(QString::fromStdString(name)).open(QIODevice::WriteOnly);
    service.clearLog();
    QString title, filter;
    QStringList listed;
    bool picPeaceInside = false;
    std::vector<std::string> sentBeforeTheDialog;
    CDialogEX::SetShownHook([&](QFileDialog& d) {
        sentBeforeTheDialog = withoutCdProbe(service.texts());
        title = d.windowTitle();
        filter = d.nameFilters().join(u'|');
        // Chosen before the list is read: once the name field has the focus, selectFile no
        // longer writes into it.
        d.selectFile(QString::fromStdString(chosen));
        listed = listedNames(d, 5);
        picPeaceInside = form->picPEACE->parentWidget() == &d && form->picPEACE->isVisible();
        static_cast<QDialog&>(d).accept();
    });
    form->Picture3_MouseUp(CommandButton::Open, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_EQ(sentBeforeTheDialog, (std::vector<std::string>{"stop MYPLAYER", "close MYPLAYER"}));
    EXPECT_EQ(title, "Ouvrir un fichier vidéo");
    EXPECT_TRUE(filter.startsWith("Fichiers vidéo (") && filter.contains("Autre Mov") &&
                filter.contains("Tous les fichiers"))
        << filter.toStdString();
    // The first pair, shown first, lists today's video files too, whatever their case.
    listed.sort();
    EXPECT_EQ(listed,
              QStringList({"Capture", "TELEPHONE.MP4", "choisi.mpg", "old.avi", "vacances.mp4"}));
    EXPECT_TRUE(picPeaceInside);
    EXPECT_TRUE(form->picPEACE->isHidden());
    EXPECT_EQ(form->CurrentFile, chosen);
    const auto texts = service.texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.rfind("open " + chosen + " type MPEGVideo", 0) == 0;
    })) << texts.size();
    EXPECT_TRUE(contains(texts, "play MYPLAYER"));
    EXPECT_TRUE(form->Playing);
    EXPECT_TRUE(form->Timer1.Enabled());

    // Cancel: the dialog keeps its last choice, which plays again from the start. It opens
    // where that file was chosen.
    service.clearLog();
    QString openedIn;
    CDialogEX::SetShownHook([&](QFileDialog& d) {
        openedIn = d.directory().absolutePath();
        d.reject();
    });
    form->Picture3_MouseUp(CommandButton::Open, forms::MouseButton::Left, 0, 0, 0);
    CDialogEX::SetShownHook({});
    EXPECT_EQ(form->CurrentFile, chosen);
    EXPECT_TRUE(contains(service.texts(), "open " + chosen));
    EXPECT_TRUE(contains(service.texts(), "seek MYPLAYER to 0"));
    EXPECT_EQ(openedIn, QDir(QString::fromStdString(appFolder)).absolutePath());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Form1Test, capturerWhenTheFrameCannotBeCopied_showsTheCaptureErrorBoxAndSavesNothing) {
    answerPlaying();
    service.answer("status VideoCapture position", 0, "61000");
    playFile("clip.avi");
    // A video area too large for any picture in memory: the copy fails.
    form->Picture2->resize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    form->Picture3_MouseUp(CommandButton::Capture, forms::MouseButton::Left, 0, 0, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "CAPTURE ERROR");
    EXPECT_EQ(boxes[0].prompt, "521=  Can't open Clipboard");
    EXPECT_EQ(boxes[0].buttons, forms::MsgBoxButtons::OkOnly);
    EXPECT_EQ(boxes[1].title, "Erreur");
    EXPECT_TRUE(boxes[1].prompt.contains("0 image(s)")) << boxes[1].prompt.toStdString();
    EXPECT_TRUE(fs::is_empty(appFolder + "/Capture"));
    EXPECT_FALSE(CaptureRunInProgress(*form));
}

TEST_F(Form1Test, countButtons_runFromOneTo99AndStopAtBothEnds) {
    EXPECT_EQ(form->Label2->Caption(), "1");
    form->Picture7_MouseDown(0, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_TRUE(form->Timer2.Enabled());
    EXPECT_EQ(form->Picture7[0]->picture().image, form->Picture7[2]->picture().image);
    form->Timer2_Timer();
    EXPECT_EQ(form->Label2->Caption(), "1");  // 0 -> 1 on the first tick
    for (int i = 0; i < 120; ++i) form->Timer2_Timer();
    EXPECT_EQ(form->Label2->Caption(), "99");
    form->Picture7_MouseUp(0, forms::MouseButton::Left, 0, 0, 0);
    EXPECT_FALSE(form->Timer2.Enabled());
    EXPECT_EQ(form->Picture7[0]->picture().image, form->Picture7[1]->picture().image);
    form->Picture7_MouseDown(3, forms::MouseButton::Right, 0, 0, 0);
    form->Timer2_Timer();
    EXPECT_EQ(form->Label2->Caption(), "98");
    for (int i = 0; i < 120; ++i) form->Timer2_Timer();
    EXPECT_EQ(form->Label2->Caption(), "1");
    form->Picture7_MouseUp(3, forms::MouseButton::Right, 0, 0, 0);
    EXPECT_EQ(form->Picture7[3]->picture().image, form->Picture7[4]->picture().image);
}

// The real command-string service playing a generated video in the window.
TEST(Form1RealServiceTest, openedVideo_playsInPicture1AndTheTimerFollowsIt) {
    test::qtApp();
    forms::installWindowLayer();
    const std::string clip = test::fixture("clock.mp4");
    ASSERT_FALSE(clip.empty());
    const std::string app = test::makeTempDir("form1-real");
    std::vector<forms::MessageBoxRequest> boxes;
    forms::setMessageBoxAnswerer([&](const forms::MessageBoxRequest& r) {
        boxes.push_back(r);
        return forms::MsgBoxAnswer::Ok;
    });
    {
        Form1 form(Form1::Options{app});
        form.show();
        form.CurrentFile = clip;
        form.PlayCurrentFile();
        // A child of Picture1 shows the video.
        QWidget* video = nullptr;
        for (int i = 0; i < 500 && video == nullptr; ++i) {
            for (QWidget* w : form.Picture1->findChildren<QWidget*>())
                if (w->isVisible()) video = w;
            QTest::qWait(10);
        }
        ASSERT_NE(video, nullptr);
        EXPECT_EQ(video->geometry(), QRect(0, 0, 489, 372));
        // Wait until the picture in Picture1 is a frame of the clip (stripes), not the blue.
        int frame = -1;
        for (int i = 0; i < 500 && frame < 0; ++i) {
            QTest::qWait(10);
            const QImage shot =
                form.Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32);
            frame = test::decodeFrameNumber(reinterpret_cast<const uint32_t*>(shot.constBits()),
                                            shot.width(), shot.height(), shot.width());
        }
        EXPECT_GE(frame, 0);
        form.Timer1_Timer();
        EXPECT_TRUE(boxes.empty());
        EXPECT_TRUE(form.Timer1.Enabled());
        // Seek by the thumb to about second 10 and read it back at the next tick.
        form.Picture5_MouseDown(forms::MouseButton::Left, 0, 1, 1);
        EXPECT_EQ(SliderMod::SliderMax, 20);
        form.Picture5_MouseMove(forms::MouseButton::Left, 0, 1 + 116.5 - form.Picture5->x(), 1);
        form.Picture5_MouseUp(forms::MouseButton::Left, 0, 1, 1);
        form.Timer1_Timer();
        const int shown = std::stoi(form.Label3->Caption().mid(3).toStdString());
        EXPECT_GE(shown, 9);
        EXPECT_LE(shown, 12);
        form.StopMedia();
    }
    forms::setMessageBoxAnswerer({});
    fs::remove_all(app);
}

}  // namespace
}  // namespace stillmar
