#pragma once
// The main window's keyboard and dropped files, as desktop users expect them. Each key goes
// through the handler a click on the same control runs, so it does exactly what the click does:
//   Space        pause / resume (a click on the video)
//   Left, Right  5 s back / forward;  Home  back to the start
//   . and ,      one frame forward / back (a playing video first pauses on the frame shown);
//                held down, they repeat
//   Ctrl+C       the frame shown onto the clipboard, at the video's own size (copy_frame.h)
//   Ctrl+O "Ouvrir", Ctrl+Q "Quitter", Return "Capturer": the button's face sinks on the
//   press and its action runs on the release, as with the mouse.
// A local file dropped on the window plays as if chosen with "Ouvrir" (of several, the first);
// anything else dropped is refused.

#include <QObject>
#include <string>

class QDropEvent;
class QKeyEvent;
class QMimeData;

namespace stillmar {

class Form1;

class DesktopInput : public QObject {
    Q_OBJECT
  public:
    // Becomes a child of `form` and watches the events of its whole window.
    explicit DesktopInput(Form1& form);

    // The first local file (not a folder) among dropped URLs; empty when there is none.
    static std::string DroppedFile(const QMimeData* data);

    static constexpr int kSeekStepMs = 5000;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool keyPress(const QKeyEvent& key);
    bool keyRelease(const QKeyEvent& key);
    void seekTo(int64_t targetMs);
    void seekBy(int32_t deltaMs);
    void stepFrame(int32_t frames);
    // A held key's repeats come faster than a step may take: one step waits at a time, and
    // the key's release drops it, so the video stops where the key was let go.
    void repeatStep(int32_t frames);

    Form1& form_;
    // The command button held down by a key (-1: none) and that key.
    int heldButton_ = -1;
    int heldKey_ = 0;
    bool stepWaiting_ = false;
};

// Plays `path` as the open-file flow does after the dialog: the current file is stopped and
// closed, the path becomes the dialog's last choice and the current file, and it plays.
void PlayChosenFile(Form1& form, const std::string& path);

}  // namespace stillmar
