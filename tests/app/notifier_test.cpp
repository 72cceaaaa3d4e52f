// Notifications really go over D-Bus: a small service owning org.freedesktop.Notifications
// on the session bus (the suite runs under dbus-run-session) records what arrives.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <string>
#include <vector>

#include "app/platform/dbus_notifier.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

// Records what arrives; owns the name on a connection of its own, so calls really travel
// through the bus. Several test processes may share the bus: the name is queued for.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    NotificationService() : connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {}
    ~NotificationService() override {
        connection_.unregisterService(DbusNotifier::service);
        connection_.unregisterObject(DbusNotifier::path);
        QDBusConnection::disconnectFromBus(name);
    }
    // False when the name could not be had in time.
    bool acquire() {
        if (!connection_.isConnected() || !connection_.registerObject(DbusNotifier::path, this, QDBusConnection::ExportAllSlots))
            return false;
        auto* bus = connection_.interface();
        bus->registerService(DbusNotifier::service, QDBusConnectionInterface::QueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
        return waitUntil([&] { return bus->serviceOwner(DbusNotifier::service).value() == connection_.baseService(); },
                         15s);
    }
    // "application|replaced id|summary|body|sound" for each notification.
    std::vector<std::string> received;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int /*timeout*/) {
        received.push_back(QStringLiteral("%1|%2|%3|%4|%5").arg(appName).arg(replacesId).arg(summary, body)
                               .arg(hints.contains("sound-name") ? "sound" : "").toStdString());
        return static_cast<uint>(received.size());
    }
    QString GetServerInformation(QString& /*vendor*/, QString& /*version*/, QString& /*specVersion*/) {
        return QStringLiteral("recorder");
    }

private:
    const QString name = QStringLiteral("quillon-test-service");
    QDBusConnection connection_;
};

TEST(DbusNotifierTest, PostsReachTheServiceWhichAnswersTheAuthorisation) {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no D-Bus session bus";
    NotificationService service;
    if (!service.acquire()) GTEST_SKIP() << "another notification service keeps the name";
    DbusNotifier notifier(QDBusConnection::sessionBus());
    notifier.post("tmux — closed", "Session closed: build box");
    notifier.post("tmux — closed", "Session closed: build box");
    notifier.post("Regulă: ștergere", "");
    // Identical posts are two notifications: neither replaces another.
    ASSERT_TRUE(waitUntil([&] { return service.received.size() == 3; }, 5s));
    EXPECT_EQ(service.received, (std::vector<std::string>{"Quillon|0|tmux — closed|Session closed: build box|sound",
                                                         "Quillon|0|tmux — closed|Session closed: build box|sound",
                                                         "Quillon|0|Regulă: ștergere||sound"}));
    std::optional<bool> answer;
    notifier.checkAuthorization([&](bool answered) { answer = answered; });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 5s));
    EXPECT_TRUE(*answer);
}

TEST(DbusNotifierTest, WithoutABusPostingDoesNothingAndAuthorisationIsRefused) {
    DbusNotifier notifier(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                       QStringLiteral("quillon-no-bus")));
    notifier.post("title", "body");
    std::optional<bool> answer;
    notifier.checkAuthorization([&](bool answered) { answer = answered; });
    EXPECT_EQ(answer, false);
    QDBusConnection::disconnectFromBus(QStringLiteral("quillon-no-bus"));
}

}  // namespace
}  // namespace quillon::testing

#include "notifier_test.moc"
