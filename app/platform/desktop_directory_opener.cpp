#include "app/platform/desktop_directory_opener.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

namespace quillon {

bool DesktopDirectoryOpener::openDirectory(const std::string& path) {
    const QString directory = QString::fromStdString(path);
    // QDesktopServices needs the platform integration of a QGuiApplication.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QDesktopServices::openUrl(QUrl::fromLocalFile(directory));
    return QProcess::startDetached(QStringLiteral("xdg-open"), {directory});
}

}  // namespace quillon
