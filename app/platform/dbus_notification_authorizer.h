#pragma once
// freedesktop notifications need no authorisation; asking means waking the notification
// service (D-Bus activation) so the first notification is not lost. No bus: nothing.

#include "app/platform/notification_authorizer.h"

namespace quillon {

class DbusNotificationAuthorizer : public NotificationAuthorizer {
public:
    void requestAuthorization() override;
};

}  // namespace quillon
