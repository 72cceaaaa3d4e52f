#include "app/platform/app_platform.h"

#include <unistd.h>

#include <QCoreApplication>

#include "app/platform/dbus_notification_authorizer.h"
#include "app/platform/desktop_directory_opener.h"
#include "app/platform/linux_terminal_host.h"
#include "app/platform/xdg_autostart_login_item.h"

namespace quillon {

namespace {

// The installed program when there is one (a build tree comes and goes), else this one.
std::string programToStartAtLogin() {
    const std::string installed = QUILLON_INSTALLED_PROGRAM;
    if (::access(installed.c_str(), X_OK) == 0) return installed;
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath().toStdString() : installed;
}

}  // namespace

AppPlatform AppPlatform::native() {
    const Environment environment = L10n::processEnvironment();
    return AppPlatform{
        std::make_shared<LinuxTerminalHost>(environment),
        std::make_shared<XdgAutostartLoginItem>(XdgAutostartLoginItem::defaultDirectory(environment),
                                                programToStartAtLogin()),
        std::make_shared<DesktopDirectoryOpener>(),
        std::make_shared<DbusNotificationAuthorizer>(),
    };
}

}  // namespace quillon
