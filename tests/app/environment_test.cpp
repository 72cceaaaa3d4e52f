#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/app_environment.h"
#include "app/terminal_launcher.h"
#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "tests/app/app_test_support.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using testing::finish;
using testing::TempDir;
using testing::TmuxSandbox;
using testing::waitUntil;

std::vector<std::string> names(const SessionList& sessions) {
    std::vector<std::string> out;
    for (const auto& s : sessions) out.push_back(s.name);
    return out;
}

const TmuxSession* find(const SessionList& sessions, const std::string& name) {
    auto it = std::find_if(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == name; });
    return it == sessions.end() ? nullptr : &*it;
}

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override { sandbox.newSession(server, "main"); }

    DefaultsStore store() const { return DefaultsStore(home.path() / "config" / "quillon" / "org.quillon.Quillon.json"); }

    // An environment on the sandbox server, bootstrapped (first refresh done, timer running).
    std::unique_ptr<AppEnvironment> environment(std::optional<std::string> tmuxPath = TmuxSandbox::tmuxPath()) {
        auto s = store();
        s.set("socketMode", "name");
        s.set("socketValue", server);
        s.set("language", "en");
        auto env = std::make_unique<AppEnvironment>(AppEnvironment::Options{s, tmuxPath, platform.platform()});
        if (tmuxPath) {
            EXPECT_TRUE(waitUntil([&] { return env->pollingTimerInterval().has_value(); }));
        }
        return env;
    }

    TmuxSandbox sandbox;
    TempDir home{"quillon-home"};
    testing::ScopedEnv homeEnv{"HOME", home.str()};
    testing::RecordingPlatform platform;
    std::string server = TmuxSandbox::uniqueName("env");
};

TEST_F(EnvironmentTest, BootstrapReadsTheServerAndStartsPolling) {
    sandbox.tmux(server, {"set-option", "-g", "prefix", "C-a"});
    auto env = environment();
    EXPECT_TRUE(text::startsWith(env->tmuxVersion(), "tmux "));
    EXPECT_EQ(env->prefix(), "C-a");
    EXPECT_EQ(names(env->sessions()), std::vector<std::string>{"main"});
    EXPECT_TRUE(env->serverRunning());
    EXPECT_EQ(env->lastError(), std::nullopt);
    EXPECT_EQ(env->pollingTimerInterval(), 4000ms);
    ASSERT_TRUE(env->client());
    EXPECT_EQ(env->client()->socketArgs, (std::vector<std::string>{"-L", server}));

    // The timer picks up a session created behind the app's back.
    env->setPollingInterval(0.2);
    EXPECT_EQ(env->pollingTimerInterval(), 1000ms);
    sandbox.newSession(server, "later");
    EXPECT_TRUE(waitUntil([&] { return find(env->sessions(), "later") != nullptr; }, 3s));
}

TEST_F(EnvironmentTest, ThePollingPeriodStaysWithinASecondAndADay) {
    store().set("pollingInterval", 1e308);
    auto env = environment();
    EXPECT_EQ(env->pollingTimerInterval(), std::chrono::hours(24));
    env->setPollingInterval(std::nan(""));
    EXPECT_EQ(env->pollingTimerInterval(), 1000ms);
    env->setPollingInterval(-5);
    EXPECT_EQ(env->pollingTimerInterval(), 1000ms);
}

TEST_F(EnvironmentTest, PublishedStateChangesOnTheGuiThread) {
    auto env = environment();
    QThread* gui = QThread::currentThread();
    bool elsewhere = false;
    QObject::connect(env.get(), &AppEnvironment::sessionsChanged, [&] { elsewhere |= QThread::currentThread() != gui; });
    QSignalSpy sessionsChanged(env.get(), &AppEnvironment::sessionsChanged);
    ASSERT_TRUE(finish([&](auto done) { env->createSession("second", std::nullopt, done); }));
    EXPECT_EQ(sessionsChanged.count(), 1);
    EXPECT_FALSE(elsewhere);
}

TEST_F(EnvironmentTest, WithoutTmuxNothingRuns) {
    auto env = environment(std::nullopt);
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(env->lastError(), TmuxError::binaryNotFound().localizedDescription());
    EXPECT_FALSE(env->client());
    EXPECT_TRUE(finish([&](auto done) { env->killSession("main", done); }));
    EXPECT_TRUE(finish([&](auto done) { env->refresh(done); }));
    std::optional<std::string> captured;
    env->capturePane("main", 10, [&](std::string text) { captured = text; });
    EXPECT_EQ(captured, "");
    QCoreApplication::processEvents();
    EXPECT_FALSE(env->pollingTimerInterval());
    EXPECT_TRUE(env->sessions().empty());
    EXPECT_EQ(sandbox.client(server).snapshot().size(), 1u);
}

TEST_F(EnvironmentTest, SessionActionsAgainstRealTmux) {
    auto env = environment();
    const auto work = home.path() / "work dir";
    std::filesystem::create_directories(work);

    ASSERT_TRUE(finish([&](auto done) { env->createSession("alpha", work.string(), done); }));
    const TmuxSession* alpha = find(env->sessions(), "alpha");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(std::filesystem::path(alpha->path), work);

    ASSERT_TRUE(finish([&](auto done) { env->renameSession("alpha", "beta", done); }));
    EXPECT_EQ(names(env->sessions()), (std::vector<std::string>{"beta", "main"}));

    sandbox.newWindow(server, "beta", "extra");
    sandbox.splitWindow(server, "beta:0");
    ASSERT_TRUE(finish([&](auto done) { env->refresh(done); }));
    ASSERT_EQ(find(env->sessions(), "beta")->windows.size(), 2u);

    // Swapping moves the first pane's process down.
    const auto pidsBefore = [&] {
        std::vector<std::int64_t> pids;
        for (const auto& pane : find(env->sessions(), "beta")->windows[0].panes) pids.push_back(pane.pid);
        return pids;
    };
    const auto before = pidsBefore();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_TRUE(finish([&](auto done) { env->swapPane("beta:0.0", false, done); }));
    EXPECT_EQ(pidsBefore(), (std::vector<std::int64_t>{before[1], before[0]}));

    ASSERT_TRUE(finish([&](auto done) { env->killPane("beta:0.1", done); }));
    EXPECT_EQ(find(env->sessions(), "beta")->windows[0].panes.size(), 1u);
    ASSERT_TRUE(finish([&](auto done) { env->killWindow("beta:1", done); }));
    EXPECT_EQ(find(env->sessions(), "beta")->windows.size(), 1u);

    ASSERT_TRUE(finish([&](auto done) { env->sendKeys("beta", "echo sent-$((6*7))", true, done); }));
    std::string screen;
    EXPECT_TRUE(waitUntil([&] {
        bool got = false;
        env->capturePane("beta:0.0", 50, [&](std::string text) { screen = std::move(text), got = true; });
        waitUntil([&] { return got; });
        return text::contains(screen, "sent-42");
    }, 5s)) << screen;
    std::string history;
    env->captureScrollback("beta:0.0", [&](std::string text) { history = std::move(text); });
    EXPECT_TRUE(waitUntil([&] { return text::contains(history, "sent-42"); }));

    ASSERT_TRUE(finish([&](auto done) { env->killSession("beta", done); }));
    EXPECT_EQ(names(env->sessions()), std::vector<std::string>{"main"});
    EXPECT_EQ(env->lastError(), std::nullopt);
}

TEST_F(EnvironmentTest, ReloadConfigSourcesTheUsersConfiguration) {
    testing::writeFile(home.path() / ".tmux.conf", "set -g @quillon-reloaded yes\n");
    auto env = environment();
    ASSERT_TRUE(finish([&](auto done) { env->reloadConfig(done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);
    EXPECT_EQ(sandbox.tmux(server, {"show-options", "-gv", "@quillon-reloaded"}), "yes\n");

    testing::writeFile(home.path() / ".tmux.conf", "this-is-no-command\n");
    ASSERT_TRUE(finish([&](auto done) { env->reloadConfig(done); }));
    EXPECT_TRUE(env->lastError());
}

TEST_F(EnvironmentTest, FailuresLandInLastErrorAndSuccessClearsIt) {
    auto env = environment();
    ASSERT_TRUE(finish([&](auto done) { env->killSession("no-such-session", done); }));
    ASSERT_TRUE(env->lastError());
    EXPECT_TRUE(text::contains(*env->lastError(), "can't find session")) << *env->lastError();
    // A failed action still refreshes; the next success clears the message.
    ASSERT_TRUE(finish([&](auto done) { env->createSession("fine", std::nullopt, done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);

    // Capture failures are quiet.
    ASSERT_TRUE(finish([&](auto done) { env->killSession("no-such-session", done); }));
    const auto error = env->lastError();
    bool got = false;
    std::string captured = "unset";
    env->capturePane("nowhere:9.9", 10, [&](std::string text) { captured = std::move(text), got = true; });
    ASSERT_TRUE(waitUntil([&] { return got; }));
    EXPECT_EQ(captured, "");
    EXPECT_EQ(env->lastError(), error);
    // Only a later refresh (a timer tick) clears it.
    ASSERT_TRUE(finish([&](auto done) { env->refresh(done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);
}

TEST_F(EnvironmentTest, FailedSnapshotKeepsTheLastGoodSessions) {
    testing::WrappedTmux tmux(home.path());
    auto env = environment(tmux.path());
    ASSERT_EQ(names(env->sessions()), std::vector<std::string>{"main"});
    tmux.failWhenArgumentsContain("list-sessions");
    ASSERT_TRUE(finish([&](auto done) { env->refresh(done); }));
    EXPECT_EQ(env->lastError(), "refused: list-sessions");
    EXPECT_EQ(names(env->sessions()), std::vector<std::string>{"main"});
    EXPECT_TRUE(env->serverRunning());

    // A server with no sessions left is no error.
    tmux.clearFailures();
    sandbox.killServer(server);
    ASSERT_TRUE(finish([&](auto done) { env->refresh(done); }));
    EXPECT_TRUE(env->sessions().empty());
    EXPECT_FALSE(env->serverRunning());
    EXPECT_EQ(env->lastError(), std::nullopt);
}

TEST_F(EnvironmentTest, OverlappingRefreshRequestsJoinOneMoreSnapshot) {
    testing::WrappedTmux tmux(home.path());
    auto env = environment(tmux.path());
    const auto snapshotsBefore = tmux.count("list-sessions");
    QSignalSpy finished(env.get(), &AppEnvironment::refreshFinished);
    std::vector<int> completedAfter;  // snapshots finished when each completion ran
    for (int i = 0; i < 4; ++i) env->refresh([&] { completedAfter.push_back(finished.count()); });
    EXPECT_TRUE(env->refreshing());
    EXPECT_TRUE(completedAfter.empty());
    ASSERT_TRUE(waitUntil([&] { return completedAfter.size() == 4; }));
    EXPECT_FALSE(env->refreshing());
    EXPECT_EQ(completedAfter, (std::vector<int>{1, 2, 2, 2}));
    EXPECT_EQ(tmux.count("list-sessions") - snapshotsBefore, 2u);
}

TEST_F(EnvironmentTest, AnActionsCompletionSeesTheWorldAfterTheAction) {
    testing::WrappedTmux tmux(home.path());
    auto env = environment(tmux.path());
    tmux.slowWhenArgumentsContain("list-sessions");
    // A poll refresh is still running when each action ends.
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
    const auto opened = platform.terminals->opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(text::contains(opened[0].second, "'=launched:'")) << opened[0].second;
}

TEST_F(EnvironmentTest, ApplyingSocketSettingsSwitchesServers) {
    auto env = environment();
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "elsewhere");
    QSignalSpy clientChanged(env.get(), &AppEnvironment::clientChanged);
    env->setSocketValue(other);
    EXPECT_EQ(names(env->sessions()), std::vector<std::string>{"main"});  // waits for apply
    env->applySocketSettings();
    EXPECT_EQ(clientChanged.count(), 1);
    EXPECT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"elsewhere"}; }));
    EXPECT_EQ(store().string("socketValue"), other);
}

TEST_F(EnvironmentTest, CopyableCommandsQuoteWhatAShellWouldMisread) {
    auto env = environment();
    TmuxSession dev;
    dev.name = "dev";
    EXPECT_EQ(env->command("attach", dev), "tmux -L " + server + " attach -t dev");
    env->setSocketMode(TmuxSocketMode::default_);
    EXPECT_EQ(env->command("kill-session", dev), "tmux kill-session -t dev");
    TmuxSession sly;
    sly.name = "x; rm -rf ~";
    EXPECT_EQ(env->command("attach", sly), "tmux attach -t 'x; rm -rf ~'");
    env->setSocketMode(TmuxSocketMode::path);
    env->setSocketValue("/run/my sockets/s");
    sly.name = "it's";
    EXPECT_EQ(env->command("attach", sly), "tmux -S '/run/my sockets/s' attach -t 'it'\\''s'");
}

TEST_F(EnvironmentTest, AttachOpensThePreferredTerminalWithTheAttachLine) {
    platform.terminals = std::make_shared<testing::RecordingTerminalHost>(
        std::vector<TerminalApp>{TerminalApp::terminal, TerminalApp::alacritty});
    store().set("preferredTerminal", "Alacritty");
    auto env = environment();
    TmuxSession dev;
    dev.name = "dev";
    TmuxWindow window;
    window.index = 2;
    ASSERT_TRUE(finish([&](auto done) { env->attach(dev, window, done); }));
    const auto opened = platform.terminals->opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, TerminalApp::alacritty);
    EXPECT_EQ(opened[0].second, TerminalLauncher::buildShellCommand("dev", std::string("dev:2"),
                                                                    TmuxSandbox::tmuxPath(), {"-L", server}));

    platform.terminals->failWith("Could not open Alacritty");
    ASSERT_TRUE(finish([&](auto done) { env->attach(dev, std::nullopt, done); }));
    EXPECT_EQ(env->lastError(), "Could not open Alacritty");
}

TEST_F(EnvironmentTest, OpenInFinderUsesTheDesktopAndReportsFailure) {
    auto env = environment();
    env->openInFinder("");
    env->openInFinder("/tmp");
    EXPECT_EQ(platform.directories->opened, std::vector<std::string>{"/tmp"});
    EXPECT_EQ(env->lastError(), std::nullopt);
    platform.directories->succeed = false;
    env->openInFinder("/nowhere");
    EXPECT_EQ(env->lastError(), "Could not open /nowhere");
}

// ---- Idle sessions ----

class IdleSessionsTest : public EnvironmentTest {
protected:
    // tmux gives creation times in whole seconds: idle after 1.6 s, waiting 2.2 s is safe.
    void SetUp() override {
        EnvironmentTest::SetUp();
        store().set("idleThresholdHours", 1.6 / 3600);
    }
    void becomeIdle() { std::this_thread::sleep_for(2200ms); }
};

TEST_F(IdleSessionsTest, ABadThresholdNeverMakesEverySessionIdle) {
    sandbox.newSession(server, "recent");
    for (double hours : {-1.0, 0.0, std::nan("")}) {
        auto env = environment();
        env->setIdleThresholdHours(hours);
        EXPECT_TRUE(env->idleSessions().empty()) << hours;
        ASSERT_TRUE(finish([&](auto done) { env->killIdleSessions(done); }));
        EXPECT_EQ(names(env->sessions()), (std::vector<std::string>{"main", "recent"})) << hours;
    }
}

TEST_F(IdleSessionsTest, NothingIdleRunsNothing) {
    testing::WrappedTmux tmux(home.path());
    auto env = environment(tmux.path());
    env->setIdleThresholdHours(24);
    const auto runs = tmux.log().size();
    ASSERT_TRUE(finish([&](auto done) { env->killIdleSessions(done); }));
    EXPECT_EQ(tmux.log().size(), runs);
}

TEST_F(IdleSessionsTest, KillsOnlySessionsIdleOnAFreshSnapshot) {
    sandbox.newSession(server, "old one");
    sandbox.newSession(server, "watched");
    sandbox.newSession(server, "devel");
    becomeIdle();
    sandbox.newSession(server, "young");
    auto env = environment();
    EXPECT_EQ(names(env->idleSessions()), (std::vector<std::string>{"devel", "main", "old one", "watched"}));

    // Someone attaches to "watched" after the last refresh: it must survive.
    const std::string host = TmuxSandbox::uniqueName("viewer");
    sandbox.newSession(host, "viewer");
    sandbox.tmux(host, {"new-window", "-d", "-t", "viewer:", "/usr/bin/env", "-u", "TMUX", TmuxSandbox::tmuxPath(),
                        "-L", server, "attach-session", "-t", "watched"});
    ASSERT_TRUE(waitUntil([&] { return text::contains(sandbox.tmux(server, {"list-clients"}), "watched"); }, 5s));

    ASSERT_TRUE(finish([&](auto done) { env->killIdleSessions(done); }));
    EXPECT_EQ(names(env->sessions()), (std::vector<std::string>{"watched", "young"}));
    EXPECT_EQ(env->lastError(), std::nullopt);
}

TEST_F(IdleSessionsTest, EveryIdleSessionIsTriedAndFailuresNameTheSession) {
    sandbox.newSession(server, "stubborn");
    sandbox.newSession(server, "ghost");
    sandbox.newSession(server, "zeta");
    becomeIdle();
    testing::WrappedTmux tmux(home.path());
    auto env = environment(tmux.path());
    // "ghost" is gone when its kill arrives (someone else was faster); "stubborn" refuses.
    tmux.runTwiceWhenArgumentsContain("kill-session -t =ghost");
    tmux.failWhenArgumentsContain("kill-session -t =stubborn");
    ASSERT_TRUE(finish([&](auto done) { env->killIdleSessions(done); }));
    EXPECT_EQ(tmux.count("kill-session -t =ghost"), 1u);
    EXPECT_EQ(names(env->sessions()), std::vector<std::string>{"stubborn"});
    ASSERT_TRUE(env->lastError());
    EXPECT_EQ(*env->lastError(), "Could not kill session “stubborn”: refused: kill-session -t =stubborn");
}

}  // namespace
}  // namespace quillon
