// Desktop notifications for pane states, end to end: real programs in panes of private tmux
// servers, PaneAttention reading them, and a notification server on the session bus (the
// suite runs under dbus-run-session) that records what arrives, says which capabilities it
// has and clicks notices as a user would.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

#include <string>
#include <vector>

#include "app/pane_attention.h"
#include "app/pane_notices.h"
#include "app/platform/dbus_notifier.h"
#include "app/platform/desktop_notices.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

// A notification server: owns org.freedesktop.Notifications on a connection of its own, so
// calls really travel through the bus. Several test processes may share the bus: the name is
// queued for.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Received {
        quint32 id;
        std::string summary;
        std::string body;
        std::vector<std::string> actions;  // key, label, key, label…
    };

    explicit NotificationServer(QStringList capabilities, QString name = QStringLiteral("quillon-test-notices"))
        : capabilities_(std::move(capabilities)), name_(std::move(name)),
          connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name_)) {}
    ~NotificationServer() override {
        connection_.unregisterService(DbusNotifier::service);
        connection_.unregisterObject(DbusNotifier::path);
        QDBusConnection::disconnectFromBus(name_);
    }
    // False when the name could not be had in time (several test processes share the bus).
    bool acquire() {
        if (!connection_.isConnected() ||
            !connection_.registerObject(DbusNotifier::path, this, QDBusConnection::ExportAllSlots))
            return false;
        auto* bus = connection_.interface();
        bus->registerService(DbusNotifier::service, QDBusConnectionInterface::QueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
        return waitUntil([&] { return bus->serviceOwner(DbusNotifier::service).value() == connection_.baseService(); },
                         std::chrono::seconds(30));
    }
    // The user clicks the notice (key "default") or one of its actions.
    void click(quint32 id, const std::string& key) {
        auto signal = QDBusMessage::createSignal(DbusNotifier::path, DbusNotifier::interface, QStringLiteral("ActionInvoked"));
        signal << id << QString::fromStdString(key);
        connection_.send(signal);
    }

    std::vector<Received> received;
    int capabilityQuestions = 0;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        std::vector<std::string> keys;
        for (const QString& a : actions) keys.push_back(a.toStdString());
        const auto id = static_cast<quint32>(received.size() + 1);
        received.push_back({id, summary.toStdString(), body.toStdString(), keys});
        return id;
    }
    QStringList GetCapabilities() {
        ++capabilityQuestions;
        return capabilities_;
    }
    QString GetServerInformation(QString&, QString&, QString&) { return QStringLiteral("recorder"); }

private:
    QStringList capabilities_;
    QString name_;
    QDBusConnection connection_;
};


class PaneNoticesTest : public AppFixture {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no D-Bus session bus";
    }
    // The notices' side of the app on the stores: attention reading, notices following it.
    void follow(NotificationServer& server) {
        if (!server.acquire()) GTEST_SKIP() << "another notification service keeps the name";
        desktopNotices = std::make_unique<DesktopNotices>(QDBusConnection::sessionBus());
        attention = std::make_unique<PaneAttention>(*env);
        notices = std::make_unique<PaneNotices>(*env, *attention, *desktopNotices);
        QObject::connect(notices.get(), &PaneNotices::paneChosen, notices.get(),
                         [this](const std::string& session, const std::string& name, const std::string& pane) {
                             chosen.push_back(session + " " + name + " " + pane);
                         });
        ASSERT_TRUE(waitUntil([&] { return desktopNotices->capabilities().has_value(); }, 15s));
        attention->start();
        ASSERT_TRUE(waitUntil([&] { return !attention->panes().empty(); }, 30s));
    }
    // tmux knows how the dead pane's program ended.
    bool told(const std::string& pane) {
        return !text::trim(tmux({"display-message", "-p", "-t", pane, "#{pane_dead_status}#{pane_dead_signal}"})).empty();
    }
    // "summary | body" of every notice so far.
    static std::vector<std::string> texts(const NotificationServer& server) {
        std::vector<std::string> out;
        for (const auto& r : server.received) out.push_back(r.summary + " | " + r.body);
        return out;
    }
    static std::string shown(const NotificationServer& server) { return text::join(texts(server), "\n"); }
    // A new pane that waits for input: a notice that marks a point in the test. Its pane.
    std::string marker(NotificationServer& server, const std::string& session) {
        const auto count = server.received.size();
        const std::string pane = newPane(session);
        type(pane, "read -p 'Mark? ' answer");
        EXPECT_TRUE(waitUntil([&] { return server.received.size() > count; }, 60s)) << shown(server);
        return pane;
    }

    std::unique_ptr<DesktopNotices> desktopNotices;
    std::unique_ptr<PaneAttention> attention;
    std::unique_ptr<PaneNotices> notices;
    std::vector<std::string> chosen;
};

// Every state the user is told about, once per change; the panes as they were when the server
// was first read are not news; a switch off, "Do not disturb" and a terminal showing the pane
// each keep a notice away.
TEST_F(PaneNoticesTest, OneNoticePerStateChangeAndNoneWhenSwitchedOffPausedOrWatched) {
    sandbox.newSession(server, "work");
    tmux({"set-option", "-g", "remain-on-exit", "on"});
    const std::string before = newPane("work", "sh -c 'exit 9'");  // failed before the app looked
    const std::string asking = newPane("work"), ringing = newPane("work"), sleeping = newPane("work");
    startStores();
    env->setSilenceThreshold(5);
    env->setPaneNotification(NoticeKind::quiet, true);
    NotificationServer desktopServer({"body", "actions"});
    follow(desktopServer);
    if (IsSkipped() || HasFatalFailure()) return;  // a skip in a helper ends only the helper
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& s : attention->statuses())
            if (s.paneId == before) return s.state == PaneState::exited;
        return false;
    }, 30s));

    type(asking, "read -p 'Continue? ' answer");
    ASSERT_TRUE(waitUntil([&] { return desktopServer.received.size() == 1; }, 30s)) << shown(desktopServer);
    type(ringing, "printf '\\a'");
    ASSERT_TRUE(waitUntil([&] { return desktopServer.received.size() == 2; }, 30s)) << shown(desktopServer);
    type(sleeping, "sleep 3");
    ASSERT_TRUE(waitUntil([&] { return desktopServer.received.size() == 3; }, 30s)) << shown(desktopServer);
    const std::string quiet = newPane("work");
    type(quiet, "sh -c 'sleep 2; echo working; sleep 600'");
    ASSERT_TRUE(waitUntil([&] { return desktopServer.received.size() == 4; }, 40s)) << shown(desktopServer);
    const std::string failing = newPane("work", "sh -c 'sleep 1; exit 3'");
    ASSERT_TRUE(waitUntil([&] { return desktopServer.received.size() == 5; }, 60s)) << shown(desktopServer);
    // The waiting pane was read again and again meanwhile: still one notice for it.
    auto said = texts(desktopServer);
    const std::string last = said.back();
    said.pop_back();
    EXPECT_EQ(said, (std::vector<std::string>{"Waiting for input | work:2.0 · sh", "Bell | work:3.0",
                                              "Finished | work:4.0 · sleep", "Quiet | work:5.0 · sleep"}))
        << quiet;
    // tmux 3.3a now and then never tells a dead pane's status; the notice then says what is known.
    if (told(failing))
        EXPECT_TRUE(last.starts_with("Exited with an error | work:6.0 · ") && last.ends_with(" · status 3")) << last;
    else
        EXPECT_TRUE(last.starts_with("Finished | work:6.0")) << last;

    env->setPaneNotification(NoticeKind::finished, false);
    type(sleeping, "sleep 3");
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& s : attention->statuses())
            if (s.paneId == sleeping) return s.state == PaneState::finished && s.since > Clock::now() - 20s;
        return false;
    }, 30s));
    env->startDoNotDisturb(std::nullopt);
    // Paused: a pane that starts waiting meanwhile is not announced, then or after.
    const std::string paused = newPane("work");
    type(paused, "read -p 'Later? ' answer");
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& s : attention->statuses())
            if (s.paneId == paused) return s.state == PaneState::waitingForInput;
        return false;
    }, 30s));
    env->turnOffDoNotDisturb();

    // A person's terminal shows the pane: no notice while it does.
    sandbox.newSession(server, "seen");
    auto terminal = personAttachedTo("seen");
    const std::string seenPane(text::trim(tmux({"display-message", "-p", "-t", "=seen:", "#{pane_id}"})));
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& p : attention->panes())
            if (p.paneId == seenPane) return p.watched;
        return false;
    }, 30s));
    type(seenPane, "read -p 'Who? ' name");
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& s : attention->statuses())
            if (s.paneId == seenPane) return s.state == PaneState::waitingForInput;
        return false;
    }, 30s));
    marker(desktopServer, "work");
    EXPECT_EQ(desktopServer.received.size(), 6u) << shown(desktopServer);
    EXPECT_EQ(texts(desktopServer).back(), "Waiting for input | work:8.0 · sh");
    terminal->closeWriteChannel();
    terminal->waitForFinished(10000);
}

// A click on a notice opens its pane's preview; "Attach" opens a terminal on that very pane
// of that server; a server without actions gets none; a name is text, never markup.
TEST_F(PaneNoticesTest, AClickOpensThePanePreviewAndAttachIsOfferedOnlyWhereActionsAre) {
    sandbox.newSession(server, "a<b>&c");
    tmux({"set-option", "-g", "remain-on-exit", "on"});
    startStores();
    {
        NotificationServer desktopServer({"body", "body-markup", "actions"});
        follow(desktopServer);
        if (IsSkipped() || HasFatalFailure()) return;
        const std::string failing = marker(desktopServer, "a<b>&c");
        ASSERT_EQ(desktopServer.received.size(), 1u);
        const auto notice = desktopServer.received[0];
        EXPECT_EQ(notice.body, "a&lt;b&gt;&amp;c:1.0 · sh");
        EXPECT_EQ(notice.actions, (std::vector<std::string>{"default", "Open", "attach", "Attach"}));
        ASSERT_TRUE(waitUntil([&] { return attention->needsYou().size() == 1; }));
        desktopServer.click(notice.id, "default");
        ASSERT_TRUE(waitUntil([&] { return chosen.size() == 1; }, 10s));
        const std::string sessionId(text::trim(tmux({"display-message", "-p", "-t", failing, "#{session_id}"})));
        EXPECT_EQ(chosen[0], sessionId + " a<b>&c " + failing);
        EXPECT_TRUE(attention->needsYou().empty()) << "looked at";
        desktopServer.click(notice.id, "attach");
        ASSERT_TRUE(waitUntil([&] { return desktop.opened().size() == 1; }, 10s));
        const std::string line = desktop.opened()[0].second;
        EXPECT_TRUE(text::contains(line, "'-L' '" + server + "' attach-session -t '" + sessionId + "'")) << line;
        EXPECT_TRUE(line.ends_with("select-window -t '" + failing + "' ';' select-pane -t '" + failing + "'"))
            << line;
        desktopServer.click(999, "default");  // a notice of someone else
        EXPECT_EQ(chosen.size(), 1u);
        notices.reset();
        attention.reset();
        desktopNotices.reset();
    }
    NotificationServer plain({"body"}, QStringLiteral("quillon-test-plain-notices"));
    follow(plain);
    if (IsSkipped() || HasFatalFailure()) return;
    env->setLanguage(AppLanguage::ro);
    marker(plain, "a<b>&c");
    ASSERT_EQ(plain.received.size(), 1u);
    EXPECT_EQ(plain.received[0].summary, "Așteaptă input");
    EXPECT_EQ(plain.received[0].body, "a<b>&c:2.0 · sh") << "plain text where the server reads no markup";
    EXPECT_EQ(plain.received[0].actions, std::vector<std::string>{});
}

// A switch of server mid-way: the old server's panes fire nothing, its notices no longer
// open a pane of the new one (whose ids coincide), and Attach still reaches the old server.
TEST_F(PaneNoticesTest, ASwitchOfServerFiresNothingForTheOldServersPanes) {
    sandbox.newSession(server, "old");
    tmux({"set-option", "-g", "remain-on-exit", "on"});
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "new");
    sandbox.tmux(other, {"set-option", "-g", "remain-on-exit", "on"});
    startStores();
    NotificationServer desktopServer({"body", "actions"});
    follow(desktopServer);
    if (IsSkipped() || HasFatalFailure()) return;
    const std::string slow = newPane("old");
    marker(desktopServer, "old");
    const quint32 oldNotice = desktopServer.received.back().id;
    type(slow, "sleep 3");
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& s : attention->statuses())
            if (s.paneId == slow) return s.state == PaneState::running;
        return false;
    }, 30s));
    env->setSocketValue(other);
    env->applySocketSettings();
    ASSERT_TRUE(waitUntil([&] { return env->serverIdentity().socketName == other; }));
    // The new server's own panes, one of them with the old pane's id.
    const std::string fresh(text::trim(sandbox.tmux(other, {"new-window", "-d", "-t", "new:", "-P", "-F", "#{pane_id}"})));
    ASSERT_EQ(fresh, slow) << "ids coincide on both servers";
    ASSERT_TRUE(waitUntil([&] { return attention->panes().size() == 2; }, 30s));
    // The old pane's sleep ends on the old server, unseen; then a marker on the new one.
    ASSERT_TRUE(waitUntil([&] {
        return !text::contains(sandbox.tmux(server, {"display-message", "-p", "-t", slow, "#{pane_current_command}"}), "sleep");
    }, 30s));
    const auto count = desktopServer.received.size();
    const std::string asking(text::trim(sandbox.tmux(other, {"new-window", "-d", "-t", "new:", "-P", "-F", "#{pane_id}"})));
    sandbox.tmux(other, {"send-keys", "-t", asking, "-l", "read -p 'Mark? ' answer"});
    sandbox.tmux(other, {"send-keys", "-t", asking, "Enter"});
    ASSERT_TRUE(waitUntil([&] { return desktopServer.received.size() > count; }, 60s));
    EXPECT_EQ(texts(desktopServer).back(), "Waiting for input | new:2.0 · sh");
    EXPECT_EQ(desktopServer.received.size(), count + 1) << shown(desktopServer);

    desktopServer.click(oldNotice, "default");
    ASSERT_TRUE(waitUntil([&] { return env->lastError().has_value(); }, 10s));
    EXPECT_EQ(*env->lastError(), "Pane old:2.0 is on another server than the one shown.");
    EXPECT_TRUE(chosen.empty());
    desktopServer.click(oldNotice, "attach");
    ASSERT_TRUE(waitUntil([&] { return desktop.opened().size() == 1; }, 10s));
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "'-L' '" + server + "'")) << desktop.opened()[0].second;
}

}  // namespace
}  // namespace quillon::testing

#include "pane_notices_test.moc"
