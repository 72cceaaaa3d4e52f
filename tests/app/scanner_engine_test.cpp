#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/rule_store.h"
#include "app/scanner_engine.h"
#include "tests/app/scanner_test_support.h"
#include "tests/support/control_clients.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Kind = ScanEvent::Kind;
using testing::TmuxSandbox;
using testing::waitUntil;

std::vector<std::string> messages(const ScannerEngine& engine) {
    std::vector<std::string> out;
    for (const auto& event : engine.events()) out.push_back(event.message);
    return out;
}

bool logged(const ScannerEngine& engine, const std::string& message) {
    const auto all = messages(engine);
    return std::find(all.begin(), all.end(), message) != all.end();
}

std::size_t countOf(const ScannerEngine& engine, const std::string& message) {
    const auto all = messages(engine);
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), message));
}

const ScanEvent* lastOfKind(const ScannerEngine& engine, Kind kind) {
    for (auto it = engine.events().rbegin(); it != engine.events().rend(); ++it)
        if (it->kind == kind) return &*it;
    return nullptr;
}

class ScannerEngineTest : public testing::ScannerFixture {
protected:
    void SetUp() override {
        ScannerFixture::SetUp();
        env = environment();
        rules = std::make_unique<RuleStore>(store(), *env, notifier);
        engine = std::make_unique<ScannerEngine>(*env, *rules, notifier);
    }
    void TearDown() override { engine.reset(); }

    // Waits for the message and checks nothing unexpected was logged before it.
    void expectNext(const std::string& message, std::chrono::milliseconds limit = 5s) {
        ASSERT_TRUE(waitUntil([&] { return engine->events().size() > seen; }, limit)) << "waiting for " << message;
        EXPECT_EQ(engine->events()[seen].message, message);
        ++seen;
    }

    // Starts in control mode and waits until tmux lists the client; its pid.
    pid_t startAttached() {
        env->setScannerMode(ScannerMode::controlMode);
        engine->start();
        EXPECT_TRUE(testing::waitForControlClients(sandbox, server, 1));
        return engine->controlPid().value_or(-1);
    }

    // Refreshes the environment until its session list satisfies the test.
    bool untilSessions(const std::function<bool(const SessionList&)>& test) {
        return waitUntil([&] {
            if (!env->refreshing()) env->refresh();
            return test(env->sessions());
        });
    }

    std::unique_ptr<AppEnvironment> env;
    std::unique_ptr<RuleStore> rules;
    std::unique_ptr<ScannerEngine> engine;
    std::size_t seen = 0;
};

TEST_F(ScannerEngineTest, PollingReportsEveryChangeInOrder) {
    env->setScannerInterval(0.1);
    engine->start();
    engine->start();
    EXPECT_TRUE(engine->running());
    EXPECT_EQ(engine->timerInterval(), 500ms);
    expectNext("Scanner started — Polling (interval), baseline: 1 sessions.");

    sandbox.newSession(server, "two");
    expectNext("Session opened: two (1 windows)");
    sandbox.newWindow(server, "main", "logs");
    expectNext("main: window opened 1:logs");
    sandbox.tmux(server, {"rename-window", "-t", "main:1", "build"});
    expectNext("main 1: renamed logs → build");
    sandbox.splitWindow(server, "main:1");
    expectNext("main 1: pane-uri 1 → 2");
    sandbox.tmux(server, {"kill-window", "-t", "main:1"});
    expectNext("main: window closed 1:build");
    sandbox.tmux(server, {"rename-session", "-t", "two", "deux"});
    expectNext("Renamed: two → deux");
    sandbox.tmux(server, {"kill-session", "-t", "deux"});
    expectNext("Session closed: deux");

    engine->stop();
    engine->stop();
    expectNext("Scanner stopped.");
    EXPECT_FALSE(engine->timerInterval());
    EXPECT_EQ(engine->events().size(), seen);
}

TEST_F(ScannerEngineTest, FailedSnapshotIsReportedAndTheNextDiffUsesTheLastGoodOne) {
    testing::WrappedTmux wrapper(home.path());
    env = environment(wrapper.path());
    rules = std::make_unique<RuleStore>(store(), *env, notifier);
    engine = std::make_unique<ScannerEngine>(*env, *rules, notifier);
    env->setScannerInterval(30);
    engine->start();
    expectNext("Scanner started — Polling (interval), baseline: 1 sessions.");

    wrapper.failWhenArgumentsContain("list-sessions");
    sandbox.newSession(server, "two");
    engine->timerTick();
    expectNext("refused: list-sessions");
    EXPECT_EQ(engine->events().back().kind, Kind::error);

    wrapper.clearFailures();
    engine->timerTick();
    expectNext("Session opened: two (1 windows)");
}

TEST_F(ScannerEngineTest, TicksNeverWaitForTmux) {
    env->setScannerInterval(30);
    engine->start();
    sandbox.stopServer(server);
    const auto before = std::chrono::steady_clock::now();
    engine->timerTick();
    engine->timerTick();  // skipped: one snapshot in flight at most
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
    bool eventLoopRan = false;
    QTimer::singleShot(0, [&] { eventLoopRan = true; });
    EXPECT_TRUE(waitUntil([&] { return eventLoopRan; }, 1s));

    sandbox.continueServer(server);
    sandbox.newSession(server, "two");
    EXPECT_TRUE(waitUntil(
        [&] {
            engine->timerTick();
            return logged(*engine, "Session opened: two (1 windows)");
        },
        5s));
    EXPECT_EQ(countOf(*engine, "Session opened: two (1 windows)"), 1u);
}

TEST_F(ScannerEngineTest, ClosedSessionsAndWindowsAreNotifiedWhenAsked) {
    env->setNotifyOnClose(true);
    env->setScannerInterval(0.5);
    sandbox.newWindow(server, "main", "extra");
    sandbox.newSession(server, "gone");
    EXPECT_TRUE(untilSessions([](const SessionList& s) { return s.size() == 2 && s[0].windows.size() + s[1].windows.size() == 3; }));
    engine->start();
    sandbox.tmux(server, {"rename-window", "-t", "main:1", "renamed"});
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "main 1: renamed extra → renamed"); }));
    sandbox.tmux(server, {"kill-window", "-t", "main:1"});
    sandbox.tmux(server, {"kill-session", "-t", "gone"});
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "Session closed: gone") && logged(*engine, "main: window closed 1:renamed"); }));
    EXPECT_EQ(notifier.posts, (std::vector<std::pair<std::string, std::string>>{
                                  {"tmux — closed", "Session closed: gone"},
                                  {"tmux — closed", "main: window closed 1:renamed"},
                              }));
}

TEST_F(ScannerEngineTest, EveryEventIsOfferedToTheRules) {
    env->setAutoCommandsEnabled(true);
    ScanRule rule;
    rule.name = "new session";
    rule.trigger = ScanRuleTrigger::sessionAdded;
    rules->upsert(rule);
    env->setScannerInterval(0.5);
    engine->start();
    sandbox.newSession(server, "two");
    EXPECT_TRUE(waitUntil([&] { return !notifier.posts.empty(); }));
    EXPECT_EQ(notifier.posts.at(0), (std::pair<std::string, std::string>{"Rule: new session", "Session opened: two (1 windows)"}));
    ASSERT_EQ(rules->executions().size(), 1u);
}

TEST_F(ScannerEngineTest, LogKeepsTheLatestFiveHundredEvents) {
    env->setScannerInterval(30);
    for (int i = 0; i < 251; ++i) {
        engine->start();
        engine->stop();
    }
    ASSERT_EQ(engine->events().size(), ScannerEngine::maxEvents);
    // 502 were appended: the first two are gone.
    EXPECT_EQ(engine->events().front().message, "Scanner started — Polling (interval), baseline: 1 sessions.");
    EXPECT_EQ(engine->events().back().message, "Scanner stopped.");
    engine->clearEvents();
    EXPECT_TRUE(engine->events().empty());
}

TEST_F(ScannerEngineTest, ControlModePushesWindowChangesAndDiffsSessions) {
    env->setScannerMode(ScannerMode::controlMode);
    env->setScannerInterval(2);
    engine->start();
    EXPECT_EQ(engine->timerInterval(), 5000ms);
    expectNext("Scanner started — Control mode (push), baseline: 1 sessions.");
    expectNext("Control mode attached to “main” — push events active.");
    ASSERT_TRUE(engine->controlAttached());
    ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));

    sandbox.newWindow(server, "main", "logs");
    EXPECT_TRUE(waitUntil([&] { return lastOfKind(*engine, Kind::windowAdded) != nullptr; }));
    const ScanEvent opened = *lastOfKind(*engine, Kind::windowAdded);
    ASSERT_TRUE(opened.target);
    EXPECT_EQ(opened.target->front(), '@');
    EXPECT_EQ(opened.session, "main:1 logs");
    EXPECT_EQ(opened.message, "Window opened: main:1 logs");
    const std::string id = *opened.target;

    sandbox.tmux(server, {"rename-window", "-t", "main:1", "my editor"});
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "Window " + id + " renamed: my editor"); }));
    sandbox.tmux(server, {"kill-window", "-t", "main:1"});
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "Window closed (" + id + ")"); }));
    sandbox.newSession(server, "two");
    // Its push may come while the snapshot of an earlier push is out: one more follows, well
    // before the next tick.
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "Session opened: two (1 windows)"); }, 3s));
    sandbox.tmux(server, {"rename-session", "-t", "two", "build box"});
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "Session renamed: build box"); }));
    // Sessions are only diffed at session level in this mode.
    for (const auto& event : engine->events()) EXPECT_NE(event.kind, Kind::paneChanged);

    // The server goes away: the client ends, its child is reaped, the tick falls back.
    const pid_t pid = engine->controlPid().value();
    const std::size_t before = engine->events().size();
    sandbox.killServer(server);
    EXPECT_TRUE(waitUntil([&] { return logged(*engine, "Control mode disconnected — retrying on the next tick."); }));
    EXPECT_FALSE(engine->controlAttached());
    EXPECT_TRUE(testing::processGone(pid));
    EXPECT_TRUE(untilSessions([](const SessionList& s) { return s.empty(); }));
    // Both sessions close (under the names of the last session-level snapshot).
    auto closings = [&] {
        std::size_t n = 0;
        for (std::size_t i = before; i < engine->events().size(); ++i) n += engine->events()[i].kind == Kind::sessionRemoved;
        return n;
    };
    EXPECT_TRUE(waitUntil([&] {
        engine->timerTick();  // skipped while a snapshot is in flight
        return closings() == 2;
    }));
    EXPECT_TRUE(logged(*engine, "Session closed: main"));
    EXPECT_FALSE(engine->controlAttached());  // nothing to attach to

    // A session comes back: the next tick reconnects.
    sandbox.newSession(server, "again");
    EXPECT_TRUE(untilSessions([](const SessionList& s) { return !s.empty(); }));
    engine->timerTick();
    EXPECT_TRUE(engine->controlAttached());
    EXPECT_EQ(countOf(*engine, "Control mode attached to “again” — push events active."), 1u);
    EXPECT_GT(engine->events().size(), before);
}

TEST_F(ScannerEngineTest, ControlModeWithoutSessionsFallsBackUntilOneAppears) {
    sandbox.killServer(server);
    EXPECT_TRUE(untilSessions([](const SessionList& s) { return s.empty(); }));
    env->setScannerMode(ScannerMode::controlMode);
    engine->start();
    const std::string fallback = "Control mode: no server running — falling back to polling until a session appears.";
    EXPECT_TRUE(logged(*engine, fallback));
    engine->timerTick();
    engine->timerTick();
    EXPECT_EQ(countOf(*engine, fallback), 1u);
    EXPECT_FALSE(engine->controlAttached());

    sandbox.newSession(server, "late");
    EXPECT_TRUE(untilSessions([](const SessionList& s) { return !s.empty(); }));
    engine->timerTick();
    EXPECT_TRUE(engine->controlAttached());
    EXPECT_TRUE(logged(*engine, "Control mode attached to “late” — push events active."));
}

TEST_F(ScannerEngineTest, AChangeOfServerIsNoChangeOfItsSessions) {
    // Two servers with different sessions; every event would be notified and fire a rule.
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "elsewhere");
    env->setNotifyOnClose(true);
    env->setAutoCommandsEnabled(true);
    ScanRule rule;
    rule.name = "any";
    rules->upsert(rule);
    env->setScannerInterval(30);  // ticks by hand
    const std::string servers[] = {server, other};
    for (int round = 0; round < 2; ++round) {
        const ScannerMode mode = round == 0 ? ScannerMode::polling : ScannerMode::controlMode;
        const std::string& from = servers[round];
        const std::string& to = servers[1 - round];
        env->setScannerMode(mode);
        engine->start();
        if (mode == ScannerMode::controlMode) {
            ASSERT_TRUE(testing::waitForControlClients(sandbox, from, 1));
        }
        const std::size_t before = engine->events().size();

        env->setSocketValue(to);
        env->applySocketSettings();
        const std::string expected = to == server ? "main" : "elsewhere";
        ASSERT_TRUE(waitUntil([&] { return env->sessions().size() == 1 && env->sessions()[0].name == expected; }));
        for (int tick = 0; tick < 3; ++tick) {
            engine->timerTick();
            waitUntil([] { return false; }, 100ms);
        }
        for (std::size_t i = before; i < engine->events().size(); ++i) {
            EXPECT_TRUE(engine->events()[i].kind == Kind::info) << engine->events()[i].message;
        }
        EXPECT_TRUE(notifier.posts.empty());
        if (mode == ScannerMode::controlMode) {
            EXPECT_TRUE(testing::waitForControlClients(sandbox, to, 1));
            EXPECT_TRUE(testing::waitForControlClients(sandbox, from, 0));
        }

        // The new server's changes are reported against its own baseline.
        const std::string added = "added" + std::to_string(round);
        sandbox.newSession(to, added);
        EXPECT_TRUE(waitUntil([&] {
            engine->timerTick();
            return logged(*engine, "Session opened: " + added + " (1 windows)");
        }));
        engine->stop();
        notifier.posts.clear();
    }
}

TEST_F(ScannerEngineTest, AReplacedClientsExitDoesNotDropTheNewOne) {
    const pid_t first = startAttached();
    engine->stop();
    engine->start();
    ASSERT_TRUE(engine->controlAttached());
    ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));
    EXPECT_TRUE(testing::processGone(first));
    // Let the old client's exit report arrive.
    waitUntil([] { return false; }, 300ms);
    EXPECT_TRUE(engine->controlAttached());
    EXPECT_FALSE(logged(*engine, "Control mode disconnected — retrying on the next tick."));
}

TEST_F(ScannerEngineTest, DiscardingARunningEngineLeavesNoChild) {
    const pid_t pid = startAttached();
    engine.reset();
    EXPECT_TRUE(testing::processGone(pid));
    EXPECT_TRUE(testing::waitForControlClients(sandbox, server, 0));
    waitUntil([] { return false; }, 200ms);  // late reports find no engine
}

TEST_F(ScannerEngineTest, AnUnstartableControlClientIsReportedOnEveryTry) {
    const std::string missing = (home.path() / "no-tmux").string();
    // A client whose executable vanished after detection.
    testing::writeScript(home.path() / "no-tmux", "exec '" + TmuxSandbox::tmuxPath() + "' \"$@\"\n");
    env = environment(missing);
    rules = std::make_unique<RuleStore>(store(), *env, notifier);
    engine = std::make_unique<ScannerEngine>(*env, *rules, notifier);
    std::filesystem::remove(missing);
    env->setScannerMode(ScannerMode::controlMode);
    engine->start();
    engine->timerTick();
    std::size_t failures = 0;
    for (const auto& event : engine->events())
        if (event.kind == Kind::error && event.message.rfind("Control mode failed: ", 0) == 0) ++failures;
    EXPECT_EQ(failures, 2u);
    EXPECT_FALSE(engine->controlAttached());
}

}  // namespace
}  // namespace quillon
