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
#include "app/rule_store.h"
#include "tests/app/scanner_test_support.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using testing::waitUntil;

struct Received {
    QString appName;
    uint replacesId;
    QString summary;
    QString body;
    QVariantMap hints;
};

class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    std::vector<Received> received;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int /*timeout*/) {
        received.push_back({appName, replacesId, summary, body, hints});
        return static_cast<uint>(received.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("quillon-tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("recorder");
    }
};

// Owns the name on a connection of its own, so calls really travel through the bus.
// Several test processes may share the bus: the name is queued for and waited on.
class OwnedNotificationService {
public:
    explicit OwnedNotificationService(const QString& connectionName)
        : name_(connectionName), connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name_)) {}
    ~OwnedNotificationService() {
        connection_.unregisterService(DbusNotifier::service);
        connection_.unregisterObject(DbusNotifier::path);
        QDBusConnection::disconnectFromBus(name_);
    }

    // False when the name could not be had in time.
    bool acquire() {
        if (!connection_.isConnected() ||
            !connection_.registerObject(DbusNotifier::path, &recorder, QDBusConnection::ExportAllSlots))
            return false;
        auto* bus = connection_.interface();
        bus->registerService(DbusNotifier::service, QDBusConnectionInterface::QueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
        return waitUntil([&] { return bus->serviceOwner(DbusNotifier::service).value() == connection_.baseService(); },
                         15s);
    }
    const std::vector<Received>& received() const { return recorder.received; }
    bool receivedAtLeast(std::size_t count) {
        return waitUntil([&] { return recorder.received.size() >= count; }, 5s);
    }

    NotificationService recorder;

private:
    QString name_;
    QDBusConnection connection_;
};

bool sessionBusAvailable() { return QDBusConnection::sessionBus().isConnected(); }

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sessionBusAvailable()) GTEST_SKIP() << "no D-Bus session bus";
        if (!service.acquire()) GTEST_SKIP() << "another notification service keeps the name";
    }
    OwnedNotificationService service{QStringLiteral("quillon-test-service")};
};

TEST_F(NotifierTest, PostsReachTheServiceWithTitleAndBody) {
    DbusNotifier notifier(QDBusConnection::sessionBus());
    notifier.post("tmux — closed", "Session closed: build box");
    notifier.post("tmux — closed", "Session closed: build box");
    notifier.post("Regulă: ștergere", "");
    ASSERT_TRUE(service.receivedAtLeast(3));
    const auto& received = service.received();
    const Received& first = received[0];
    EXPECT_EQ(first.appName, "Quillon");
    EXPECT_EQ(first.summary.toStdString(), "tmux — closed");
    EXPECT_EQ(first.body.toStdString(), "Session closed: build box");
    EXPECT_TRUE(first.hints.contains(QStringLiteral("sound-name")));
    // Identical posts are two notifications: neither replaces another.
    EXPECT_EQ(received[1].summary, first.summary);
    EXPECT_EQ(first.replacesId, 0u);
    EXPECT_EQ(received[1].replacesId, 0u);
    EXPECT_EQ(received[2].summary.toStdString(), "Regulă: ștergere");
    EXPECT_TRUE(received[2].body.isEmpty());
}

TEST_F(NotifierTest, AuthorisationIsAnAnsweringService) {
    DbusNotifier notifier(QDBusConnection::sessionBus());
    std::optional<bool> answer;
    notifier.checkAuthorization([&](bool answered) { answer = answered; });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 5s));
    EXPECT_TRUE(*answer);
}

class NotifyingRuleTest : public testing::ScannerFixture {};

TEST_F(NotifyingRuleTest, ANotifyRuleIsDeliveredOverTheBus) {
    if (!sessionBusAvailable()) GTEST_SKIP() << "no D-Bus session bus";
    OwnedNotificationService service(QStringLiteral("quillon-rule-service"));
    if (!service.acquire()) GTEST_SKIP() << "another notification service keeps the name";

    auto env = environment();
    env->setAutoCommandsEnabled(true);
    DbusNotifier notifier(QDBusConnection::sessionBus());
    RuleStore rules(store(), *env, notifier);
    ScanRule rule;
    rule.name = "closed";
    rule.trigger = ScanRuleTrigger::sessionRemoved;
    rules.upsert(rule);
    rules.evaluate(ScanEvent::make(ScanEvent::Kind::sessionRemoved, "Session closed: main"));
    ASSERT_TRUE(service.receivedAtLeast(1));
    EXPECT_EQ(service.received()[0].summary.toStdString(), "Rule: closed");
    EXPECT_EQ(service.received()[0].body.toStdString(), "Session closed: main");
}

TEST(NotifierWithoutBusTest, PostingDoesNothingAndAuthorisationIsRefused) {
    // A connection to a bus that does not exist.
    DbusNotifier notifier(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                       QStringLiteral("quillon-no-bus")));
    notifier.post("title", "body");
    std::optional<bool> answer;
    notifier.checkAuthorization([&](bool answered) { answer = answered; });
    EXPECT_EQ(answer, false);
    QDBusConnection::disconnectFromBus(QStringLiteral("quillon-no-bus"));
}

}  // namespace
}  // namespace quillon

#include "notifier_test.moc"
