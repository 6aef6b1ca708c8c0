#include "main_window/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>

#include "capture/conversion_twips.h"
#include "capture/string_mod.h"
#include "controls/button_mod.h"
#include "main_window/capture_folder.h"
#include "main_window/capture_frames.h"
#include "main_window/desktop_input.h"
#include "open_dialog/cdialog_ex.h"
#include "platform/forms/busy_pointer.h"
#include "platform/forms/colors.h"
#include "platform/forms/handles.h"
#include "platform/forms/mouse.h"
#include "platform/forms/screen.h"
#include "platform/runtime/numbers.h"
#include "platform/system/app_folder.h"
#include "resources/resources.h"
#include "windows/folder_view.h"
#include "windows/frm_about.h"
#include "windows/frm_fichier.h"

namespace stillmar {

using forms::PictureBox;
using forms::RGB;

namespace {

// The classic window frame the layout was designed with: 3-pixel borders and a 25-pixel
// caption. The outer size is the client size plus this frame whatever the window manager
// draws, so the layout does not depend on its decorations.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 31;

PictureBox* pictureBox(QWidget* parent, int x, int y, int w, int h, const char* image = nullptr) {
    auto* box = new PictureBox(parent);
    box->setGeometry(x, y, w, h);
    box->setBorderStyle(0);
    if (image != nullptr)
        box->setPicture(forms::Picture(resources::image(QString::fromLatin1(image))));
    return box;
}

}  // namespace

Form1::Form1() : Form1(Options{}) {}

Form1::Form1(Options options) : options_(std::move(options)) {
    buildControls();
    connectEvents();
    Form_Load();
    new DesktopInput(*this);  // keys and dropped files; owned by the window
}

Form1::~Form1() = default;

QString Form1::ButtonCaption(int index) {
    static const char* const captions[] = {"Capturer", "Stop",     "Ouvrir", "Quitter",
                                           "Fichiers", "A propos", "Play"};
    if (index < 0 || index >= CommandButton::Count) return QString();
    return QString::fromUtf8(captions[index]);
}

QString Form1::OpenFilter() {
    // The first pair ends with the video files people have today: without them a folder of
    // phone videos would look empty under "Fichiers vidéo".
    const QString today = QStringLiteral(";*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.ts;*.m2ts;*.3gp");
    const QString items[] = {
        QStringLiteral("Fichiers vidéo (*.dat;*.mpg;*.avi;*.asf;*.wmv;*.mpeg;*.divx") + today +
            u')',
        QStringLiteral("*.dat;*.mpg;*.avi;*.wmv;*.asf;*.mpeg;*.divx") + today,
        QStringLiteral("Autre Mov(*.mov)"),
        QStringLiteral("*.mov"),
        QStringLiteral("Tous les fichiers (*.*)"),
        QStringLiteral("*.*")};
    QString f;
    for (const QString& item : items) f += item + QChar(u'\0');
    return f;
}

void Form1::buildControls() {
    setWindowTitle(QStringLiteral("Stillmar"));
    setWindowIcon(QIcon(QPixmap::fromImage(resources::image(QStringLiteral("window_icon")))));
    setFont(forms::sansSerifFont());
    setMouseTracking(true);
    resize(507, 474);

    Picture1 = pictureBox(this, 8, 8, 489, 372);
    Picture1->setBackColor(RGB(0, 0, 128));
    Picture1->setScaleMode(forms::ScaleMode::Pixels);

    // In front of Picture1 and transparent where it shows only its background, so the video
    // playing in Picture1's child is seen through it while Picture2 takes the clicks and
    // shows the title.
    Picture2 = pictureBox(this, 8, 8, 489, 372);
    Picture2->setForeColor(RGB(0, 255, 0));
    Picture2->setScaleMode(forms::ScaleMode::Twips);
    Picture2->setBackgroundTransparent(true);

    Frame1 = new forms::Frame(this);
    Frame1->setGeometry(8, 392, 489, 73);
    Frame1->setBackColor(RGB(128, 128, 128));

    Check1 = new forms::CheckBox(Frame1);
    Check1->setGeometry(352, 16, 57, 17);
    Check1->setText(QStringLiteral("Titre"));
    Check1->setToolTip(QStringLiteral("Afficher le titre"));
    Check1->setBackColor(RGB(128, 128, 128));
    Check1->setForeColor(RGB(255, 255, 255));
    Check1->setFont(forms::sansSerifFont(8.25, true));
    Check1->setValue(1);

    static const QPoint buttonAt[CommandButton::Count] = {
        {96, 40}, {160, 40}, {288, 40}, {352, 40}, {416, 40}, {416, 11}, {224, 40}};
    static const char* const tips[CommandButton::Count] = {"Capture l'image en cours",
                                                           "Arrêt vidéo",
                                                           "Ouvrir un fichier vidéo et l'exécuter",
                                                           "Quitter le programme",
                                                           "Afficher les fichiers capturés",
                                                           nullptr,
                                                           nullptr};
    for (int i = 0; i < CommandButton::Count; ++i) {
        Picture3[i] = pictureBox(Frame1, buttonAt[i].x(), buttonAt[i].y(), 57, 25);
        if (tips[i] != nullptr) Picture3[i]->setToolTip(QString::fromUtf8(tips[i]));
    }

    Picture4 = pictureBox(Frame1, 96, 15, 249, 16, "track");
    Picture4->setScaleMode(forms::ScaleMode::Pixels);
    Picture5 = pictureBox(Picture4, 2, 2, 16, 13, "thumb");
    Picture5->setScaleMode(forms::ScaleMode::Pixels);

    Picture8 = pictureBox(Frame1, 8, 10, 86, 58, "display_panel");
    Picture6 = pictureBox(Picture8, 48, 32, 32, 16, "count_panel");
    Picture7[0] = pictureBox(Picture6, 1, 1, 9, 7, "count_up");
    Picture7[3] = pictureBox(Picture6, 1, 8, 9, 7, "count_down");
    static const char* const faces[6] = {nullptr, "count_up",   "count_up_pressed",
                                         nullptr, "count_down", "count_down_pressed"};
    for (int i : {1, 2, 4, 5}) {
        const int x = i == 1 ? 16 : i == 2 ? 24 : i == 4 ? 32 : 40;
        Picture7[i] = pictureBox(this, x, 384, 9, 7, faces[i]);
        Picture7[i]->hide();
    }

    Label2 = new forms::Label(Picture6);
    Label2->setGeometry(19, 1, 7, 13);
    Label2->setForeColor(RGB(255, 255, 255));
    Label2->setCentered(true);
    Label2->setAutoSize(true);
    Label2->setCaption(QStringLiteral("1"));

    Label3 = new forms::Label(Picture8);
    Label3->setGeometry(25, 14, 35, 13);
    Label3->setFont(forms::sansSerifFont(8.25, true));
    Label3->setForeColor(RGB(0, 255, 0));
    Label3->setCentered(true);
    Label3->setAutoSize(true);
    Label3->setCaption(QStringLiteral("00:00"));

    picPEACE = pictureBox(this, 16, 488, 268, 43, "peace");
    picPEACE->hide();
    picPEACE2 = pictureBox(this, 16, 536, 407, 35, "peace2");
    picPEACE2->hide();

    Timer1.setInterval(1000);
    Timer1.setEnabled(false);
    Timer2.setInterval(100);
    Timer2.setEnabled(false);
}

void Form1::connectEvents() {
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    for (int i = 0; i < CommandButton::Count; ++i) {
        connect(Picture3[i], &PictureBox::mouseDown, this,
                [this, i](int b, int s, double x, double y) { Picture3_MouseDown(i, b, s, x, y); });
        connect(Picture3[i], &PictureBox::mouseMove, this,
                [this, i](int b, int s, double x, double y) { Picture3_MouseMove(i, b, s, x, y); });
        connect(Picture3[i], &PictureBox::mouseUp, this,
                [this, i](int b, int s, double x, double y) { Picture3_MouseUp(i, b, s, x, y); });
    }
    connect(Label3, &forms::Label::click, this, [this] { Label3_Click(); });
    connect(Label3, &forms::Label::mouseMove, this,
            [this](int b, int s, double x, double y) { Label3_MouseMove(b, s, x, y); });
    connect(Picture2, &PictureBox::click, this, [this] { Picture2_Click(); });
    connect(Picture2, &PictureBox::mouseDown, this,
            [this](int b, int s, double x, double y) { Picture2_MouseDown(b, s, x, y); });
    connect(Picture2, &PictureBox::mouseMove, this,
            [this](int b, int s, double x, double y) { Picture2_MouseMove(b, s, x, y); });
    connect(Picture5, &PictureBox::mouseDown, this,
            [this](int b, int s, double x, double y) { Picture5_MouseDown(b, s, x, y); });
    connect(Picture5, &PictureBox::mouseMove, this,
            [this](int b, int s, double x, double y) { Picture5_MouseMove(b, s, x, y); });
    connect(Picture5, &PictureBox::mouseUp, this,
            [this](int b, int s, double x, double y) { Picture5_MouseUp(b, s, x, y); });
    for (int i : {0, 3}) {
        connect(Picture7[i], &PictureBox::mouseDown, this,
                [this, i](int b, int s, double x, double y) { Picture7_MouseDown(i, b, s, x, y); });
        connect(Picture7[i], &PictureBox::mouseUp, this,
                [this, i](int b, int s, double x, double y) { Picture7_MouseUp(i, b, s, x, y); });
    }
}

void Form1::Form_Load() {
    const std::string appFolder =
        options_.applicationFolder.empty() ? sys::applicationFolder() : options_.applicationFolder;
    PrepareCaptureFolder(appFolder);
    // Player and CapturePlayer exist with the window.
    Picture2->setBackColor(RGB(16, 0, 16));
    forms::setWidgetBackColor(this, RGB(128, 128, 128));
    for (int i = 0; i < CommandButton::Count; ++i)
        ButtonMod::DrawButton(*Picture3[i], ButtonMod::Bevel::RaisedFace, kFaceColor, kTextColor,
                              ButtonCaption(i), false);
    ButtonMod::DrawButton(*Picture4, ButtonMod::Bevel::RaisedFace, kFaceColor, kTextColor,
                          QString(), false);
    CDialogEX::SetDialogInsert(forms::handleOf(picPEACE), 120, 240);
    CDialogEX::SetDialogHeight(307);
}

void Form1::Form_Resize() {
    if (Picture1 == nullptr || (windowState() & Qt::WindowMinimized)) return;
    namespace conv = ConversionTwipsPixelAvecAPI;
    const int32_t W =
        rt::toInt32OrRaise(static_cast<double>(width() + kFrameWidth) * forms::twipsPerPixelX());
    const int32_t H =
        rt::toInt32OrRaise(static_cast<double>(height() + kFrameHeight) * forms::twipsPerPixelY());
    Picture1->move(8, 8);
    Picture2->move(Picture1->x(), Picture1->y());
    Picture1->resize(std::max(0, conv::TwipsToPixelsX(W) - 24), Picture1->height());
    Picture2->resize(Picture1->width(), Picture2->height());
    Picture1->resize(Picture1->width(),
                     std::max(0, conv::TwipsToPixelsY(H) - Frame1->height() - 60));
    Picture2->resize(Picture2->width(), Picture1->height());
    Frame1->move(Frame1->x(), conv::TwipsToPixelsY(H) - Frame1->height() - 40);

    // A playing video keeps filling the grown or shrunk area, its title in the new corner.
    if (Playing && !CurrentFile.empty()) {
        int32_t w = 0, h = 0;
        Player.MoveVideoTo(forms::handleOf(Picture1), 0, 0, w, h);
        Picture2->Cls();
        printTitle();
    }
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove(forms::buttonsOf(event->buttons()), forms::shiftOf(event->modifiers()),
                   event->position().x(), event->position().y());
}

// Closing the window by its frame also ends the devices: none is left playing into a window
// that is going away while the program shuts down.
void Form1::closeEvent(QCloseEvent* event) {
    StopMedia();
    CapturePlayer.CloseCapture();
    frmFichier::Unload();
    QWidget::closeEvent(event);
}

void Form1::Form_MouseMove(int, int, double, double) {
    const int i = HoverIndex;
    if (i < 0 || i >= CommandButton::Count) return;
    ButtonMod::DrawButton(*Picture3[i], ButtonMod::Bevel::RaisedFace, kFaceColor, kTextColor,
                          ButtonCaption(i), false);
}

void Form1::StopMedia() {
    Timer1.setEnabled(false);
    Player.setCommand(PlayerCommand::Stop, "", 0);
    Player.setCommand(PlayerCommand::Close, "", 0);
    Playing = false;
}

void Form1::ResetButtonFaces() {
    for (int i = 0; i < CommandButton::Count; ++i)
        ButtonMod::DrawButton(*Picture3[i], ButtonMod::Bevel::RaisedFace, kFaceColor, kTextColor,
                              ButtonCaption(i), false);
}

void Form1::Picture3_MouseDown(int index, int, int, double, double) {
    ButtonMod::DrawButton(*Picture3[index], ButtonMod::Bevel::SunkenFace, kPressedColor, kTextColor,
                          ButtonCaption(index), false);
}

void Form1::Picture3_MouseMove(int index, int, int, double, double) {
    HoverIndex = static_cast<int16_t>(index);
}

void Form1::Picture3_MouseUp(int index, int, int, double, double) {
    switch (index) {
        case CommandButton::Capture:
            // A press during a run is ignored by CaptureFrames; it must not close the
            // still-frame device under the run either.
            if (CaptureRunInProgress(*this)) break;
            CaptureFrames();
            CapturePlayer.CloseCapture();
            break;
        case CommandButton::Stop:
            StopMedia();
            break;
        case CommandButton::Open:
            OpenFile();
            break;
        case CommandButton::Quit:
            StopMedia();
            frmFichier::Unload();
            close();
            QApplication::quit();
            break;
        case CommandButton::Files: {
            const QString folder = QString::fromStdString(CaptureFolder);
            frmFichier& f = frmFichier::Default();
            f.setCaption(folder);
            f.WebBrowser1->Navigate(folder);
            f.ShowModeless();
            break;
        }
        case CommandButton::About:
            frmAbout::ShowModal(this);
            break;
        case CommandButton::Play:
            PlayCurrentFile();
            break;
        default:
            break;
    }
}

void Form1::OpenFile() {
    StopMedia();
    CDialogEX::SetDialogFilter(OpenFilter());
    QString scratch;
    CDialogEX::ShowOpenDialog(forms::handleOf(this), QString(), QString(),
                              QStringLiteral("Ouvrir un fichier vidéo"), scratch);
    if (!CDialogEX::LastFileName.isEmpty())
        CurrentFile = StringMod::TrimAtNull(CDialogEX::LastFileName.toStdString());
    PlayCurrentFile();
}

void Form1::PlayCurrentFile() {
    Picture2->Cls();
    if (!CurrentFile.empty()) {
        Player.setCommand(PlayerCommand::Stop, "", 0);
        Player.setFilename(CurrentFile);
        Player.setHwndParent(forms::handleOf(Picture1));
        {
            const forms::BusyPointer busy;
            Player.PlayMEDIAFILE(0);
        }
        // A file starts playing, never paused: the next click on the video pauses it.
        Paused = false;
        Playing = true;
        Timer1.setEnabled(true);
        printTitle();
    }
    ResetButtonFaces();
}

void Form1::printTitle() {
    const QString name = QString::fromStdString(StringMod::GetFileName(CurrentFile));
    // The window measures the name in its own pixels; the box's scale is twips.
    const QFontMetrics fm(font());
    Picture2->setCurrentX(Picture2->ScaleWidth() -
                          forms::twipsPerPixelX() * fm.horizontalAdvance(name) - 5);
    Picture2->setCurrentY(Picture2->ScaleHeight() - forms::twipsPerPixelY() * fm.height() - 5);
    if (Check1->Value() == 1) Picture2->Print(name);
}

}  // namespace stillmar
