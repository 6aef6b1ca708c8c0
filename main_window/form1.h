#pragma once
// Form1: the main window. Controls keep their designer names; behaviour lives in handlers
// named control + event. Everything runs on the window thread.

#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "media/talve_player.h"
#include "platform/forms/controls.h"
#include "platform/forms/label.h"
#include "platform/forms/picture_box.h"
#include "platform/forms/timer.h"

namespace stillmar {

// The command buttons, by their index in Form1::Picture3.
namespace CommandButton {
inline constexpr int Capture = 0;
inline constexpr int Stop = 1;
inline constexpr int Open = 2;
inline constexpr int Quit = 3;
inline constexpr int Files = 4;
inline constexpr int About = 5;
inline constexpr int Play = 6;
inline constexpr int Count = 7;
}  // namespace CommandButton

class Form1 : public QWidget {
    Q_OBJECT
  public:
    struct Options {
        // Where the capture folder is made; empty: the program's own folder.
        std::string applicationFolder;
    };

    Form1();
    explicit Form1(Options options);
    ~Form1() override;

    // Captions of the command buttons by index; "" for any other index.
    static QString ButtonCaption(int index);
    // The open dialog's filter: six items, each followed by a NUL.
    static QString OpenFilter();

    // Controls.
    forms::PictureBox* Picture1 = nullptr;
    forms::PictureBox* Picture2 = nullptr;
    forms::Frame* Frame1 = nullptr;
    forms::CheckBox* Check1 = nullptr;
    std::array<forms::PictureBox*, CommandButton::Count> Picture3{};
    forms::PictureBox* Picture4 = nullptr;
    forms::PictureBox* Picture5 = nullptr;
    forms::PictureBox* Picture8 = nullptr;
    forms::PictureBox* Picture6 = nullptr;
    std::array<forms::PictureBox*, 6> Picture7{};
    forms::Label* Label2 = nullptr;
    forms::Label* Label3 = nullptr;
    forms::PictureBox* picPEACE = nullptr;
    forms::PictureBox* picPEACE2 = nullptr;
    forms::Timer Timer1;
    forms::Timer Timer2;

    // Window state.
    TALVEplayer Player;
    TALVEplayer CapturePlayer;
    std::string CurrentFile;
    bool Playing = false;
    bool Paused = false;
    bool ShowRemaining = false;
    bool SeekDragging = false;
    int16_t HoverIndex = 0;
    int16_t CaptureCount = 0;
    int16_t CountButtonIndex = 0;
    int32_t CaptureBase = 0;
    // A capture run is under way in this window (see CaptureRunInProgress).
    bool CaptureRunning = false;
    // Playback display and seek.
    int32_t PositionSeconds = 0;
    int32_t PressPositionMs = 0;
    int32_t LastSliderValue = 0;
    // Where the thumb stood at its press: a release elsewhere seeks.
    int32_t ThumbPressLeft = 0;

    // Start-up, layout and shared procedures.
    void Form_Load();
    void Form_Resize();
    void Form_MouseMove(int button, int shift, double x, double y);
    void StopMedia();
    void ResetButtonFaces();

    // Command buttons and file opening.
    void Picture3_MouseDown(int index, int button, int shift, double x, double y);
    void Picture3_MouseMove(int index, int button, int shift, double x, double y);
    void Picture3_MouseUp(int index, int button, int shift, double x, double y);
    void OpenFile();
    void PlayCurrentFile();
    // The capture run of the "Capturer" button (capture_frames.cpp).
    void CaptureFrames();

    // Playback display, time label and seek.
    void Timer1_Timer();
    void Timer2_Timer();
    void Label3_Click();
    void Label3_MouseMove(int button, int shift, double x, double y);
    void Picture2_Click();
    void Picture2_MouseDown(int button, int shift, double x, double y);
    void Picture2_MouseMove(int button, int shift, double x, double y);
    void Picture5_MouseDown(int button, int shift, double x, double y);
    void Picture5_MouseMove(int button, int shift, double x, double y);
    void Picture5_MouseUp(int button, int shift, double x, double y);
    void Picture7_MouseDown(int index, int button, int shift, double x, double y);
    void Picture7_MouseUp(int index, int button, int shift, double x, double y);

    static constexpr uint32_t kFaceColor = 0x00504B4B;     // RGB(75, 75, 80)
    static constexpr uint32_t kPressedColor = 0x00504734;  // RGB(52, 71, 80)
    static constexpr uint32_t kTextColor = 0x00FFFFFF;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    // The file name at the bottom right of the video area when "Titre" is checked.
    void printTitle();
    void connectEvents();

    Options options_;
};

}  // namespace stillmar
