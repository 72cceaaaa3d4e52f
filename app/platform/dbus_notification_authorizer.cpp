#include "app/platform/dbus_notification_authorizer.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace quillon {

void DbusNotificationAuthorizer::requestAuthorization() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // Sent without waiting: the reply is not needed.
    bus.send(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                 QStringLiteral("/org/freedesktop/Notifications"),
                                                 QStringLiteral("org.freedesktop.Notifications"),
                                                 QStringLiteral("GetServerInformation")));
}

}  // namespace quillon
