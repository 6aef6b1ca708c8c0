#include "main_window/copy_frame.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include "main_window/form1.h"
#include "platform/forms/message_box.h"

namespace stillmar {

void CopyShownFrame(Form1& form) {
    const auto refuse = [&form](const QString& text) {
        forms::MsgBox(text, forms::MsgBoxIcon::Exclamation, QStringLiteral("Erreur"), &form);
    };
    if (!form.Playing || form.CurrentFile.empty()) {
        refuse(QStringLiteral("Aucun fichier n'est ouvert : il n'y a pas d'image à copier."));
        return;
    }
    // A device without a video window (sound only, MIDI, a file that did not open) has no
    // picture.
    if (form.Player.getStatusInfo(PlayerStatus::WindowHandle).empty()) {
        refuse(QStringLiteral("Le fichier « %1 » n'a pas d'image à copier.")
                   .arg(QFileInfo(QString::fromStdString(form.CurrentFile)).fileName()));
        return;
    }
    // The device writes the frame as it does for "capture ... as"; the picture is read back
    // from a file of our own, gone with the folder.
    const QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("frame.bmp"));
    QString reason = QStringLiteral("pas de dossier temporaire");
    QImage image;
    if (dir.isValid()) {
        const std::string result = form.Player.CaptureFrame(bmp.toStdString());
        if (result == "Success") {
            image = QImage(bmp, "BMP");
            reason = QStringLiteral("image illisible");
        } else {
            reason = QString::fromStdString(result);
        }
    }
    if (image.isNull()) {
        refuse(QStringLiteral("L'image affichée n'a pas pu être copiée : %1").arg(reason));
        return;
    }
    QGuiApplication::clipboard()->setImage(image);
}

}  // namespace stillmar
