// The shown server's watcher against private servers, here and through the private sshd:
// every kind of change reaches the published sessions without polling, values without a
// notification come through the subscription, a burst costs few snapshots, a watcher that
// ends or cannot start leaves polling in charge until it is back, and it never shows as a
// client nor outlives its server's turn.
#include <gtest/gtest.h>

#include <signal.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <dirent.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/server_census.h"
#include "tests/app/app_test_support.h"
#include "tests/support/processes.h"
#include "tests/support/control_clients.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using Sessions = std::vector<TmuxSession>;

const TmuxSession* session(const Sessions& sessions, const std::string& name) {
    auto it = std::find_if(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == name; });
    return it == sessions.end() ? nullptr : &*it;
}

const TmuxWindow* window(const Sessions& sessions, const std::string& sessionName, std::int64_t index) {
    const TmuxSession* s = session(sessions, sessionName);
    if (!s) return nullptr;
    for (const auto& w : s->windows)
        if (w.index == index) return &w;
    return nullptr;
}

class Watcher : public AppFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        sandbox.newSession(server, "other");
        watchServer = true;
    }
    // Polling at its slowest: what arrives within a test's deadlines was pushed.
    void startWatching() {
        store().set("pollingInterval", 86400.0);
        startStores();
        ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
        ASSERT_TRUE(waitForControlClients(sandbox, server, 1));
    }
};

TEST_F(Watcher, EveryKindOfChangeReachesTheSessionsWithoutPolling) {
    startWatching();
    EXPECT_EQ(env->pollingTimerInterval(), AppEnvironment::safetyPeriod);
    struct Case {
        const char* change;  // and the notification it brings
        std::vector<std::string> command;
        std::function<bool(const Sessions&)> seen;
    };
    const std::vector<Case> cases = {
        {"new session (sessions-changed)", {"new-session", "-d", "-s", "third"},
         [](const Sessions& s) { return session(s, "third") != nullptr; }},
        {"rename (session-renamed)", {"rename-session", "-t", "=third", "renamed"},
         [](const Sessions& s) { return session(s, "renamed") && !session(s, "third"); }},
        {"window here (window-add)", {"new-window", "-d", "-t", "=main:", "-n", "w1"},
         [](const Sessions& s) { return window(s, "main", 1) != nullptr; }},
        {"window elsewhere (unlinked-window-add)", {"new-window", "-d", "-t", "=other:", "-n", "o1"},
         [](const Sessions& s) { return window(s, "other", 1) != nullptr; }},
        {"window renamed (window-renamed)", {"rename-window", "-t", "=main:1", "named here"},
         [](const Sessions& s) { return window(s, "main", 1) && window(s, "main", 1)->name == "named here"; }},
        {"elsewhere renamed (unlinked-window-renamed)", {"rename-window", "-t", "=other:1", "named there"},
         [](const Sessions& s) { return window(s, "other", 1) && window(s, "other", 1)->name == "named there"; }},
        // Side by side, then one above the other: "{…}" and "[…]" in tmux's layout text.
        {"split (layout-change)", {"split-window", "-d", "-h", "-t", "=main:1"},
         [](const Sessions& s) {
             const TmuxWindow* w = window(s, "main", 1);
             return w && w->panes.size() == 2 && text::contains(w->layout, "{");
         }},
        {"layout (layout-change)", {"select-layout", "-t", "=main:1", "even-vertical"},
         [](const Sessions& s) {
             const TmuxWindow* w = window(s, "main", 1);
             return w && text::contains(w->layout, "[") && !text::contains(w->layout, "{");
         }},
        // tmux tells only of the watcher's own session: these come through the subscription.
        {"split elsewhere", {"split-window", "-d", "-h", "-t", "=other:0"},
         [](const Sessions& s) { return window(s, "other", 0) && window(s, "other", 0)->panes.size() == 2; }},
        {"layout elsewhere", {"select-layout", "-t", "=other:0", "even-vertical"},
         [](const Sessions& s) { return window(s, "other", 0) && text::contains(window(s, "other", 0)->layout, "["); }},
        {"zoom elsewhere", {"resize-pane", "-Z", "-t", "=other:0.0"},
         [](const Sessions& s) { return window(s, "other", 0) && window(s, "other", 0)->isZoomed; }},
        {"active pane (window-pane-changed)", {"select-pane", "-t", "=main:1.1"},
         [](const Sessions& s) { return window(s, "main", 1) && window(s, "main", 1)->panes[1].isActive; }},
        {"active window (session-window-changed)", {"select-window", "-t", "=main:1"},
         [](const Sessions& s) { return window(s, "main", 1) && window(s, "main", 1)->isActive; }},
        {"window closed here (window-close)", {"kill-window", "-t", "=main:1"},
         [](const Sessions& s) { return session(s, "main") && !window(s, "main", 1); }},
        {"closed elsewhere (unlinked-window-close)", {"kill-window", "-t", "=other:1"},
         [](const Sessions& s) { return session(s, "other") && !window(s, "other", 1); }},
        {"session killed (sessions-changed)", {"kill-session", "-t", "=renamed"},
         [](const Sessions& s) { return session(s, "main") && !session(s, "renamed"); }},
    };
    for (const Case& c : cases) {
        tmux(c.command);
        EXPECT_TRUE(waitUntil([&] { return c.seen(env->sessions()); }, 10s)) << c.change;
    }

    // A person's client: attached shows, moves with switch-client (client-session-changed)
    // and goes with detach-client (client-detached).
    const auto attached = [&](const std::string& name) {
        const TmuxSession* s = session(env->sessions(), name);
        return s && s->isAttached;
    };
    auto terminal = personAttachedTo("other");
    ASSERT_TRUE(waitUntil([&] { return attached("other"); }, 15s));
    const std::string person(text::trim(tmux({"list-clients", "-F", "#{?client_control_mode,,#{client_name}}"})));
    tmux({"switch-client", "-c", person, "-t", "=main"});
    EXPECT_TRUE(waitUntil([&] { return attached("main") && !attached("other"); }, 10s));
    tmux({"detach-client", "-t", person});
    EXPECT_TRUE(waitUntil([&] { return !attached("main") && !attached("other"); }, 10s));
    terminal->kill();
    terminal->waitForFinished();
}

TEST_F(Watcher, CommandsAndPathsArriveWithoutASnapshot) {
    startWatching();
    TempDir work;
    const std::string pane = env->sessions().at(0).windows.at(0).panes.at(0).paneID;
    // A window named after its program would be renamed, which is a change of names.
    tmux({"set-option", "-w", "-t", pane, "automatic-rename", "off"});
    QSignalSpy snapshots(env.get(), &AppEnvironment::refreshFinished);
    waitUntil([] { return false; }, 1500ms);  // what the watcher's start asked for
    ASSERT_TRUE(waitUntil([&] { return !env->refreshing(); }));
    snapshots.clear();
    tmux({"send-keys", "-t", pane, "cd " + text::shellQuote(work.str()) + " && exec sleep 300", "Enter"});
    const auto shown = [&] {
        for (const auto& s : env->sessions())
            for (const auto& w : s.windows)
                for (const auto& p : w.panes)
                    if (p.paneID == pane) return p.command == "sleep" && p.path == work.str();
        return false;
    };
    EXPECT_TRUE(waitUntil(shown, 15s));
    EXPECT_EQ(snapshots.count(), 0);  // rows updated in place
}

TEST_F(Watcher, ABurstOfFiftySessionsCostsAtMostFiveSnapshots) {
    startWatching();
    ASSERT_TRUE(waitUntil([&] { return !env->refreshing(); }));
    QSignalSpy snapshots(env.get(), &AppEnvironment::refreshFinished);
    std::vector<std::string> burst;
    for (int i = 0; i < 50; ++i) burst.insert(burst.end(), {"new-session", "-d", "-s", "b" + std::to_string(i), ";"});
    burst.pop_back();
    tmux(burst);
    ASSERT_TRUE(waitUntil([&] { return env->sessions().size() == 52; }, 20s));
    // Whatever the burst still brings (the subscription's new panes) comes within a second.
    waitUntil([] { return false; }, 1500ms);
    // The coalesced one, one that joins it, one for the subscription's new shape: ≤ 5
    // leaves room for notifications split across reads on a loaded machine.
    EXPECT_LE(snapshots.count(), 5);
    EXPECT_GE(snapshots.count(), 1);
}

TEST_F(Watcher, AKilledWatcherLeavesPollingInChargeUntilItIsBack) {
    store().set("pollingInterval", 2.0);
    startStores();
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
    ASSERT_TRUE(waitForControlClients(sandbox, server, 1));
    EXPECT_EQ(env->pollingTimerInterval(), AppEnvironment::safetyPeriod);
    const pid_t first = *env->watcherPid();
    std::vector<std::chrono::milliseconds> periods;
    QObject::connect(env.get(), &AppEnvironment::watchingChanged,
                     [&] { periods.push_back(env->pollingTimerInterval().value_or(0ms)); });
    ::kill(first, SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return env->watching() && env->watcherPid() != first; }, 20s));
    EXPECT_TRUE(waitUntil([&] { return processGone(first); }));
    ASSERT_GE(periods.size(), 2u);
    EXPECT_EQ(periods.front(), 2000ms);  // polling while it was away
    EXPECT_EQ(periods.back(), AppEnvironment::safetyPeriod);
    // The new one pushes changes as the first did.
    store().set("pollingInterval", 86400.0);
    env->setPollingInterval(86400.0);
    tmux({"new-session", "-d", "-s", "after"});
    EXPECT_TRUE(waitUntil([&] { return session(env->sessions(), "after") != nullptr; }, 10s));
}

TEST_F(Watcher, AServerWithoutControlModeIsPolledAndAskedAgainLessAndLessOften) {
    WrappedTmux wrapper(home.path());
    wrapper.failWhenArgumentsContain("-C");
    tmuxPath = wrapper.path();
    store().set("pollingInterval", 1.0);
    startStores();
    // Attempts after 0, 1, 1+2, 1+2+4 s: four within a generous deadline, never watching.
    ASSERT_TRUE(waitUntil([&] { return wrapper.count("-C") >= 4; }, 40s));
    EXPECT_FALSE(env->watching());
    EXPECT_EQ(env->pollingTimerInterval(), 1000ms);
    EXPECT_EQ(env->lastError(), std::nullopt);  // not an error while the server answers
    sandbox.newSession(server, "polled");
    EXPECT_TRUE(waitUntil([&] { return session(env->sessions(), "polled") != nullptr; }, 10s));
    EXPECT_EQ(AppEnvironment::watchRetryDelay(1), 1000ms);
    EXPECT_EQ(AppEnvironment::watchRetryDelay(3), 4000ms);
    EXPECT_EQ(AppEnvironment::watchRetryDelay(7), 60000ms);
    EXPECT_EQ(AppEnvironment::watchRetryDelay(40), 60000ms);
}

TEST_F(Watcher, ItNeverShowsAsAnAttachedClient) {
    startWatching();
    EXPECT_EQ(tmux({"display-message", "-p", "-t", "=main:", "#{session_attached}"}), "1\n");
    EXPECT_EQ(text::trim(tmux({"list-clients", "-F", "#{client_flags}"})).find("read-only") != std::string::npos, true);
    for (const auto& s : env->sessions()) EXPECT_FALSE(s.isAttached) << s.name;
    const TmuxClient client(TmuxSandbox::tmuxPath(), {"-L", server});
    const ServerCensus census = ServerCensus::take(client, {});
    ASSERT_FALSE(census.local.empty());
    EXPECT_EQ(census.local[0].clients, 0);
    // It waits for a server instead of making a session: the last one gone, none appears.
    tmux({"kill-session", "-t", "=other"});
    tmux({"kill-session", "-t", "=main"});
    EXPECT_TRUE(waitUntil([&] { return env->sessions().empty() && !env->watching(); }, 10s));
    waitUntil([] { return false; }, 1500ms);
    EXPECT_FALSE(sandbox.serverPid(server));
    sandbox.newSession(server, "back");
    env->refresh();
    EXPECT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
}

TEST_F(Watcher, ItMovesToTheSessionTheUserLooksAtAndLeavesNoChildBehind) {
    startWatching();
    const auto watchedSession = [&] {
        return text::trim(tmux({"list-clients", "-F", "#{?client_control_mode,#{session_name},}"}));
    };
    EXPECT_EQ(watchedSession(), "main");
    const pid_t first = *env->watcherPid();
    env->watchSession("main");  // where it is already: the same child
    EXPECT_EQ(env->watcherPid(), first);

    env->watchSession("other");
    ASSERT_TRUE(waitUntil([&] { return env->watching() && env->watcherPid() != first; }, 20s));
    EXPECT_TRUE(waitUntil([&] { return watchedSession() == "other"; }, 10s));
    EXPECT_TRUE(waitUntil([&] { return processGone(first); }, 10s));
    EXPECT_EQ(processesWith({"-C", "-L", server}).size(), 1u);
    // tmux tells its session's layouts to it now; and the scanner's readers hear of them.
    bool told = false;
    QObject::connect(env.get(), &AppEnvironment::watcherNotified,
                     [&](const std::string& line) { told = told || line.starts_with("%layout-change"); });
    tmux({"select-layout", "-t", "=other:0", "even-vertical"});
    EXPECT_TRUE(waitUntil([&] { return told; }, 10s));

    // Its session gone, it comes back to the first one there is.
    tmux({"kill-session", "-t", "=other"});
    EXPECT_TRUE(waitUntil([&] { return env->watching() && watchedSession() == "main"; }, 20s));
}

TEST_F(Watcher, ASwitchOfServerLeavesNoWatcherBehindAndAStoppedServerNoFrozenWindow) {
    const std::string second = TmuxSandbox::uniqueName("second");
    sandbox.newSession(second, "there");
    startWatching();
    const pid_t first = *env->watcherPid();
    ASSERT_EQ(processesWith({"-C", "-L", server}).size(), 1u);

    // The server stops answering: the window keeps running its loop.
    sandbox.stopServer(server);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    env->refresh();
    EXPECT_TRUE(waitUntil([&] { return ticks >= 20; }, 10s));

    // And a switch away from it takes its watcher along, stopped server or not.
    env->useServer(std::nullopt, second, sandbox.socketPath(second));
    const int before = ticks;
    EXPECT_TRUE(waitUntil([&] { return ticks >= before + 10; }, 10s));
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
    EXPECT_TRUE(waitUntil([&] { return processGone(first); }, 10s));
    EXPECT_TRUE(processesWith({"-C", "-L", server}).empty());
    EXPECT_EQ(processesWith({"-C", "-L", second}).size(), 1u);
    sandbox.continueServer(server);
    const pid_t last = *env->watcherPid();
    env.reset();  // quit
    EXPECT_TRUE(processGone(last));
}

TEST_F(Watcher, ARemoteServerIsWatchedThroughTheSharedConnection) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    SshSandbox ssh(sandbox.tmpDir());
    // The same socket name there as here, and ids that coincide on both.
    const std::string remote = startWithRemoteServer();
    sandbox.newSession(remote, "second there");
    store().set("pollingInterval", 86400.0);
    env->setPollingInterval(86400.0);
    env->useServer(SshSandbox::good, remote, sandbox.socketPath(remote));
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 30s));
    ASSERT_TRUE(waitForControlClients(sandbox, remote, 1));
    const struct {
        std::vector<std::string> command;
        std::function<bool(const Sessions&)> seen;
    } cases[] = {
        {{"new-session", "-d", "-s", "new there"}, [](const Sessions& s) { return session(s, "new there") != nullptr; }},
        {{"new-window", "-d", "-t", "=far away:"}, [](const Sessions& s) { return window(s, "far away", 1) != nullptr; }},
        {{"rename-session", "-t", "=new there", "renamed there"},
         [](const Sessions& s) { return session(s, "renamed there") != nullptr; }},
    };
    for (const auto& c : cases) {
        sandbox.tmux(remote, c.command);
        EXPECT_TRUE(waitUntil([&] { return c.seen(env->sessions()); }, 15s)) << c.command.front();
    }
    TempDir work;
    const std::string pane = session(env->sessions(), "far away")->windows.at(0).panes.at(0).paneID;
    sandbox.tmux(remote, {"send-keys", "-t", pane, "cd " + text::shellQuote(work.str()) + " && exec sleep 300", "Enter"});
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto& p = session(env->sessions(), "far away")->windows.at(0).panes.at(0);
            return p.command == "sleep" && p.path == work.str();
        },
        15s));
    for (const auto& s : env->sessions()) EXPECT_FALSE(s.isAttached) << s.name;
}

}  // namespace
}  // namespace quillon::testing
