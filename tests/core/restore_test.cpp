#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <thread>

#include "core/foreground_probe.h"
#include "core/restore_plan.h"
#include "core/server_snapshot.h"
#include "core/text.h"
#include "tests/support/eventually.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {

// Failures print the shapes as their JSON form rather than as raw bytes.
void PrintTo(const SnapshotSession& session, std::ostream* out) {
    *out << toJson(ServerSnapshot{ServerIdentity::named("x"), {}, {session}})["sessions"][0].dump();
}

namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::eventually;
using testing::TmuxSandbox;
using Commands = std::vector<std::vector<std::string>>;

const std::string layout2 = "b25f,80x24,0,0{40x24,0,0,1,39x24,41,0,2}";

ServerSnapshot twoSessions() {
    return {ServerIdentity::named("work"),
            fromEpochSeconds(1000),
            {{"dev",
              "/src",
              {{1, "editor", layout2, false, true, {{0, "/src", "vim", false}, {1, "/gone", "bash", true}}},
               {3, "logs", "", true, false, {{0, "/src", "tail", true}}}}},
             {"ops", "/", {{0, "sh", "", true, false, {{0, "/", "sh", true}}}}}}};
}

RestoreOptions options(std::set<std::string> restart = {}) {
    return {{}, std::move(restart), "/home/u", [](const std::string& dir) { return dir != "/gone"; }};
}

// The plan alone: no tmux runs.
TEST(RestorePlan, BuildsEachAbsentSessionFromItsSavedShape) {
    const RestorePlan plan = planRestore(twoSessions(), {"ops", "devops"}, options({"vim", "tail", "bash"}));
    EXPECT_EQ(plan.existing, std::vector<std::string>{"ops"});
    EXPECT_EQ(plan.missingDirectories, std::vector<std::string>{"/gone"});
    ASSERT_EQ(plan.sessions.size(), 1u);
    const SessionRestore& dev = plan.sessions[0];
    EXPECT_EQ(dev.name, "dev");
    EXPECT_EQ(dev.windows, 2);
    EXPECT_EQ(dev.panes, 3);
    EXPECT_EQ(dev.firstWindowIndex, 1);
    EXPECT_EQ(dev.create, (std::vector<std::string>{"new-session", "-d", "-s", "dev", "-n", "editor", "-x", "80", "-y",
                                                    "24", "-c", "/src", "-P", "-F",
                                                    "#{session_id}" + TmuxClient::sep + "#{window_index}"}));
    const Commands expected = {
        {"split-window", "-d", "-t", "{session}:1.0", "-c", "/home/u"},
        {"select-layout", "-t", "{session}:1", layout2},
        {"send-keys", "-t", "{session}:1.0", "-l", "--", "vim"},
        {"send-keys", "-t", "{session}:1.0", "Enter"},
        {"select-pane", "-t", "{session}:1.1"},
        {"resize-pane", "-Z", "-t", "{session}:1.1"},
        {"new-window", "-d", "-t", "{session}:3", "-n", "logs", "-c", "/src"},
        {"send-keys", "-t", "{session}:3.0", "-l", "--", "tail"},
        {"send-keys", "-t", "{session}:3.0", "Enter"},
        {"select-window", "-t", "{session}:3"},
    };
    EXPECT_EQ(dev.batch, expected);
}

TEST(RestorePlan, ChosenSessionsOnlyAndNothingTypedUnlessListed) {
    RestoreOptions chosen = options();
    chosen.sessions = {"ops"};
    const RestorePlan plan = planRestore(twoSessions(), {}, chosen);
    ASSERT_EQ(plan.sessions.size(), 1u);
    EXPECT_EQ(plan.sessions[0].name, "ops");
    const RestorePlan quiet = planRestore(twoSessions(), {}, options());
    for (const auto& command : quiet.sessions[0].batch) EXPECT_NE(command.front(), "send-keys");
    // Nothing restores what is already there.
    EXPECT_TRUE(planRestore(twoSessions(), {"dev", "ops"}, options()).sessions.empty());
}

TEST(RestorePlan, ShellsAreNeverTypedIntoAndFormatsStayLiteral) {
    for (const char* shell : {"sh", "bash", "-zsh", "fish", "nu", "yash"}) EXPECT_TRUE(ForegroundProbe::isShell(shell)) << shell;
    for (const char* program : {"vim", "htop", "bashtop", ""}) EXPECT_FALSE(ForegroundProbe::isShell(program)) << program;
    ServerSnapshot odd{ServerIdentity::named("x"), {}, {{"a#b", "/d#1", {{0, "#{pane_id}", "", true, false, {{0, "/d#1", "zsh", true}}}}}}};
    const RestorePlan plan = planRestore(odd, {}, options({"zsh"}));
    ASSERT_EQ(plan.sessions.size(), 1u);
    const auto& create = plan.sessions[0].create;
    EXPECT_EQ(create[3], "a##b");
    EXPECT_EQ(create[5], "##{pane_id}");
    EXPECT_EQ(create[7], "/d##1");
    EXPECT_EQ(plan.sessions[0].batch, (Commands{{"select-window", "-t", "{session}:0"}}));
}

TEST(RestorePlan, BatchesKeepArgumentsThatEndInSemicolons) {
    EXPECT_EQ(joinCommands({{"rename-window", "a;"}, {"select-window", "-t", "x"}}),
              (std::vector<std::string>{"rename-window", "a\\;", ";", "select-window", "-t", "x"}));
    EXPECT_TRUE(joinCommands({}).empty());
}

// ---- Through tmux ----

// A server's shape with layouts reduced to what survives new pane ids, creation times left out.
std::vector<SnapshotSession> shape(const TmuxClient& client) {
    ServerSnapshot snapshot = ServerSnapshot::capture(ServerIdentity::named("x"), client.snapshot(), {});
    for (auto& session : snapshot.sessions) {
        session.created = {};
        for (auto& window : session.windows) window.layout = layoutShape(window.layout);
    }
    return snapshot.sessions;
}

class RestoreThroughTmux : public ::testing::Test {
protected:
    RestoreThroughTmux() {
        for (const char* name : {"a", "b", "c", "d e"}) fs::create_directories(dir(name));
    }
    std::string dir(const std::string& name) const { return (dirs.path() / name).string(); }
    // Until its shell has started, a new pane shows tmux's own name and folder, and a login
    // shell then runs its profile's programs (mesg): shapes are compared once every pane has
    // run its shell for several reads in a row (or the wait gives up and the comparison says why).
    std::vector<SnapshotSession> settledShape() const {
        const auto shellsOnly = [](const std::vector<SnapshotSession>& sessions) {
            for (const auto& session : sessions)
                for (const auto& window : session.windows)
                    for (const auto& pane : window.panes)
                        if (pane.command != "sh") return false;
            return true;
        };
        std::vector<SnapshotSession> last;
        for (int i = 0, still = 0; i < 200 && still < 4; ++i) {
            auto current = shape(client());
            still = shellsOnly(current) && current == last ? still + 1 : 0;
            last = std::move(current);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return last;
    }
    // Starts a server itself when none runs, so it reads no user configuration.
    TmuxClient client() const { return TmuxClient(TmuxSandbox::tmuxPath(), {"-L", server, "-f", "/dev/null"}); }
    RestoreOptions restoreOptions(std::set<std::string> restart = {}) const {
        return {{}, std::move(restart), dirs.str(), [](const std::string& d) { return fs::is_directory(d); }};
    }
    // Three sessions: split windows, panes in different directories, a zoomed pane, odd names.
    void build() {
        sandbox.newSession(server, "alpha", dir("a"), "edit");
        sandbox.splitWindow(server, "alpha:0", dir("b"));
        sandbox.splitWindow(server, "alpha:0.1", dir("d e"));
        sandbox.tmux(server, {"select-layout", "-t", "alpha:0", "main-vertical"});
        sandbox.tmux(server, {"select-pane", "-t", "alpha:0.1"});
        sandbox.tmux(server, {"resize-pane", "-Z", "-t", "alpha:0.1"});
        sandbox.tmux(server, {"new-window", "-d", "-t", "alpha:4", "-n", "logs;#1", "-c", dir("c")});
        sandbox.newSession(server, "beta", dir("b"), "one");
        sandbox.newWindow(server, "beta", "two", dir("c"));
        sandbox.splitWindow(server, "beta:1", dir("a"));
        sandbox.tmux(server, {"split-window", "-h", "-t", "beta:1.1", "-c", dir("b")});
        sandbox.tmux(server, {"select-window", "-t", "beta:0"});
        sandbox.newSession(server, "gamma", dir("c"), "only");
    }

    TmuxSandbox sandbox;
    TempDir dirs{"quillon-restore"};
    std::string server = TmuxSandbox::uniqueName("restore");
};

TEST_F(RestoreThroughTmux, AKilledServerComesBackAsItWasAndASecondRestoreChangesNothing) {
    build();
    const ServerSnapshot saved = ServerSnapshot::capture(ServerIdentity::named("x"), client().snapshot(), Clock::now());
    const auto before = settledShape();
    ASSERT_EQ(before.size(), 3u);
    ASSERT_TRUE(before[0].windows[0].isZoomed);
    sandbox.killServerHard(server);

    const RestorePlan plan = planRestore(saved, {}, restoreOptions());
    const RestoreReport report = executeRestore(client(), plan);
    EXPECT_EQ(report.failures, std::vector<RestoreFailure>{});
    EXPECT_EQ(report.sessions, 3);
    EXPECT_EQ(report.windows, 5);
    EXPECT_EQ(report.panes, 9);
    EXPECT_EQ(settledShape(), before);

    const std::vector<std::string> live = {"alpha", "beta", "gamma"};
    const RestoreReport again = executeRestore(client(), planRestore(saved, live, restoreOptions()));
    EXPECT_EQ(again.sessions, 0);
    EXPECT_EQ(again.existing, live);
    // Even a plan made before the sessions came back leaves them alone.
    const RestoreReport stale = executeRestore(client(), plan);
    EXPECT_EQ(stale.sessions, 0);
    EXPECT_EQ(stale.existing, live);
    EXPECT_EQ(settledShape(), before);
}

TEST_F(RestoreThroughTmux, ARunningSessionIsLeftAloneAndMissingFoldersBecomeHome) {
    build();
    const ServerSnapshot saved = ServerSnapshot::capture(ServerIdentity::named("x"), client().snapshot(), Clock::now());
    sandbox.tmux(server, {"kill-session", "-t", "=alpha"});
    sandbox.tmux(server, {"kill-session", "-t", "=gamma"});
    // beta changed since: its extra window must survive the restore untouched.
    sandbox.newWindow(server, "beta", "three", dir("a"));
    const auto betaBefore = settledShape();
    fs::remove_all(dir("d e"));

    const RestorePlan plan = planRestore(saved, {"beta"}, restoreOptions());
    EXPECT_EQ(plan.missingDirectories, std::vector<std::string>{dir("d e")});
    const RestoreReport report = executeRestore(client(), plan);
    EXPECT_EQ(report.sessions, 2);
    EXPECT_EQ(report.existing, std::vector<std::string>{"beta"});
    const auto after = settledShape();
    ASSERT_EQ(after.size(), 3u);
    const auto beta = std::find_if(after.begin(), after.end(), [](const auto& s) { return s.name == "beta"; });
    EXPECT_EQ(*beta, betaBefore[0]);
    const auto alpha = std::find_if(after.begin(), after.end(), [](const auto& s) { return s.name == "alpha"; });
    EXPECT_EQ(alpha->windows[0].panes[2].directory, dirs.str());
}

TEST_F(RestoreThroughTmux, ListedProgramsStartAgainAndFailuresCarryTmuxText) {
    sandbox.newSession(server, "prog", dir("a"), "w");
    sandbox.tmux(server, {"send-keys", "-t", "=prog:0", "cat", "Enter"});
    ASSERT_TRUE(eventually([&] { return client().snapshot()[0].windows[0].panes[0].command == "cat"; }));
    ServerSnapshot saved = ServerSnapshot::capture(ServerIdentity::named("x"), client().snapshot(), Clock::now());
    sandbox.tmux(server, {"kill-session", "-t", "=prog"});
    sandbox.newSession(server, "keep");

    ServerSnapshot broken = saved;
    broken.sessions[0].name = "broken";
    broken.sessions[0].windows[0].panes.push_back({1, dir("b"), "sh", true});
    broken.sessions[0].windows[0].layout = "ffff,80x24,0,0,1";  // a bad checksum
    saved.sessions.push_back(broken.sessions[0]);

    const RestoreReport report = executeRestore(client(), planRestore(saved, {"keep"}, restoreOptions({"cat"})));
    EXPECT_EQ(report.sessions, 1);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].session, "broken");
    EXPECT_NE(report.failures[0].message.find("layout"), std::string::npos) << report.failures[0].message;
    EXPECT_EQ(report.windows, 2);  // prog's and what came of broken's
    EXPECT_EQ(report.panes, 3);
    EXPECT_TRUE(eventually([&] {
        for (const auto& s : client().snapshot())
            if (s.name == "prog") return s.windows[0].panes[0].command == "cat";
        return false;
    }));
}

TEST_F(RestoreThroughTmux, AServerThatNeverAnswersCostsOneTimeLimit) {
    sandbox.newSession(server, "frozen");
    sandbox.stopServer(server);
    TmuxClient frozen = client();
    frozen.timeout = std::chrono::milliseconds(300);
    const auto start = std::chrono::steady_clock::now();
    const RestoreReport report = executeRestore(frozen, planRestore(twoSessions(), {}, restoreOptions()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    sandbox.continueServer(server);
    EXPECT_EQ(report.sessions, 0);
    ASSERT_EQ(report.failures.size(), 2u);
    EXPECT_EQ(report.failures[1].message, frozen.timeoutMessage());
}

// tmux shows a session name with its unprintable bytes written out ("x\\377y" for the byte
// 0xff, "\\\\" for a backslash). Such sessions come back under the very name they had, so
// the offer counts them back and a second restore finds them there.
TEST_F(RestoreThroughTmux, NamesWithUnprintableBytesComeBackUnderTheirOwnNames) {
    for (const char* name : {"x\xffy", "tab\there", "back\\slash", "\\377", "hash #1", "ăî"}) sandbox.newSession(server, name);
    const ServerSnapshot saved = ServerSnapshot::capture(ServerIdentity::named("x"), client().snapshot(), Clock::now());
    const std::vector<std::string> names = saved.sessionNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "x\\377y"), names.end());
    sandbox.killServerHard(server);

    const RestoreReport report = executeRestore(client(), planRestore(saved, {}, restoreOptions()));
    EXPECT_EQ(report.failures, std::vector<RestoreFailure>{});
    EXPECT_EQ(report.sessions, 6);
    std::vector<std::string> live;
    for (const TmuxSession& session : client().snapshot()) live.push_back(session.name);
    EXPECT_EQ(live, names);
    const RestoreReport again = executeRestore(client(), planRestore(saved, live, restoreOptions()));
    EXPECT_EQ(again.sessions, 0);
    EXPECT_EQ(again.existing, names);
}

TEST(RestorePlan, WrittenOutBytesOfANameTurnBackIntoBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"x\\377y", "x\xffy"}, {"a\\\\b", "a\\b"}, {"t\\tn\\nr\\r", "t\tn\nr\r"},
        {"plain", "plain"},     {"end\\", "end\\"},  {"\\q", "\\q"},
        {"\\1010", "A0"},     {"ăî", "ăî"},
    };
    for (const auto& [shown, bytes] : cases) EXPECT_EQ(sessionNameInput(shown), bytes) << shown;
}

}  // namespace
}  // namespace quillon
