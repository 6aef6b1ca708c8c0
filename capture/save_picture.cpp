#include "capture/save_picture.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <cerrno>
#include <cstring>

#include "platform/system/bmp_file.h"

namespace stillmar::CapMod {
namespace {

// The bitmap writer's reason, in the user's words.
QString frenchReason(const sys::BmpError& error) {
    switch (error.kind) {
        case sys::BmpError::Kind::None:
            return QString();
        case sys::BmpError::Kind::EmptyImage:
            return QStringLiteral("image vide");
        case sys::BmpError::Kind::TooLarge:
            return QStringLiteral("image trop grande");
        case sys::BmpError::Kind::System:
            break;
    }
    static const struct {
        int code;
        const char* text;
    } known[] = {
        {ENOENT, "le dossier n'existe pas"},
        {ENOTDIR, "le chemin du dossier passe par un fichier"},
        {EACCES, "accès refusé"},
        {EPERM, "opération non permise"},
        {EROFS, "le support est en lecture seule"},
        {ENOSPC, "le disque est plein"},
        {EDQUOT, "le quota de disque est atteint"},
        {EISDIR, "un dossier porte ce nom"},
        {EIO, "erreur d'entrée/sortie"},
        {ENAMETOOLONG, "le nom est trop long"},
    };
    for (const auto& k : known)
        if (error.systemError == k.code) return QString::fromUtf8(k.text);
    // Anything rarer in the system's own words.
    return QString::fromStdString(std::strerror(error.systemError));
}

void setReason(QString* reason, const QString& text) {
    if (reason != nullptr) *reason = text;
}

}  // namespace

QString SystemReason(int systemError) {
    return frenchReason(sys::BmpError{sys::BmpError::Kind::System, systemError});
}

bool SavePicture(const QImage& picture, const std::string& path, QString* reason,
                 sys::FileFinisher* finisher) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        setReason(reason, QStringLiteral("l'image est vide"));
        return false;
    }
    const QFileInfo folder(QFileInfo(QString::fromStdString(path)).absolutePath());
    if (!folder.exists()) {
        setReason(reason, QStringLiteral("le dossier « %1 » n'existe pas").arg(folder.filePath()));
        return false;
    }
    if (!folder.isDir()) {
        setReason(reason,
                  QStringLiteral("« %1 » est un fichier, pas un dossier").arg(folder.filePath()));
        return false;
    }
    const QImage rgb = picture.format() == QImage::Format_RGB32
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    sys::BmpError error;
    if (!sys::writeBmp24(path, rgb.width(), rgb.height(),
                         reinterpret_cast<const uint32_t*>(rgb.constBits()),
                         static_cast<int32_t>(rgb.bytesPerLine() / 4), &error, finisher)) {
        setReason(reason, frenchReason(error));
        return false;
    }
    return true;
}

bool SaveClipboardPicture(const std::string& path, QString* reason, sys::FileFinisher* finisher) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QImage picture = clipboard != nullptr ? clipboard->image() : QImage();
    if (picture.isNull()) {
        setReason(reason, QStringLiteral("le presse-papiers ne contient pas d'image"));
        return false;
    }
    return SavePicture(picture, path, reason, finisher);
}

}  // namespace stillmar::CapMod
