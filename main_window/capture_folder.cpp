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

// The folders an installed copy runs from. Such a copy keeps its captures in the user's
// pictures folder even when it could write beside itself (run as root), so that nothing is
// ever written among the system's programs.
bool isSystemProgramFolder(const std::string& folder) {
    const QString f = QDir::cleanPath(QString::fromStdString(folder));
    for (const char* system : {"/bin", "/usr/bin", "/usr/local/bin", "/usr/games",
                               "/usr/local/games", STILLMAR_INSTALL_BINDIR})
        if (f == QDir::cleanPath(QString::fromUtf8(system))) return true;
    return false;
}

}  // namespace

std::string FallbackCaptureFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) pictures = QDir::homePath();
    return CapMod::AddBackslash(pictures.toStdString()) + "Stillmar/Capture";
}

std::string PrepareCaptureFolder(const std::string& applicationFolder) {
    static bool told = false;
    const bool installed = isSystemProgramFolder(applicationFolder);
    const QString beside =
        QString::fromStdString(CapMod::AddBackslash(applicationFolder) + "Capture");
    if (!installed && usable(beside)) {
        CaptureFolder = beside.toStdString();
        return CaptureFolder;
    }
    CaptureFolder = FallbackCaptureFolder();
    const QString fallback = QString::fromStdString(CaptureFolder);
    const bool ok = usable(fallback);
    if (!told && !(installed && ok)) {
        told = true;
        QString text;
        if (ok)
            text = QStringLiteral(
                       "Le dossier \"%1\" ne peut pas être créé ou modifié.\n"
                       "Les images capturées seront enregistrées dans \"%2\".")
                       .arg(beside, fallback);
        else if (installed)
            text = QStringLiteral("Le dossier \"%1\" ne peut pas recevoir les images capturées.")
                       .arg(fallback);
        else
            text = QStringLiteral("Ni \"%1\" ni \"%2\" ne peuvent recevoir les images capturées.")
                       .arg(beside, fallback);
        forms::MsgBox(text, ok ? forms::MsgBoxIcon::Information : forms::MsgBoxIcon::Exclamation);
    }
    return CaptureFolder;
}

}  // namespace stillmar
