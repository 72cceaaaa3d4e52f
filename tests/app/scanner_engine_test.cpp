// The scanner against a private server: polling and control mode turn changes into events
// in order, a stopped server never holds the GUI thread, events reach notifications and
// rules, the log is bounded, a change of server is no change of its sessions, and every
// control-mode child is ended and reaped.
#include <gtest/gtest.h>

#include <csignal>

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/scanner_engine.h"
#include "tests/app/app_test_support.h"
#include "tests/support/control_clients.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using Kind = ScanEvent::Kind;

class ScannerEngineTest : public AppFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        // Window names and pane commands settle first, so a diff sees only what a test does.
        tmux({"set-option", "-g", "-w", "automatic-rename", "off"});
        tmux({"rename-window", "-t", "main:0", "shell"});
        waitUntil([&] { return tmux({"display-message", "-p", "-t", "main:0.0", "#{pane_current_command}"}) == "sh\n"; }, 3s);
        startOn(TmuxSandbox::tmuxPath());
    }
    void TearDown() override { engine.reset(); }

    // The stores and an engine on this tmux binary, ticking by hand.
    void startOn(const std::string& binary) {
        engine.reset();
        tmuxPath = binary;
        startStores();
        env->setScannerInterval(30);
        engine = std::make_unique<ScannerEngine>(*env, *rules, desktop);
    }
    std::size_t count(const std::string& message) const {
        const auto& events = engine->events();
        return std::count_if(events.begin(), events.end(), [&](const ScanEvent& e) { return e.message == message; });
    }
    bool logged(const std::string& message) const { return count(message) > 0; }
    // Ticks until the condition holds; no tick is left running after it does.
    bool tickUntil(const std::function<bool()>& condition) {
        return waitUntil([&] {
            if (condition()) return true;
            engine->timerTick();  // skipped while a snapshot is out
            return false;
        });
    }
    bool tickUntil(const std::string& message) { return tickUntil([&] { return logged(message); }); }
    // Starts in control mode and waits until tmux lists the client; its pid.
    pid_t startAttached() {
        env->setScannerMode(ScannerMode::controlMode);
        engine->start();
        EXPECT_TRUE(waitForControlClients(sandbox, server, 1));
        return engine->controlPid().value_or(-1);
    }

    std::unique_ptr<ScannerEngine> engine;
};

TEST_F(ScannerEngineTest, AFailedSnapshotIsReportedAndTheNextDiffUsesTheLastGoodOne) {
    WrappedTmux wrapper(home.path());
    startOn(wrapper.path());
    engine->start();
    wrapper.failWhenArgumentsContain("list-sessions");
    sandbox.newSession(server, "two");
    ASSERT_TRUE(tickUntil("refused: list-sessions"));
    EXPECT_EQ(engine->events().back().kind, Kind::error);
    wrapper.clearFailures();
    EXPECT_TRUE(tickUntil("Session opened: two (1 windows)"));
}

TEST_F(ScannerEngineTest, AStoppedServerNeverHoldsTheGuiThread) {
    engine->start();
    sandbox.stopServer(server);
    const auto before = std::chrono::steady_clock::now();
    env->refresh();
    engine->timerTick();
    engine->timerTick();  // skipped: one snapshot in flight at most
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
    bool eventLoopRan = false;
    QTimer::singleShot(0, [&] { eventLoopRan = true; });
    EXPECT_TRUE(waitUntil([&] { return eventLoopRan; }, 1s));
    sandbox.continueServer(server);
    sandbox.newSession(server, "two");
    EXPECT_TRUE(tickUntil("Session opened: two (1 windows)"));
    EXPECT_EQ(count("Session opened: two (1 windows)"), 1u);
}

TEST_F(ScannerEngineTest, EventsReachTheRulesAndClosingsTheNotificationsWhenAsked) {
    env->setNotifyOnClose(true);
    env->setAutoCommandsEnabled(true);
    rules->upsert({.name = "opened", .trigger = ScanRuleTrigger::sessionAdded});
    sandbox.newWindow(server, "main", "extra");
    refreshNow();
    engine->start();
    sandbox.newSession(server, "gone");
    ASSERT_TRUE(tickUntil("Session opened: gone (1 windows)"));
    tmux({"kill-window", "-t", "main:1"});
    tmux({"kill-session", "-t", "gone"});
    ASSERT_TRUE(tickUntil("Session closed: gone"));
    EXPECT_EQ(desktop.posts, (std::vector<std::pair<std::string, std::string>>{
                                 {"Rule: opened", "Session opened: gone (1 windows)"},
                                 {"tmux — closed", "Session closed: gone"},
                                 {"tmux — closed", "main: window closed 1:extra"}}));
}

// What the polling diff reports, in order, is the scanner screen's filter test.
TEST_F(ScannerEngineTest, StartAndStopAreSaidOnceAndTheLogKeepsTheLatestFiveHundredEvents) {
    for (int i = 0; i < 251; ++i) {
        engine->start();
        engine->start();
        engine->stop();
        engine->stop();
    }
    EXPECT_FALSE(engine->timerInterval());
    // 502 were appended: the first two are gone.
    ASSERT_EQ(engine->events().size(), ScannerEngine::maxEvents);
    EXPECT_EQ(engine->events()[0].message, "Scanner started — Polling (interval), baseline: 1 sessions.");
    EXPECT_EQ(engine->events()[1].message, "Scanner stopped.");
    engine->clearEvents();
    EXPECT_TRUE(engine->events().empty());
}

TEST_F(ScannerEngineTest, ControlModePushesWindowChangesAndDiffsSessions) {
    env->setScannerInterval(2);
    const pid_t pid = startAttached();
    EXPECT_EQ(engine->timerInterval(), 5000ms);
    EXPECT_EQ(engine->events().at(0).message, "Scanner started — Control mode (push), baseline: 1 sessions.");
    EXPECT_EQ(engine->events().at(1).message, "Control mode attached to “main” — push events active.");
    sandbox.newWindow(server, "main", "logs");
    const auto windowOpened = [&] {
        auto& all = engine->events();
        auto it = std::find_if(all.begin(), all.end(), [](const ScanEvent& e) { return e.kind == Kind::windowAdded; });
        return it == all.end() ? std::nullopt : std::optional(*it);
    };
    ASSERT_TRUE(waitUntil([&] { return windowOpened().has_value(); }));
    const ScanEvent opened = *windowOpened();
    EXPECT_EQ(opened.session, "main:1 logs");
    EXPECT_EQ(opened.message, "Window opened: main:1 logs");
    ASSERT_TRUE(opened.target && opened.target->front() == '@');
    tmux({"rename-window", "-t", "main:1", "my editor"});
    EXPECT_TRUE(waitUntil([&] { return logged("Window " + *opened.target + " renamed: my editor"); }));
    tmux({"kill-window", "-t", "main:1"});
    EXPECT_TRUE(waitUntil([&] { return logged("Window closed (" + *opened.target + ")"); }));
    // A push may come while the snapshot of an earlier one is out: one more follows at once.
    sandbox.newSession(server, "two");
    EXPECT_TRUE(waitUntil([&] { return logged("Session opened: two (1 windows)"); }, 3s));
    tmux({"rename-session", "-t", "two", "build box"});
    EXPECT_TRUE(waitUntil([&] { return logged("Session renamed: build box"); }));
    for (const auto& event : engine->events()) EXPECT_NE(event.kind, Kind::paneChanged) << "sessions only";

    // The server goes away: the client ends and is reaped, the ticks fall back to snapshots
    // and close both sessions (under the names of the last one taken).
    const std::size_t before = engine->events().size();
    sandbox.killServer(server);
    EXPECT_TRUE(waitUntil([&] { return logged("Control mode disconnected — retrying on the next tick."); }));
    EXPECT_TRUE(processGone(pid));
    refreshNow();
    EXPECT_TRUE(tickUntil([&] {
        return std::count_if(engine->events().begin() + std::ptrdiff_t(before), engine->events().end(),
                             [](const ScanEvent& e) { return e.kind == Kind::sessionRemoved; }) == 2;
    }));
    EXPECT_TRUE(logged("Session closed: main"));
    // Started without a session, it says so once; the tick after one appears attaches.
    engine->stop();
    engine->start();
    engine->timerTick();
    EXPECT_EQ(count("Control mode: no server running — falling back to polling until a session appears."), 1u);
    EXPECT_FALSE(engine->controlAttached());
    sandbox.newSession(server, "again");
    refreshNow();
    engine->timerTick();
    EXPECT_EQ(count("Control mode attached to “again” — push events active."), 1u);
}

// One control client per server: while the app watches the server, the scanner reads the
// watcher's notifications; when the watcher goes, it keeps one of its own until it is back.
TEST_F(ScannerEngineTest, ControlModeSharesTheAppsWatcher) {
    engine.reset();
    watchServer = true;
    store().set("pollingInterval", 86400.0);
    startOn(TmuxSandbox::tmuxPath());
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
    env->setScannerMode(ScannerMode::controlMode);
    engine->start();
    EXPECT_TRUE(logged("Control mode uses the app's live watcher — push events active."));
    EXPECT_TRUE(engine->controlAttached());
    EXPECT_EQ(engine->controlPid(), std::nullopt);
    sandbox.newWindow(server, "main", "logs");
    EXPECT_TRUE(waitUntil([&] { return logged("Window opened: main:1 logs"); }));
    EXPECT_TRUE(waitForControlClients(sandbox, server, 1));

    const pid_t watcher = *env->watcherPid();
    ::kill(watcher, SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return engine->controlPid().has_value(); }, 10s));
    // A change before any control client is attached again is no one's to tell.
    ASSERT_TRUE(waitUntil([&] { return attachedControlClients(sandbox, server) >= 1; }, 10s));
    // Through its own client, or the watcher's if that is back already.
    tmux({"rename-window", "-t", "main:1", "tail"});
    EXPECT_TRUE(waitUntil([&] {
        return std::any_of(engine->events().begin(), engine->events().end(),
                           [](const ScanEvent& e) { return e.message.ends_with("renamed: tail"); });
    }));
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
    EXPECT_TRUE(waitUntil([&] { return !engine->controlPid() && engine->controlAttached(); }, 10s));
    EXPECT_TRUE(waitForControlClients(sandbox, server, 1));
}

TEST_F(ScannerEngineTest, AChangeOfServerIsNoChangeOfItsSessions) {
    // Two servers with different sessions; every event would be notified and fire a rule.
    const std::string other = TmuxSandbox::uniqueName("other");
    // A named window is not renamed after its shell, which a slow start would show as an event.
    sandbox.newSession(other, "elsewhere", std::nullopt, "main");
    env->setNotifyOnClose(true);
    env->setAutoCommandsEnabled(true);
    rules->upsert(ScanRule{});
    startAttached();
    const std::size_t before = engine->events().size();
    env->setSocketValue(other);
    env->applySocketSettings();
    ASSERT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"elsewhere"}; }));
    for (int tick = 0; tick < 3; ++tick) {
        engine->timerTick();
        waitUntil([] { return false; }, 100ms);
    }
    for (std::size_t i = before; i < engine->events().size(); ++i)
        EXPECT_EQ(engine->events()[i].kind, Kind::info) << engine->events()[i].message;
    EXPECT_TRUE(desktop.posts.empty());
    EXPECT_TRUE(waitForControlClients(sandbox, other, 1));
    EXPECT_TRUE(waitForControlClients(sandbox, server, 0));
    // The new server's changes are reported against its own baseline.
    sandbox.newSession(other, "added");
    EXPECT_TRUE(tickUntil("Session opened: added (1 windows)"));
}

TEST_F(ScannerEngineTest, AScannerStartedBeforeTheNewServersFirstRefreshTakesThatAsItsBaseline) {
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "elsewhere", std::nullopt, "main");
    refreshNow();
    env->setSocketValue(other);
    env->applySocketSettings();
    // Polling: every difference from a baseline of the old server would be an event.
    engine->start();
    ASSERT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"elsewhere"}; }));
    for (int tick = 0; tick < 3; ++tick) {
        engine->timerTick();
        waitUntil([] { return false; }, 100ms);
    }
    for (const ScanEvent& event : engine->events()) EXPECT_EQ(event.kind, Kind::info) << event.message;
    sandbox.newSession(other, "added");
    EXPECT_TRUE(tickUntil("Session opened: added (1 windows)"));
}

TEST_F(ScannerEngineTest, AReplacedControlClientsExitDoesNotDropTheNewOne) {
    const pid_t first = startAttached();
    engine->stop();
    engine->start();
    ASSERT_TRUE(waitForControlClients(sandbox, server, 1));
    EXPECT_TRUE(processGone(first));
    waitUntil([] { return false; }, 300ms);  // the old client's exit report arrives
    EXPECT_TRUE(engine->controlAttached());
    EXPECT_FALSE(logged("Control mode disconnected — retrying on the next tick."));
}

}  // namespace
}  // namespace quillon::testing
