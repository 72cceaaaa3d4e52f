#pragma once
// The desktop services the application state uses, behind small interfaces so tests
// can put recording stand-ins where no real service can run.

#include <memory>

#include "app/platform/directory_opener.h"
#include "app/platform/login_item.h"
#include "app/platform/notification_authorizer.h"
#include "app/platform/terminal_host.h"

namespace quillon {

struct AppPlatform {
    std::shared_ptr<TerminalHost> terminals;
    std::shared_ptr<LoginItem> loginItem;
    std::shared_ptr<DirectoryOpener> directories;
    std::shared_ptr<NotificationAuthorizer> notifications;

    // This desktop's implementations (Linux: PATH lookup, XDG autostart, QDesktopServices,
    // freedesktop notifications over D-Bus).
    static AppPlatform native();
};

}  // namespace quillon
