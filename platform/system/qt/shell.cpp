#include "platform/system/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace stillmar::sys {

namespace {

ShellHook& hook() {
    static ShellHook h;
    return h;
}

// "c:" style single letters are not schemes; "mailto:" and "https:" are.
QUrl toUrl(const QString& target) {
    QUrl url(target, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1) return url;
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}

}  // namespace

bool shellOpen(const QString& target, const QString& directory) {
    if (target.isEmpty()) return false;
    if (hook()) return hook()(ShellRequest{ShellRequest::Kind::Open, target, directory});
    return QDesktopServices::openUrl(toUrl(target));
}

bool shellStart(const QString& program) {
    if (program.isEmpty()) return false;
    if (hook()) return hook()(ShellRequest{ShellRequest::Kind::Start, program, {}});
    return QProcess::startDetached(program, {});
}

void setShellHook(ShellHook h) {
    hook() = std::move(h);
}

}  // namespace stillmar::sys
