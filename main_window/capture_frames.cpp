// Form1: the capture run of the "Capturer" button.

#include "main_window/capture_frames.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

#include "capture/add_backslash.h"
#include "capture/cap_mod.h"
#include "capture/save_picture.h"
#include "main_window/capture_folder.h"
#include "main_window/form1.h"
#include "platform/forms/handles.h"
#include "platform/forms/message_box.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/text.h"
#include "platform/system/file_finisher.h"

namespace stillmar {
namespace {

// For the length of a run: the form is marked busy, its title shows the progress and the
// pointer is the busy one; all of it is undone however the run ends, and the last still frame
// is taken off Picture2, which lies over the playing video.
class RunScope {
  public:
    explicit RunScope(Form1& form) : form_(&form), title_(form.windowTitle()) {
        form.CaptureRunning = true;
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    ~RunScope() {
        QApplication::restoreOverrideCursor();
        // A window closed during the run is gone with its mark.
        if (!form_) return;
        form_->CaptureRunning = false;
        form_->setWindowTitle(title_);
        form_->Picture2->Cls();
        form_->Picture2->setPicture(forms::Picture());
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    void progress(int32_t k, int32_t n) {
        if (form_) form_->setWindowTitle(title_ + QStringLiteral(" — Capture %1/%2").arg(k).arg(n));
    }

  private:
    QPointer<Form1> form_;
    QString title_;
};

double captionValue(const forms::Label& label) {
    return rt::leadingNumber(label.Caption().toStdString());
}

// The still-frame device stands at `second`: a seek that failed, or was cut short at the end of
// the media, leaves it elsewhere.
bool standsAt(TALVEplayer& player, int32_t second) {
    const double ms = rt::leadingNumber(player.getStatusInfo(PlayerStatus::PositionMs));
    return std::abs(ms - second * 1000.0) <= 500.0;
}

// Whether `second` lies past the end of the still-frame device's media, where a seek stops at
// the end.
bool pastTheEnd(TALVEplayer& player, int32_t second) {
    const double lengthMs =
        rt::leadingNumber(player.getStatusInfo(PlayerStatus::LengthSeconds)) * 1000.0;
    return second * 1000.0 - lengthMs > 500.0;
}

// Why the still-frame device shows no frame of `file` at `second`. Before any frame was taken
// a device without a picture means the file has none to give; otherwise that second could not
// be shown.
QString noFrameText(const std::string& file, bool placed, int32_t second, int32_t saved) {
    const QFileInfo info(QString::fromStdString(file));
    if (!placed && saved == 0) {
        if (file.empty())
            return QStringLiteral("Aucun fichier n'est ouvert : il n'y a pas d'image à capturer.");
        return QStringLiteral("Le fichier « %1 » %2 : aucune image n'a été enregistrée.")
            .arg(info.fileName(), info.exists() ? QStringLiteral("n'a pas d'image à capturer")
                                                : QStringLiteral("est introuvable"));
    }
    return QStringLiteral(
               "La seconde %1 du fichier « %2 » n'a pas pu être affichée.\n"
               "La capture est arrêtée (%3 image(s) enregistrée(s) avant cette erreur).")
        .arg(second)
        .arg(info.fileName())
        .arg(saved);
}

// The seconds a run passed over, runs of consecutive ones written "from à to"; "" for none.
QString skippedText(const std::string& file, const std::vector<int32_t>& skipped) {
    if (skipped.empty()) return {};
    QStringList parts;
    for (std::size_t i = 0; i < skipped.size();) {
        std::size_t j = i;
        while (j + 1 < skipped.size() && skipped[j + 1] == skipped[j] + 1) ++j;
        parts << (j == i ? QString::number(skipped[i])
                         : QStringLiteral("%1 à %2").arg(skipped[i]).arg(skipped[j]));
        i = j + 1;
    }
    return QStringLiteral(
               "Seconde(s) du fichier « %1 » qui n'ont pas pu être affichées, sans image "
               "enregistrée : %2.")
        .arg(QFileInfo(QString::fromStdString(file)).fileName(), parts.join(QStringLiteral(", ")));
}

// A message, followed by the seconds passed over before it.
QString withSkipped(const QString& text, const std::string& file,
                    const std::vector<int32_t>& skipped) {
    const QString more = skippedText(file, skipped);
    return more.isEmpty() ? text : text + QStringLiteral("\n") + more;
}

// The closing message of a run that passed over seconds it could not show.
void reportSkipped(const std::string& file, const std::vector<int32_t>& skipped, int32_t saved,
                   QWidget* parent) {
    if (skipped.empty()) return;
    forms::MsgBox(
        skippedText(file, skipped) + QStringLiteral("\n%1 image(s) enregistrée(s).").arg(saved),
        forms::MsgBoxIcon::Exclamation, QStringLiteral("Capture"), parent);
}

// Opens the still-frame device on `second` inside Picture2, fills Picture2 with its window and
// pauses it. False when it has no window there: it did not open, or opened a file without a
// picture (saving Picture2 then would only save its background).
bool showStill(Form1& form, int32_t second) {
    TALVEplayer& player = form.CapturePlayer;
    player.setAliasName("VideoCapture");
    player.setFilename(form.CurrentFile);
    const int32_t h = forms::handleOf(form.Picture2);
    const double width = forms::controlWidth(*form.Picture2);
    const double height = forms::controlHeight(*form.Picture2);
    player.OpenCapture(h, second, player.Filename(), 0, 0, rt::toInt32OrRaise(width / 15),
                       rt::toInt32OrRaise(height / 15));
    int32_t putWidth = rt::toInt32OrRaise(width);
    int32_t putHeight = rt::toInt32OrRaise(height);
    const bool placed = player.PutVideoCapture(h, 0, 0, putWidth, putHeight) == "Success";
    player.setCommand(PlayerCommand::Pause, "", 0);
    return placed;
}

// Says that the run stopped on `file`, which could not be saved.
void reportSaveFailure(Form1& form, const std::string& file, const QString& reason, int32_t saved,
                       const std::vector<int32_t>& skipped) {
    forms::MsgBox(withSkipped(QStringLiteral("L'image « %1 » n'a pas pu être enregistrée : %2.\n"
                                             "La capture est arrêtée (%3 image(s) enregistrée(s) "
                                             "avant cette erreur).")
                                  .arg(QString::fromStdString(file), reason)
                                  .arg(saved),
                              form.CurrentFile, skipped),
                  forms::MsgBoxIcon::Exclamation, QStringLiteral("Erreur"), &form);
}

// Files are written on the spot and made safe on the disk by `saves` while the run goes on.
// True when none of those it finished failed; otherwise says which one and why, and takes it
// off the frames saved.
bool finishedWell(Form1& form, std::optional<sys::FileFinisher::Failure> failure, int32_t& saved,
                  const std::vector<int32_t>& skipped) {
    if (!failure) return true;
    saved = std::max(0, saved - 1);
    reportSaveFailure(form, failure->path, CapMod::SystemReason(failure->error), saved, skipped);
    return false;
}

// Saves Picture2 with the still frame as the capture of `second`; on failure says so and why.
bool saveStill(Form1& form, int32_t second, int32_t& saved, const std::vector<int32_t>& skipped,
               sys::FileFinisher& saves) {
    // The file before this one has had a whole seek's time to be finished.
    if (!finishedWell(form, saves.wait(), saved, skipped)) return false;
    CapMod::CaptureToClipboard(*form.Picture2);
    const std::string file = CapMod::AddBackslash(CaptureFolder) + "Capture" +
                             std::to_string(rt::sub32(second, 1)) + ".bmp";
    QString reason;
    if (CapMod::SaveClipboardPicture(file, &reason, &saves)) return true;
    reportSaveFailure(form, file, reason, saved, skipped);
    return false;
}

void reportStopped(Form1& form, const std::exception& e) {
    const auto* error = dynamic_cast<const rt::RuntimeError*>(&e);
    forms::MsgBox(
        QStringLiteral("La capture est arrêtée : %1")
            .arg(error != nullptr ? QString::number(error->number()) + QStringLiteral(" - ") +
                                        QString::fromStdString(error->description())
                                  : QString::fromUtf8(e.what())),
        forms::MsgBoxIcon::Exclamation, QStringLiteral("Erreur"), &form);
}

}  // namespace

bool CaptureRunInProgress(const Form1& form) {
    return form.CaptureRunning;
}

void Form1::CaptureFrames() {
    // Frames are taken between which pending events run; a second "Capturer" released then
    // would start a run inside this one on the same still-frame device.
    if (CaptureRunInProgress(*this)) return;
    RunScope run(*this);
    QPointer<Form1> self(this);
    const bool shown = isVisible();
    sys::FileFinisher saves;  // finishes the files left when the run ends, however it ends
    try {
        const int32_t P =
            rt::toInt32OrRaise(rt::leadingNumber(Player.POSFORMAT(TimeText::Seconds)));
        CaptureBase = rt::sub32(P, 1);
        Picture2->setVisible(true);
        Picture2->raise();
        const int16_t last = rt::toInt16OrRaise(captionValue(*Label2) - 1);
        int32_t k = 0;
        int32_t saved = 0;
        std::vector<int32_t> skipped;
        for (int32_t counter = 0; counter <= last; ++counter) {
            k = rt::add32(k, 1);
            run.progress(k, last + 1);
            const int32_t second = rt::add32(CaptureBase, k);
            const bool placed = showStill(*this, second);
            const bool there = placed && standsAt(CapturePlayer, second);
            // A second inside the media that the device cannot show (a damaged stretch) gets
            // no file: another second's picture under its name would pass for it. The run
            // goes on; past the end of the media it stops.
            if (!there && (!placed || pastTheEnd(CapturePlayer, second))) {
                forms::MsgBox(withSkipped(noFrameText(CurrentFile, placed, second, saved),
                                          CurrentFile, skipped),
                              forms::MsgBoxIcon::Exclamation, QStringLiteral("Erreur"), this);
                break;
            }
            if (!there)
                skipped.push_back(second);
            else if (saveStill(*this, second, saved, skipped, saves))
                ++saved;
            else
                break;
            // The count may have changed during the run; reading it equal to the frames
            // taken ends the run.
            if (captionValue(*Label2) == k) {
                reportSkipped(CurrentFile, skipped, saved, this);
                break;
            }
            if (counter == last) reportSkipped(CurrentFile, skipped, saved, this);

            QCoreApplication::processEvents();
            // "Quitter" during the run closes the window: nothing more is to be saved.
            if (!self || (shown && !isVisible())) return;
            CapturePlayer.setCommand(PlayerCommand::Resume, "", 0);
        }
        finishedWell(*this, saves.wait(), saved, skipped);
    } catch (const std::exception& e) {
        reportStopped(*this, e);
    }
}

}  // namespace stillmar
