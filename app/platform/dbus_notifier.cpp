#include "app/platform/dbus_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

namespace quillon {

namespace {

constexpr int authorizationTimeoutMs = 3000;

}  // namespace

DbusNotifier::DbusNotifier(QDBusConnection connection) : connection_(std::move(connection)) {}

std::shared_ptr<DbusNotifier> DbusNotifier::session() {
    static const auto instance = std::make_shared<DbusNotifier>(QDBusConnection::sessionBus());
    return instance;
}

void DbusNotifier::post(const std::string& title, const std::string& body) {
    if (!connection_.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    call << QStringLiteral("Quillon")            // app_name
         << uint(0)                               // replaces_id: always a new notification
         << QString()                             // app_icon
         << QString::fromStdString(title)         // summary
         << QString::fromStdString(body)          // body
         << QStringList()                         // actions
         << hints                                 // hints
         << int(-1);                              // expire_timeout: the server's default
    // A service may be activated on demand; the reply (its id) is not needed.
    call.setAutoStartService(true);
    connection_.asyncCall(call);
}

void DbusNotifier::checkAuthorization(std::function<void(bool)> answer) {
    if (!connection_.isConnected()) {
        if (answer) answer(false);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetServerInformation"));
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call, authorizationTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [answer = std::move(answer)](QDBusPendingCallWatcher* finished) {
                         if (answer) answer(!finished->isError());
                         finished->deleteLater();
                     });
}

}  // namespace quillon
