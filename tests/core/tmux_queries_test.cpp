#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "core/tmux_client.h"
#include "core/tmux_error.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::ScopedEnv;
using testing::TempDir;
using testing::TmuxSandbox;

std::string line(std::initializer_list<std::string> fields) {
    std::string out;
    for (const auto& field : fields) out += (out.empty() ? "" : TmuxClient::sep) + field;
    return out + "\n";
}

TEST(TmuxParsers, Sessions) {
    const std::string output = line({"a", "$1", "1700000000", "2", "3", "0", "/home/a"}) +
                               line({"b", "$2", "x", "", "y", "1700000500", "/b"}) + "\n" +
                               line({"short", "$3"}) + line({"c", "$4", "1", "z", "1", "", "/c", "extra"});
    auto sessions = TmuxClient::parseSessions(output);
    ASSERT_EQ(sessions.size(), 3u);
    EXPECT_EQ(sessions[0].name, "a");
    EXPECT_EQ(sessions[0].sessionID, "$1");
    EXPECT_EQ(toEpochSeconds(sessions[0].created), 1700000000);
    EXPECT_TRUE(sessions[0].isAttached);
    EXPECT_EQ(sessions[0].windowCount, 3);
    EXPECT_FALSE(sessions[0].lastAttached);
    EXPECT_EQ(sessions[0].idleReference(), sessions[0].created);
    EXPECT_EQ(toEpochSeconds(sessions[1].created), 0);
    EXPECT_FALSE(sessions[1].isAttached);
    EXPECT_EQ(sessions[1].windowCount, 0);
    ASSERT_TRUE(sessions[1].lastAttached);
    EXPECT_EQ(toEpochSeconds(*sessions[1].lastAttached), 1700000500);
    EXPECT_FALSE(sessions[2].isAttached);  // a letter is no count
    EXPECT_FALSE(sessions[2].lastAttached);
}

TEST(TmuxParsers, WindowsAndPanes) {
    auto windows = TmuxClient::parseWindows(line({"a", "1", "edit", "1", "2", "b25d,80x24,0,0,0"}) +
                                            line({"a", "", "bad", "0", "1"}) + line({"a", "2", "five", "0", "x"}) +
                                            line({"a", "3"}));
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].first, "a");
    EXPECT_EQ(windows[0].second.target, "a:1");
    EXPECT_TRUE(windows[0].second.isActive);
    EXPECT_EQ(windows[0].second.layout, "b25d,80x24,0,0,0");
    EXPECT_EQ(windows[1].second.layout, "");
    EXPECT_EQ(windows[1].second.paneCount, 0);

    auto panes = TmuxClient::parsePanes(line({"a", "1", "0", "1", "vim", "42", "80", "24", "/p"}) +
                                        line({"a", "1", "1", "0", "zsh", "pid?", "80", "24", "/q"}) +
                                        line({"a", "1", "2", "0", "zsh", "1", "2", "3"}) +
                                        line({"a", "x", "2", "0", "zsh", "1", "2", "3", "/r"}));
    ASSERT_EQ(panes.size(), 2u);
    EXPECT_EQ(std::get<2>(panes[0]).target, "a:1.0");
    EXPECT_EQ(std::get<2>(panes[1]).target, "a:1.1");
    EXPECT_EQ(std::get<2>(panes[1]).pid, 0);
    EXPECT_EQ(std::get<1>(panes[1]), 1);
}

TEST(TmuxParsers, AssembleKeepsOrderAndDropsStrays) {
    auto sessions = TmuxClient::parseSessions(line({"a", "$1", "1", "0", "1", "0", "/"}) +
                                              line({"b", "$2", "1", "0", "1", "0", "/"}));
    auto windows = TmuxClient::parseWindows(line({"b", "0", "w", "1", "1"}) + line({"ghost", "0", "w", "1", "1"}) +
                                            line({"a", "5", "x", "1", "1"}) + line({"a", "2", "y", "0", "1"}));
    auto panes = TmuxClient::parsePanes(line({"a", "2", "0", "1", "sh", "1", "1", "1", "/"}) +
                                        line({"a", "5", "1", "1", "sh", "1", "1", "1", "/"}) +
                                        line({"a", "5", "0", "0", "sh", "1", "1", "1", "/"}) +
                                        line({"a", "9", "0", "0", "sh", "1", "1", "1", "/"}));
    auto tree = TmuxClient::assemble(sessions, windows, panes);
    ASSERT_EQ(tree.size(), 2u);
    ASSERT_EQ(tree[0].windows.size(), 2u);
    EXPECT_EQ(tree[0].windows[0].index, 5);  // list-windows order, not sorted
    ASSERT_EQ(tree[0].windows[0].panes.size(), 2u);
    EXPECT_EQ(tree[0].windows[0].panes[0].index, 1);
    EXPECT_EQ(tree[0].paneCount(), 3);
    EXPECT_EQ(tree[1].windows.size(), 1u);
    EXPECT_EQ(tree[1].paneCount(), 0);
}

TEST(TmuxPrefix, FromConfigText) {
    EXPECT_EQ(TmuxClient::prefixFromConfig("# comment\n  set -g prefix C-s\nset -g prefix C-q\n"), "C-s");
    EXPECT_EQ(TmuxClient::prefixFromConfig("\tset-option -g prefix C-a  \n"), "C-a");
    EXPECT_EQ(TmuxClient::prefixFromConfig("bind r source-file ~/.tmux.conf\nset -g prefix2 C-z\n"), "C-b");
}

class TmuxQueries : public ::testing::Test {
protected:
    TmuxSandbox sandbox;
    std::string server = TmuxSandbox::uniqueName("q");
    TmuxClient client = sandbox.client(server);
};

TEST_F(TmuxQueries, SnapshotMatchesWhatWasCreated) {
    TempDir work;
    const std::vector<std::string> names{"alpha", "with space", "țară șoim", "über", "a-b_c"};
    for (const auto& name : names) {
        sandbox.newSession(server, name, work.str(), "first");
        sandbox.newWindow(server, name, "second win");
        sandbox.splitWindow(server, name + ":1");
        sandbox.splitWindow(server, name + ":1");
    }
    for (int i = 0; i < 15; ++i) sandbox.newSession(server, "bulk" + std::to_string(i));

    auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), names.size() + 15);
    for (const auto& name : names) {
        auto it = std::find_if(tree.begin(), tree.end(), [&](const TmuxSession& s) { return s.name == name; });
        ASSERT_NE(it, tree.end()) << name;
        EXPECT_EQ(it->windowCount, 2);
        ASSERT_EQ(it->windows.size(), 2u);
        EXPECT_EQ(it->windows[0].name, "first");
        EXPECT_EQ(it->windows[1].name, "second win");
        EXPECT_EQ(it->windows[1].target, name + ":1");
        EXPECT_TRUE(it->windows[1].isActive);
        ASSERT_EQ(it->windows[1].panes.size(), 3u);
        EXPECT_EQ(it->windows[1].paneCount, 3);
        EXPECT_EQ(it->windows[1].panes[2].target, name + ":1.2");
        EXPECT_EQ(it->paneCount(), 4);
        EXPECT_EQ(it->path, work.str());
        EXPECT_EQ(it->windows[0].panes[0].path, work.str());
        EXPECT_GT(it->windows[0].panes[0].pid, 0);
        EXPECT_FALSE(it->windows[1].layout.empty());
        EXPECT_FALSE(it->isAttached);
    }
}

TEST_F(TmuxQueries, SnapshotOfNoServerIsEmpty) { EXPECT_TRUE(client.snapshot().empty()); }

TEST_F(TmuxQueries, CommandsChangeTheServer) {
    TempDir dir;
    client.newSession("made", dir.str());
    client.newSession("plain", std::string());
    client.newWindow("made", "logs", dir.str());
    client.renameWindow("made:1", "tail");
    client.renameSession("plain", "renamed");
    auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].path, dir.str());
    EXPECT_EQ(tree[0].windows.at(1).name, "tail");
    EXPECT_EQ(tree[1].name, "renamed");

    client.killWindow("made:1");
    client.killSession("renamed");
    tree = client.snapshot();
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0].windows.size(), 1u);
    EXPECT_THROW(client.killSession("renamed"), TmuxError);
}

TEST_F(TmuxQueries, SessionCommandsNeverReachAnotherSessionByPrefix) {
    client.newSession("devops");
    EXPECT_THROW(client.killSession("dev"), TmuxError);
    EXPECT_THROW(client.renameSession("dev", "x"), TmuxError);
    auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0].name, "devops");
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
                out.push_back(window.target + (window.index == 1 ? " " + window.name : ""));
                for (const auto& pane : window.panes) out.push_back(pane.target + " " + std::to_string(pane.pid));
            }
        return out;
    };
    const auto before = shape();
    ASSERT_EQ(before.size(), 5u);
    const std::pair<const char*, std::function<void()>> actions[] = {
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
    // tmux's own ids pass unchanged.
    EXPECT_EQ(client.displayMessage(client.snapshot().at(0).sessionID, "#{session_name}"), "devops");
}

TEST_F(TmuxQueries, FreeTextIsUsedAsGivenNeverAsAnOption) {
    sandbox.newSession(server, "s");
    client.renameSession("s", "-n");
    client.renameWindow("-n:0", "-t");
    client.sendKeys("-n:0.0", "-la", true);
    auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0].name, "-n");
    EXPECT_EQ(tree[0].windows.at(0).name, "-t");
    auto until = [&](const std::function<bool()>& condition) {
        for (int i = 0; i < 150 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return condition();
    };
    EXPECT_TRUE(until([&] { return client.capturePane("-n:0.0", 10).find("-la: not found") != std::string::npos; }));
    // Key names still name keys.
    auto command = [&] { return client.displayMessage("-n:0.0", "#{pane_current_command}").value_or(""); };
    client.sendKeys("-n:0.0", "sleep 30", true);
    EXPECT_TRUE(until([&] { return command() == "sleep"; }));
    client.sendKeys("-n:0.0", "C-c", false);
    EXPECT_TRUE(until([&] { return command() == "sh"; }));
}

TEST_F(TmuxQueries, ABytePastUtf8SpoilsOnlyItsOwnField) {
    TempDir work;
    const std::string latin1 = work.str() + "/caf\xE9";
    std::filesystem::create_directories(latin1);
    sandbox.newSession(server, "plain", work.str());
    sandbox.newSession(server, "latin", latin1);
    const auto tree = client.snapshot();
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].name, "latin");
    EXPECT_EQ(tree[0].path, work.str() + "/caf\uFFFD");
    EXPECT_EQ(tree[0].windows.size(), 1u);
    EXPECT_EQ(tree[1].path, work.str());
}

TEST_F(TmuxQueries, SendKeysCaptureAndPanes) {
    sandbox.newSession(server, "s");
    client.sendKeys("s:0.0", "echo quillon-$((6*7))", true);
    std::string captured;
    for (int i = 0; i < 100 && captured.find("quillon-42") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        captured = client.capturePane("s:0.0", 200);
    }
    EXPECT_NE(captured.find("quillon-42"), std::string::npos);
    EXPECT_EQ(captured.back(), '\n');
    EXPECT_NE(client.captureScrollback("s:0.0").find("quillon-42"), std::string::npos);
    // Without Enter the keys wait on the command line.
    client.sendKeys("s:0.0", "echo pending-typed", false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    captured = client.capturePane("s:0.0", 5);
    EXPECT_NE(captured.find("pending-typed"), std::string::npos);
    EXPECT_EQ(captured.find("\npending-typed"), std::string::npos);

    sandbox.splitWindow(server, "s:0");
    const auto before = client.snapshot()[0].windows[0].panes;
    client.swapPane("s:0.1", "-U");
    const auto after = client.snapshot()[0].windows[0].panes;
    EXPECT_EQ(before[0].pid, after[1].pid);
    client.killPane("s:0.1");
    EXPECT_EQ(client.snapshot()[0].windows[0].panes.size(), 1u);
    EXPECT_EQ(client.displayMessage("s:0", "#{session_name}:#{window_index} #{window_name}").value_or(""),
              "s:0 " + client.snapshot()[0].windows[0].name);
    EXPECT_FALSE(client.displayMessage("nope:9", "#{window_name}"));
}

TEST_F(TmuxQueries, VersionAndPrefix) {
    EXPECT_EQ(client.version().rfind("tmux ", 0), 0u);
    TempDir home;
    ScopedEnv homeEnv("HOME", home.str());
    // No server: the prefix comes from ~/.tmux.conf, else the default.
    EXPECT_EQ(client.currentPrefix(), "C-b");
    std::ofstream(home.path() / ".tmux.conf") << "set -g prefix C-s\n";
    EXPECT_EQ(client.currentPrefix(), "C-s");
    sandbox.newSession(server, "p");
    sandbox.tmux(server, {"set-option", "-g", "prefix", "C-a"});
    EXPECT_EQ(client.currentPrefix(), "C-a");
    client.reloadConfig();  // sources ~/.tmux.conf of this HOME
    EXPECT_EQ(client.currentPrefix(), "C-s");
}

}  // namespace
}  // namespace quillon
