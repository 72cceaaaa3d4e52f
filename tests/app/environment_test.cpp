// The app's state store against a private server: bootstrap and polling, actions and their
// errors, refreshes that join instead of piling up, the server switch, attach lines and the
// idle clean-up deciding on what tmux says at the time.
#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QThread>

#include <filesystem>
#include <map>

#include "app/terminal_launcher.h"
#include "core/control_mode.h"
#include "core/l10n.h"
#include "tests/app/app_test_support.h"
#include "tests/support/control_clients.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;

class EnvironmentTest : public AppFixture {
protected:
    void SetUp() override { sandbox.newSession(server, "main"); }
    // The stores on a tmux that logs and misbehaves when asked.
    WrappedTmux& wrapped() {
        wrapper = std::make_unique<WrappedTmux>(home.path());
        tmuxPath = wrapper->path();
        startStores();
        return *wrapper;
    }
    std::unique_ptr<WrappedTmux> wrapper;
};

TEST_F(EnvironmentTest, BootstrapReadsTheServerAndPollsOnTheGuiThread) {
    tmux({"set-option", "-g", "prefix", "C-a"});
    startStores();
    EXPECT_TRUE(text::startsWith(env->tmuxVersion(), "tmux "));
    EXPECT_EQ(env->prefix(), "C-a");
    EXPECT_EQ(names(env->sessions()), Names{"main"});
    EXPECT_EQ(env->pollingTimerInterval(), 4000ms);
    EXPECT_EQ(env->client()->socketArgs, (Names{"-L", server}));

    // The timer follows the setting and picks up a session created behind the app's back,
    // publishing it on the GUI thread.
    QThread* gui = QThread::currentThread();
    bool elsewhere = false;
    QObject::connect(env.get(), &AppEnvironment::sessionsChanged, [&] { elsewhere |= QThread::currentThread() != gui; });
    env->setPollingInterval(0.2);
    EXPECT_EQ(env->pollingTimerInterval(), 1000ms);
    sandbox.newSession(server, "later");
    EXPECT_TRUE(waitUntil([&] { return find(env->sessions(), "later") != nullptr; }, 3s));
    EXPECT_FALSE(elsewhere);
}

TEST_F(EnvironmentTest, WithoutTmuxNothingRuns) {
    tmuxPath.reset();
    startStores();
    EXPECT_EQ(env->lastError(), TmuxError::binaryNotFound().localizedDescription());
    EXPECT_FALSE(env->client());
    // Actions and captures end at once, having done nothing.
    EXPECT_TRUE(finish([&](auto done) { env->killSession("main", done); }, 0ms));
    std::optional<std::string> captured;
    env->capturePane("main", 10, [&](std::string text) { captured = text; });
    EXPECT_EQ(captured, "");
    QCoreApplication::processEvents();
    EXPECT_FALSE(env->pollingTimerInterval());
    EXPECT_EQ(sandbox.client(server).snapshot().size(), 1u);
}

// The screens' tests start the actions; here, what becomes of their failures.
TEST_F(EnvironmentTest, FailuresStayInLastErrorUntilASuccessOrALaterRefresh) {
    startStores();
    ASSERT_TRUE(finish([&](auto done) { env->renameSession("no-such-session", "x", done); }));
    EXPECT_TRUE(text::contains(env->lastError().value_or(""), "can't find session"));
    ASSERT_TRUE(finish([&](auto done) { env->createSession("fine", std::nullopt, done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);
    // Capture failures are quiet; only a later refresh clears a failure.
    ASSERT_TRUE(finish([&](auto done) { env->killSession("no-such-session", done); }));
    const auto error = env->lastError();
    std::optional<std::string> captured;
    env->capturePane("nowhere:9.9", 10, [&](std::string text) { captured = std::move(text); });
    ASSERT_TRUE(waitUntil([&] { return captured.has_value(); }));
    EXPECT_EQ(captured, "");
    EXPECT_EQ(env->lastError(), error);
    refreshNow();
    EXPECT_EQ(env->lastError(), std::nullopt);

    env->openInFinder("");
    env->openInFinder("/tmp");
    EXPECT_EQ(desktop.directories, Names{"/tmp"});
    desktop.directoriesOpen = false;
    env->openInFinder("/nowhere");
    EXPECT_EQ(env->lastError(), "Could not open /nowhere");
}

TEST_F(EnvironmentTest, RefreshesJoinOneMoreSnapshotSeeActionsThroughAndKeepTheLastGoodSessions) {
    WrappedTmux& logged = wrapped();
    const auto snapshotsBefore = logged.count("list-sessions");
    QSignalSpy finished(env.get(), &AppEnvironment::refreshFinished);
    std::vector<int> completedAfter;  // snapshots finished when each completion ran
    for (int i = 0; i < 4; ++i) env->refresh([&] { completedAfter.push_back(finished.count()); });
    ASSERT_TRUE(waitUntil([&] { return completedAfter.size() == 4; }));
    EXPECT_EQ(completedAfter, (std::vector<int>{1, 2, 2, 2}));
    EXPECT_EQ(logged.count("list-sessions") - snapshotsBefore, 2u);
    EXPECT_FALSE(env->refreshing());

    // An action's completion sees the world after the action, even with a poll still running.
    logged.slowWhenArgumentsContain("list-sessions");
    env->refresh();
    bool created = false;
    ASSERT_TRUE(finish([&](auto done) {
        env->createSession("fresh", std::nullopt, [&, done] {
            created = find(env->sessions(), "fresh") != nullptr;
            done();
        });
    }));
    EXPECT_TRUE(created);
    env->refresh();
    const SessionTemplate t{newTemplateID(), "launched", "", {{newTemplateID(), "w", ""}}};
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    ASSERT_EQ(desktop.opened().size(), 1u);
    ASSERT_NE(find(env->sessions(), "launched"), nullptr);
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "'" + find(env->sessions(), "launched")->sessionID + "'"));
    logged.slowWhenArgumentsContain("no run has this");

    logged.failWhenArgumentsContain("list-sessions");
    refreshNow();
    EXPECT_EQ(env->lastError(), "refused: list-sessions");
    EXPECT_EQ(names(env->sessions()), (Names{"fresh", "launched", "main"}));
    EXPECT_TRUE(env->serverRunning());
    // A server with no sessions left is no error.
    logged.clearFailures();
    sandbox.killServer(server);
    refreshNow();
    EXPECT_TRUE(env->sessions().empty());
    EXPECT_FALSE(env->serverRunning());
    EXPECT_EQ(env->lastError(), std::nullopt);
}

TEST_F(EnvironmentTest, AttachOpensThePreferredTerminalAndCopiedLinesAreQuoted) {
    desktop.installed = {TerminalApp::terminal, TerminalApp::alacritty};
    store().set("preferredTerminal", "Alacritty");
    startStores();
    ASSERT_TRUE(finish([&](auto done) { env->attach({.name = "dev"}, TmuxWindow{.index = 2}, done); }));
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(desktop.opened()[0].first, TerminalApp::alacritty);
    EXPECT_EQ(desktop.opened()[0].second,
              TerminalLauncher::buildShellCommand("dev", std::string("dev:2"), TmuxSandbox::tmuxPath(), {"-L", server}));
    desktop.terminalFailure = "Could not open Alacritty";
    ASSERT_TRUE(finish([&](auto done) { env->attach({.name = "dev"}, std::nullopt, done); }));
    EXPECT_EQ(env->lastError(), "Could not open Alacritty");

    // Copied lines name the session exactly: pasted after "dev" closed, they never reach
    // "devops"; a name tmux would read as an id ("$0") goes by the session's own id.
    const struct {
        TmuxSocketMode mode;
        const char *socket, *verb, *session, *id;
        std::string line;
    } copied[] = {
        {TmuxSocketMode::name, "", "attach", "dev", "$4", "tmux -L " + server + " attach -t '=dev'"},
        {TmuxSocketMode::default_, "", "kill-session", "x; rm -rf ~", "$5", "tmux kill-session -t '=x; rm -rf ~'"},
        {TmuxSocketMode::default_, "", "kill-session", "$0", "$6", "tmux kill-session -t '$6'"},
        {TmuxSocketMode::default_, "", "kill-session", "%0", "$7", "tmux kill-session -t '=%0'"},
        {TmuxSocketMode::path, "/run/my sockets/s", "attach", "it's", "$8", "tmux -S '/run/my sockets/s' attach -t '=it'\\''s'"},
    };
    for (const auto& c : copied) {
        env->setSocketMode(c.mode);
        if (*c.socket) env->setSocketValue(c.socket);
        EXPECT_EQ(env->command(c.verb, {.name = c.session, .sessionID = c.id}), c.line);
    }
}

// tmux gives creation times in whole seconds: idle after 1.6 s, waiting 2.2 s is safe.
// Each session is killed by its id: the idle one named "$5" is not the young $5.
TEST_F(EnvironmentTest, IdleCleanUpKillsOnlySessionsIdleOnAFreshSnapshotAndNamesFailures) {
    std::map<std::string, std::string> id;
    for (const char* name : {"watched", "ghost", "stubborn", "$5"}) id[name] = sandbox.newSession(server, name);
    ASSERT_EQ(id["$5"], "$4");
    WrappedTmux& logged = wrapped();
    env->setIdleThresholdHours(24);
    const auto runs = logged.log().size();
    ASSERT_TRUE(finish([&](auto done) { env->killIdleSessions(done); }));
    EXPECT_EQ(logged.log().size(), runs) << "nothing idle: nothing runs";

    env->setIdleThresholdHours(1.6 / 3600);
    // A scanner's control-mode client on "ghost" is nobody: it neither shows it attached nor
    // keeps it from the clean-up.
    TmuxControlMode scanner;
    scanner.start(sandbox.client(server), "ghost", nullptr, nullptr);
    ASSERT_TRUE(waitForControlClients(sandbox, server, 1));
    std::this_thread::sleep_for(2200ms);
    ASSERT_EQ(sandbox.newSession(server, "young"), "$5");
    refreshNow();
    EXPECT_FALSE(find(env->sessions(), "ghost")->isAttached);
    EXPECT_EQ(names(env->idleSessions()), (Names{"$5", "ghost", "main", "stubborn", "watched"}));
    // Someone attaches to "watched" in a terminal after the last refresh: it must survive.
    QProcess person;
    person.start("script", {"-qfc", QString::fromStdString("TERM=xterm exec '" + TmuxSandbox::tmuxPath() + "' -L " + server +
                                                          " attach -t =watched"), "/dev/null"});
    ASSERT_TRUE(waitUntil([&] { return text::split(tmux({"list-clients", "-F", "#{client_name}"}), "\n", true).size() == 2; }));
    // "ghost" is gone when its kill arrives (someone else was faster); "stubborn" refuses.
    logged.runTwiceWhenArgumentsContain("kill-session -t " + id["ghost"]);
    logged.failWhenArgumentsContain("kill-session -t " + id["stubborn"]);
    ASSERT_TRUE(finish([&](auto done) { env->killIdleSessions(done); }));
    EXPECT_EQ(logged.count("kill-session -t " + id["ghost"]), 1u);
    EXPECT_EQ(names(env->sessions()), (Names{"stubborn", "watched", "young"}));
    EXPECT_EQ(env->lastError(), "Could not kill session “stubborn”: refused: kill-session -t " + id["stubborn"]);
    EXPECT_TRUE(find(env->sessions(), "watched")->isAttached);
    person.kill();
    person.waitForFinished();
}

}  // namespace
}  // namespace quillon::testing
