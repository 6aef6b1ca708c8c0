#include "main_window/desktop_input.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdint>

#include "capture/string_mod.h"
#include "main_window/copy_frame.h"
#include "main_window/form1.h"
#include "open_dialog/cdialog_ex.h"
#include "platform/forms/busy_pointer.h"
#include "platform/forms/mouse.h"
#include "platform/runtime/text.h"

namespace stillmar {

namespace {

// The command button a key stands for, or -1.
int buttonForKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter))
        return CommandButton::Capture;
    if (mods == Qt::ControlModifier && key.key() == Qt::Key_O) return CommandButton::Open;
    if (mods == Qt::ControlModifier && key.key() == Qt::Key_Q) return CommandButton::Quit;
    return -1;
}

// The frames a step key moves by, or 0. A French keyboard gives "." with Shift.
int32_t stepForKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::NoModifier) return 0;
    if (key.key() == Qt::Key_Period) return 1;
    if (key.key() == Qt::Key_Comma) return -1;
    return 0;
}

}  // namespace

DesktopInput::DesktopInput(Form1& form) : QObject(&form), form_(form) {
    form.setAcceptDrops(true);
    // Keys go to whichever control has the focus (the "Titre" box takes Space for itself), so
    // the whole application is watched and only this window's events are taken.
    qApp->installEventFilter(this);
}

std::string DesktopInput::DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isDir()) continue;
        return path.toStdString();
    }
    return {};
}

void PlayChosenFile(Form1& form, const std::string& path) {
    form.StopMedia();
    CDialogEX::LastFileName = CDialogEX::DialogOutcome(QString::fromStdString(path));
    form.CurrentFile = StringMod::TrimAtNull(CDialogEX::LastFileName.toStdString());
    form.PlayCurrentFile();
}

bool DesktopInput::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            break;
        default:
            return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != &form_) return false;

    switch (event->type()) {
        case QEvent::KeyPress:
            return keyPress(static_cast<const QKeyEvent&>(*event));
        case QEvent::KeyRelease:
            return keyRelease(static_cast<const QKeyEvent&>(*event));
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (DroppedFile(drag->mimeData()).empty())
                drag->ignore();
            else
                drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::string path = DroppedFile(drop->mimeData());
            if (path.empty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // Played once the drop is answered: the file manager waits for the answer, and an
            // open may take a moment.
            QPointer<Form1> form(&form_);
            QTimer::singleShot(0, &form_, [form, path] {
                if (form) PlayChosenFile(*form, path);
            });
            return true;
        }
        default:
            return false;
    }
}

bool DesktopInput::keyPress(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (const int button = buttonForKey(key); button >= 0) {
        if (!key.isAutoRepeat() && heldButton_ < 0) {
            heldButton_ = button;
            heldKey_ = key.key();
            form_.Picture3_MouseDown(button, forms::MouseButton::Left, 0, 0, 0);
        }
        return true;
    }
    if (const int32_t frames = stepForKey(key); frames != 0) {
        if (key.isAutoRepeat()) {
            repeatStep(frames);
        } else {
            stepWaiting_ = false;
            stepFrame(frames);
        }
        return true;
    }
    if (mods == Qt::ControlModifier && key.key() == Qt::Key_C) {
        if (!key.isAutoRepeat()) CopyShownFrame(form_);
        return true;
    }
    if (mods != Qt::NoModifier) return false;
    switch (key.key()) {
        case Qt::Key_Space:
            if (!key.isAutoRepeat()) form_.Picture2_Click();
            return true;
        case Qt::Key_Left:
            seekBy(-kSeekStepMs);
            return true;
        case Qt::Key_Right:
            seekBy(kSeekStepMs);
            return true;
        case Qt::Key_Home:
            if (!key.isAutoRepeat()) seekTo(0);
            return true;
        default:
            return false;
    }
}

bool DesktopInput::keyRelease(const QKeyEvent& key) {
    if (heldButton_ >= 0 && key.key() == heldKey_) {
        // The modifier may be let go first: the release of the key itself ends the press.
        if (key.isAutoRepeat()) return true;
        const int button = heldButton_;
        heldButton_ = -1;
        heldKey_ = 0;
        form_.Picture3_MouseUp(button, forms::MouseButton::Left, 0, 0, 0);
        return true;
    }
    if (stepForKey(key) != 0) {
        if (!key.isAutoRepeat()) stepWaiting_ = false;
        return true;
    }
    switch (key.key()) {
        case Qt::Key_Space:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
            // Taken with its press, so the "Titre" box never sees half a key.
            return (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        default:
            return false;
    }
}

// Through the seek the thumb uses (seek, then play from there); a paused video
// is paused again at its new place so the pause toggle stays true.
void DesktopInput::seekTo(int64_t targetMs) {
    if (!form_.Playing) return;
    const double length = rt::leadingNumber(form_.Player.LENGTHFORMAT(TimeText::DeviceUnits));
    if (!(length > 0)) return;  // nothing open, or nothing to move in
    const int64_t last = static_cast<int64_t>(std::min<double>(length, INT32_MAX));
    const int64_t target = std::clamp<int64_t>(targetMs, 0, last);
    const forms::BusyPointer busy;
    form_.Player.setCommand(PlayerCommand::SeekAndPlay, "", static_cast<int32_t>(target));
    if (form_.Paused) form_.Player.setCommand(PlayerCommand::Pause, "", 0);
}

// A playing video pauses on the frame it shows, and that is all the first press does; a
// held one moves by a frame, and Space then plays on from there.
void DesktopInput::stepFrame(int32_t frames) {
    if (!form_.Playing) return;
    if (form_.Player.getStatusInfo(PlayerStatus::Mode) == "playing") {
        form_.Paused = true;
        form_.Player.setCommand(PlayerCommand::Pause, "", 0);
    } else {
        form_.Player.StepFrames(frames);
        form_.Paused = true;
    }
    // The time and the thumb show the new position now rather than at the next tick.
    if (form_.Timer1.Enabled()) form_.Timer1_Timer();
}

void DesktopInput::repeatStep(int32_t frames) {
    if (stepWaiting_) return;
    stepWaiting_ = true;
    QTimer::singleShot(0, this, [this, frames] {
        if (!stepWaiting_) return;
        stepWaiting_ = false;
        stepFrame(frames);
    });
}

void DesktopInput::seekBy(int32_t deltaMs) {
    if (!form_.Playing) return;
    const double position = rt::leadingNumber(form_.Player.getStatusInfo(PlayerStatus::PositionMs));
    seekTo(static_cast<int64_t>(position) + deltaMs);
}

}  // namespace stillmar
