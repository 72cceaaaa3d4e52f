#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <thread>

#include "core/control_mode.h"
#include "core/server_scanner.h"
#include "core/tmux_client.h"
#include "core/tmux_error.h"
#include "core/tmux_target.h"
#include "tests/support/control_clients.h"
#include "tests/support/eventually.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::eventually;
using testing::ScopedEnv;
using testing::TempDir;
using testing::TmuxSandbox;
using namespace std::chrono_literals;
using namespace std::string_literals;
constexpr auto npos = std::string::npos;

// tmux's output: a line per record, fields separated by U+001F.
std::string output(std::initializer_list<std::initializer_list<std::string>> records) {
    std::string out;
    for (const auto& fields : records) {
        for (const auto& field : fields) out += field + TmuxClient::sep;
        out.back() = '\n';
    }
    return out;
}

// Whatever tmux prints between and around fields, the parsers never throw and keep what is whole.
TEST(TmuxParsers, BadFieldsReadAsZeroShortLinesAreDroppedAndStraysLeftOut) {
    const auto sessions = TmuxClient::parseSessions(
        output({{"a", "$1", "1700000000", "2", "3", "0", "/a"}, {""},
                {"b", "$2", "x", "z", "y", "1700000500", "/b", "+"}, {"short", "$3"}}));
    EXPECT_EQ(sessions, (std::vector<TmuxSession>{
                            {"a", "$1", fromEpochSeconds(1700000000), true, 3, std::nullopt, "/a", {}},
                            {"b", "$2", fromEpochSeconds(0), false, 0, fromEpochSeconds(1700000500), "/b", {}}}));
    const auto windows =
        TmuxClient::parseWindows(output({{"b", "0", "w", "1", "x", "c3,80x24,0,0,0"}, {"a", "", "bad", "0", "1"},
                                         {"ghost", "0", "w", "1", "1"}, {"a", "5", "x", "1", "1"}, {"a", "2", "y", "0", "1"},
                                         {"a", "3"}}));
    EXPECT_EQ(windows[0], std::pair("b"s, TmuxWindow{0, "w", true, 0, {}, "c3,80x24,0,0,0", "b:0"}));
    const auto panes = TmuxClient::parsePanes(output({{"a", "2", "0", "1", "sh", "42", "80", "24", "/p"},
                                                      {"a", "5", "1", "1", "sh", "pid?", "1", "1", "/"},
                                                      {"a", "5", "0", "0", "sh", "1", "1", "1", "/"},
                                                      {"a", "9", "0", "0", "sh", "1", "1", "1", "/"},
                                                      {"a", "x", "2", "0", "zsh", "1", "2", "3", "/r"},
                                                      {"a", "1", "2", "0", "zsh", "1", "2", "3"}}));
    EXPECT_EQ(panes[0], std::tuple("a"s, 2, TmuxPane{0, true, "sh", 42, 80, 24, "/p", "a:2.0"}));
    // Listing order is kept, not sorted; windows and panes of no listed parent are left out.
    const auto tree = TmuxClient::assemble(sessions, windows, panes);
    ASSERT_EQ(tree.size(), 2u);
    std::vector<std::string> shape;
    for (const auto& session : tree)
        for (const auto& window : session.windows)
            for (const auto& pane : window.panes) shape.push_back(pane.target + " " + std::to_string(pane.pid));
    EXPECT_EQ(shape, (std::vector<std::string>{"a:5.1 0", "a:5.0 1", "a:2.0 42"}));
    EXPECT_EQ(tree[0].windows.size(), 2u);
    EXPECT_EQ(tree[1].windows.size(), 1u);
}

TEST(TmuxParsers, OnlyAPersonsClientMakesASessionAttached) {
    // tmux's own count (the fourth field) says 1 for each; the clients listed after decide.
    const std::string sessions = output({{"people", "$1", "0", "1", "1", "0", "/"}, {"robot", "$2", "0", "1", "1", "0", "/"},
                                         {"both", "$3", "0", "2", "1", "0", "/"}});
    const std::string clients = output({{"", "$1", "0"}, {"", "$2", "1"}, {"", "$3", "1"}, {"", "$3", "0"}});
    auto attached = [](const std::string& text) {
        std::string flags;
        for (const auto& s : TmuxClient::parseSessions(text)) flags += s.isAttached ? '1' : '0';
        return flags;
    };
    EXPECT_EQ(attached(sessions + clients), "101");
    EXPECT_EQ(attached(sessions), "111");  // no clients listed: tmux's count stands
}

TEST(TmuxModel, InstantsPastTheClocksRangeReadAsItsEnds) {
    const std::pair<double, TimePoint> cases[] = {
        {1e300, TimePoint::max()},
        {-1e300, TimePoint::min()},
        {std::numeric_limits<double>::infinity(), TimePoint::max()},
        {std::numeric_limits<double>::quiet_NaN(), TimePoint{}},
        {1'700'000'000.5, TimePoint(std::chrono::milliseconds(1'700'000'000'500))},
    };
    for (const auto& [seconds, instant] : cases) EXPECT_EQ(fromEpochSeconds(seconds), instant) << seconds;
    EXPECT_EQ(fromEpochSeconds(toEpochSeconds(TimePoint::max())), TimePoint::max());
    // As tmux's fields: a created time of 1e300 is the latest instant, not a wrapped one.
    const std::string& sep = TmuxClient::sep;
    const auto sessions = TmuxClient::parseSessions("dev" + sep + "$0" + sep + "1e300" + sep + "0" + sep + "1" + sep + "nan" + sep + "/\n");
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].created, TimePoint::max());
    EXPECT_EQ(sessions[0].lastAttached, std::nullopt);
}

TEST(TmuxModel, IdleMeansDetachedAndStrictlyOlderThanTheLastAttachOrCreation) {
    TmuxSession s{"work", "$1", fromEpochSeconds(1000), false, 3, std::nullopt, "/w", {}};
    const auto hour = s.created + 3600s;
    EXPECT_FALSE(s.isIdle(3600s, hour));
    EXPECT_TRUE(s.isIdle(3600s, hour + 1ms));
    s.lastAttached = s.created + 1800s;
    EXPECT_FALSE(s.isIdle(3600s, hour + 1ms));
    EXPECT_TRUE(s.isIdle(3600s, hour + 1801s));
    s.isAttached = true;
    EXPECT_FALSE(s.isIdle(1s, hour + 1000h));
}

class TmuxQueries : public ::testing::Test {
protected:
    TmuxSandbox sandbox;
    std::string server = TmuxSandbox::uniqueName("q");
    TmuxClient client = sandbox.client(server);
};

TEST_F(TmuxQueries, SnapshotMatchesWhatWasCreated) {
    EXPECT_TRUE(client.snapshot().empty());  // no server yet
    TempDir work;
    const std::vector<std::string> names{"alpha", "with space", "țară șoim", "a-b_c"};
    for (const auto& name : names) {
        sandbox.newSession(server, name, work.str(), "first");
        sandbox.newWindow(server, name, "second win", work.str());
        sandbox.splitWindow(server, name + ":1");
        sandbox.splitWindow(server, name + ":1");
    }
    for (int i = 0; i < 15; ++i) sandbox.newSession(server, "bulk" + std::to_string(i));

    auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), names.size() + 15);
    for (const auto& name : names) {
        auto it = std::find_if(tree.begin(), tree.end(), [&](const TmuxSession& s) { return s.name == name; });
        ASSERT_NE(it, tree.end()) << name;
        std::string shape = std::to_string(it->windowCount) + " " + it->path;
        for (const auto& w : it->windows)
            shape += " | " + w.target + " " + w.name + (w.isActive ? "*" : "") + " " + std::to_string(w.paneCount) +
                     "/" + std::to_string(w.panes.size()) + " " + w.panes.front().path + " " + w.panes.back().target;
        const std::string dir = work.str();
        EXPECT_EQ(shape, "2 " + dir + " | " + name + ":0 first 1/1 " + dir + " " + name + ":0.0 | " + name +
                             ":1 second win* 3/3 " + dir + " " + name + ":1.2");
        EXPECT_GT(it->windows[0].panes[0].pid, 0);
        EXPECT_FALSE(it->windows[1].layout.empty());
    }
}

// A tmux that notes each start in a file before it becomes the real one.
struct CountingTmux {
    TempDir dir;
    std::string program = dir.str() + "/tmux";
    std::string log = dir.str() + "/runs";
    CountingTmux() {
        std::ofstream(program) << "#!/bin/sh\necho run >> '" << log << "'\nexec '" << TmuxSandbox::tmuxPath()
                               << "' \"$@\"\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    int runs() const {
        std::ifstream in(log);
        int count = 0;
        for (std::string line; std::getline(in, line);) ++count;
        return count;
    }
};

TEST_F(TmuxQueries, ASnapshotIsOneTmuxRunWhateverTheServerHolds) {
    CountingTmux counting;
    TmuxClient counted(counting.program, client.socketArgs);
    // No server, one session, then many sessions with windows and panes: one start each.
    EXPECT_TRUE(counted.snapshot().empty());
    EXPECT_EQ(counting.runs(), 1);
    sandbox.newSession(server, "only");
    EXPECT_EQ(counted.snapshot().size(), 1u);
    EXPECT_EQ(counting.runs(), 2);
    for (int i = 0; i < 30; ++i) {
        sandbox.newSession(server, "s" + std::to_string(i));
        sandbox.splitWindow(server, "s" + std::to_string(i) + ":0");
    }
    const auto tree = counted.snapshot();
    EXPECT_EQ(counting.runs(), 3);
    ASSERT_EQ(tree.size(), 31u);
    EXPECT_EQ(totalPanes(tree), 61);
}

TEST_F(TmuxQueries, AControlModeClientDoesNotMakeItsSessionAttachedInSnapshotsOrProbes) {
    sandbox.newSession(server, "watched");
    TmuxControlMode control;
    control.start(client, "watched", [](const std::string&) {}, [] {});
    ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));
    EXPECT_EQ(sandbox.tmux(server, {"display-message", "-p", "-t", "=watched:", "#{session_attached}"}), "1\n");
    ASSERT_EQ(client.snapshot().size(), 1u);
    EXPECT_FALSE(client.snapshot()[0].isAttached);
    const auto probed = TmuxServerScanner::probe(TmuxClient(TmuxSandbox::tmuxPath()), sandbox.socketPath(server), server);
    ASSERT_EQ(probed.sessions.size(), 1u);
    EXPECT_FALSE(probed.sessions[0].isAttached);
}

TEST_F(TmuxQueries, TargetsOfAGoneSessionNeverReachAnotherByPrefix) {
    // The list is a few seconds old: it still names "dev", but only "devops" is left.
    sandbox.newSession(server, "devops");
    sandbox.newWindow(server, "devops", "second");
    sandbox.splitWindow(server, "devops:1");
    // Windows, their explicit names and their panes' processes: what an action would change.
    const auto shape = [&] {
        std::vector<std::string> out;
        for (const auto& session : client.snapshot())
            for (const auto& window : session.windows) {
                out.push_back(session.name + " " + window.target + (window.index == 1 ? " " + window.name : ""));
                for (const auto& pane : window.panes) out.push_back(pane.target + " " + std::to_string(pane.pid));
            }
        return out;
    };
    const auto before = shape();
    ASSERT_EQ(before.size(), 5u);
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"kill-session", [&] { client.killSession("dev"); }},
        {"rename-session", [&] { client.renameSession("dev", "x"); }},
        {"kill-window", [&] { client.killWindow("dev:1"); }},
        {"rename-window", [&] { client.renameWindow("dev:1", "x"); }},
        {"kill-pane", [&] { client.killPane("dev:1.1"); }},
        {"swap-pane", [&] { client.swapPane("dev:1.1", "-U"); }},
        {"send-keys", [&] { client.sendKeys("dev:1.0", "exit", true); }},
        {"send-keys to a session", [&] { client.sendKeys("dev", "exit", true); }},
        {"capture-pane", [&] { client.capturePane("dev:1.0", 10); }},
        {"new-window", [&] { client.newWindow("dev", "x"); }},
    };
    for (const auto& [what, action] : actions) EXPECT_THROW(action(), TmuxError) << what;
    EXPECT_FALSE(client.displayMessage("dev:1", "#{window_name}"));
    EXPECT_EQ(shape(), before);
    EXPECT_EQ(client.displayMessage(client.snapshot().at(0).sessionID, "#{session_name}"), "devops");
}

TEST(TmuxTarget, IdsPassNamesAreAlwaysExactNamesWhateverTheyLookLike) {
    const std::pair<const char*, const char*> cases[] = {
        {"$2", "$2"},         {"@5", "@5"},         {"%3", "%3"},       {"$2:1.0", "$2:1.0"}, {"@5.1", "@5.1"},
        {"dev", "=dev:"},     {"dev:1", "=dev:1"},  {"dev:1.0", "=dev:1.0"},
        {"=x", "==x:"},       {"=x:0.0", "==x:0.0"}, {"$x", "=$x:"},    {"%", "=%:"},         {"1.0", "1.0"},
        {"", ""},
    };
    for (const auto& [given, sent] : cases) EXPECT_EQ(exactTarget(given), sent) << given;
    EXPECT_EQ(sessionPart("$0:1.0"), "$0");
    EXPECT_EQ(sessionPart("1.0"), "");
}

// Windows and panes join their session by its id: a session named like another's id keeps
// its own windows.
TEST(TmuxParsers, WindowsAndPanesJoinTheirSessionById) {
    const auto sessions = TmuxClient::parseSessions(
        output({{"victim", "$0", "1", "0", "1", "0", "/v"}, {"$0", "$1", "1", "0", "1", "0", "/n"}}));
    const auto windows = TmuxClient::parseWindows(output({{"victim", "0", "v", "1", "1", "l", "@0", "0", "$0"},
                                                          {"$0", "0", "n", "1", "1", "l", "@1", "0", "$1"}}));
    const auto panes = TmuxClient::parsePanes(output({{"victim", "0", "0", "1", "sh", "1", "1", "1", "/", "%0", "$0"},
                                                      {"$0", "0", "0", "1", "sh", "2", "1", "1", "/", "%1", "$1"}}));
    const auto tree = TmuxClient::assemble(sessions, windows, panes);
    ASSERT_EQ(tree.size(), 2u);
    for (const auto& [session, window, pane] : {std::tuple{0, "v", "%0"}, std::tuple{1, "n", "%1"}}) {
        ASSERT_EQ(tree[session].windows.size(), 1u) << session;
        EXPECT_EQ(tree[session].windows[0].name, window);
        ASSERT_EQ(tree[session].windows[0].panes.size(), 1u);
        EXPECT_EQ(tree[session].windows[0].panes[0].paneID, pane);
    }
}

// Sessions named like ids and exact forms are reached as themselves: "victim" is $0.
TEST_F(TmuxQueries, NamesThatLookLikeIdsReachTheirOwnSession) {
    const std::string victim = sandbox.newSession(server, "victim");
    ASSERT_EQ(victim, "$0");
    const std::vector<std::string> names{"$0", "%0", "@1", "=x", "x"};
    std::map<std::string, std::string> ids;
    for (const auto& name : names) ids[name] = sandbox.newSession(server, name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        EXPECT_EQ(client.resolveTarget(name), ids[name]) << name;
        EXPECT_EQ(client.resolveTarget(name + ":0.0"), ids[name] + ":0.0") << name;
        client.sendKeys(ids[name] + ":0.0", "echo mark-" + std::to_string(i), true);
    }
    EXPECT_EQ(client.resolveTarget("0.1"), "0.1");
    try {
        client.resolveTarget("$9:0.0");
        ADD_FAILURE() << "a missing name resolved";
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.message(), "can't find session: $9");
    }
    EXPECT_TRUE(eventually([&] { return client.capturePane(client.resolveTarget("$0:0.0"), 20).find("mark-0") != npos; }));
    EXPECT_EQ(client.capturePane(victim, 20).find("mark-"), npos);

    // "=x" is the session named "=x", never "x" by the exact form.
    client.killSession("=x");
    const auto left = [&] {
        std::vector<std::string> names;
        for (const auto& session : client.snapshot()) names.push_back(session.name);
        return names;
    };
    EXPECT_EQ(left(), (std::vector<std::string>{"$0", "%0", "@1", "victim", "x"}));  // tmux lists by name
    client.killSession(client.resolveTarget("$0"));
    EXPECT_EQ(left(), (std::vector<std::string>{"%0", "@1", "victim", "x"}));
    // With no server the exact form is all there is: queries read as empty.
    sandbox.killServer(server);
    EXPECT_EQ(client.resolveTarget("$0:0.0"), "$0:0.0");
    EXPECT_EQ(client.resolveTarget("dev"), "=dev:");
}

TEST_F(TmuxQueries, FreeTextIsUsedAsGivenNeverAsAnOption) {
    sandbox.newSession(server, "s");
    client.renameSession("s", "-n");
    client.renameWindow("-n:0", "-t");
    client.sendKeys("-n:0.0", "-la", true);
    EXPECT_EQ(client.displayMessage("-n:0", "#{session_name} #{window_name}"), "-n -t");
    EXPECT_TRUE(eventually([&] { return client.capturePane("-n:0.0", 10).find("-la: not found") != npos; }));
    // Key names still name keys.
    auto command = [&] { return client.displayMessage("-n:0.0", "#{pane_current_command}").value_or(""); };
    client.sendKeys("-n:0.0", "sleep 30", true);
    EXPECT_TRUE(eventually([&] { return command() == "sleep"; }));
    client.sendKeys("-n:0.0", "C-c", false);
    EXPECT_TRUE(eventually([&] { return command() == "sh"; }));
}

TEST_F(TmuxQueries, CommandsChangeTheServerAsAsked) {
    TempDir dir;
    client.newSession("made", dir.str());
    client.newWindow("made", "logs", dir.str());
    client.renameWindow("made:1", "tail");
    client.newSession("plain", std::string());
    client.renameSession("plain", "s");
    auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].windows.at(1).panes.at(0).path, dir.str());
    EXPECT_EQ(tree[0].windows.at(1).name, "tail");
    client.killWindow("made:1");
    EXPECT_EQ(client.snapshot().at(0).windows.size(), 1u);
    client.killSession("made");
    EXPECT_EQ(client.snapshot().at(0).name, "s");

    client.sendKeys("s:0.0", "echo quillon-$((6*7))", true);
    EXPECT_TRUE(eventually([&] { return client.capturePane("s:0.0", 200).find("quillon-42") != npos; }));
    EXPECT_EQ(client.capturePane("s:0.0", 200).back(), '\n');
    EXPECT_NE(client.captureScrollback("s:0.0").find("quillon-42"), std::string::npos);
    // Without Enter the keys wait on the command line.
    client.sendKeys("s:0.0", "echo pending-typed", false);
    EXPECT_TRUE(eventually([&] { return client.capturePane("s:0.0", 5).find("pending-typed") != npos; }));
    EXPECT_EQ(client.capturePane("s:0.0", 5).find("\npending-typed"), std::string::npos);

    sandbox.splitWindow(server, "s:0");
    const auto before = client.snapshot()[0].windows[0].panes;
    client.swapPane("s:0.1", "-U");
    EXPECT_EQ(before[0].pid, client.snapshot()[0].windows[0].panes[1].pid);
    client.killPane("s:0.1");
    EXPECT_EQ(client.snapshot()[0].windows[0].panes.size(), 1u);
    EXPECT_EQ(client.displayMessage("s:0", "#{session_name}:#{window_index}"), "s:0");
    EXPECT_FALSE(client.displayMessage("nope:9", "#{window_name}"));
}

TEST_F(TmuxQueries, VersionAndPrefix) {
    EXPECT_EQ(client.version().rfind("tmux ", 0), 0u);
    TempDir home;
    ScopedEnv homeEnv("HOME", home.str());
    // No server: the prefix comes from ~/.tmux.conf, else the default.
    EXPECT_EQ(client.currentPrefix(), "C-b");
    std::ofstream(home.path() / ".tmux.conf") << "# set -g prefix C-x\nset -g prefix2 C-z\n set-option -g prefix C-s\n";
    EXPECT_EQ(client.currentPrefix(), "C-s");
    sandbox.newSession(server, "p");
    sandbox.tmux(server, {"set-option", "-g", "prefix", "C-a"});
    EXPECT_EQ(client.currentPrefix(), "C-a");
    client.reloadConfig();  // sources ~/.tmux.conf of this HOME
    EXPECT_EQ(client.currentPrefix(), "C-s");
}

}  // namespace
}  // namespace quillon
