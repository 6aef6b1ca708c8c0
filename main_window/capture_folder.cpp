#include "main_window/capture_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "capture/add_backslash.h"
#include "platform/forms/message_box.h"

namespace stillmar {

std::string CaptureFolder;

namespace {

// Creates the folder when missing and proves that a file can be written in it.
bool usable(const QString& folder) {
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) return false;
    QTemporaryFile probe(folder + QStringLiteral("/.stillmar-XXXXXX"));
    return probe.open();
}

}  // namespace

std::string FallbackCaptureFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) pictures = QDir::homePath();
    return CapMod::AddBackslash(pictures.toStdString()) + "Stillmar/Capture";
}

std::string PrepareCaptureFolder(const std::string& applicationFolder) {
    static bool told = false;
    const std::string beside = CapMod::AddBackslash(applicationFolder) + "Capture";
    if (usable(QString::fromStdString(beside))) {
        CaptureFolder = beside;
        return CaptureFolder;
    }
    CaptureFolder = FallbackCaptureFolder();
    const bool ok = usable(QString::fromStdString(CaptureFolder));
    if (!told) {
        told = true;
        const QString text =
            ok ? QStringLiteral(
                     "Le dossier \"%1\" ne peut pas être créé ou modifié.\n"
                     "Les images capturées seront enregistrées dans \"%2\".")
                     .arg(QString::fromStdString(beside), QString::fromStdString(CaptureFolder))
               : QStringLiteral("Ni \"%1\" ni \"%2\" ne peuvent recevoir les images capturées.")
                     .arg(QString::fromStdString(beside), QString::fromStdString(CaptureFolder));
        forms::MsgBox(text, ok ? forms::MsgBoxIcon::Information : forms::MsgBoxIcon::Exclamation);
    }
    return CaptureFolder;
}

}  // namespace stillmar
