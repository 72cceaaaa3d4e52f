#include "app/platform/app_platform.h"

#include <QCoreApplication>

#include "app/platform/dbus_notification_authorizer.h"
#include "app/platform/desktop_directory_opener.h"
#include "app/platform/linux_terminal_host.h"
#include "app/platform/xdg_autostart_login_item.h"

namespace quillon {

AppPlatform AppPlatform::native() {
    const Environment environment = L10n::processEnvironment();
    const QString executable = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    return AppPlatform{
        std::make_shared<LinuxTerminalHost>(environment),
        std::make_shared<XdgAutostartLoginItem>(XdgAutostartLoginItem::defaultDirectory(environment),
                                                executable.toStdString()),
        std::make_shared<DesktopDirectoryOpener>(),
        std::make_shared<DbusNotificationAuthorizer>(),
    };
}

}  // namespace quillon
