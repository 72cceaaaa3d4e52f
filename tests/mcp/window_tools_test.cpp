// tmux_windows and tmux_capture_pane against a real private server.

#include <gtest/gtest.h>

#include <thread>

#include "core/l10n.h"
#include "core/text.h"
#include "tests/mcp/fleet.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

class WindowTools : public ::testing::Test, public Fleet {
protected:
    WindowTools() {
        sandbox.newSession("alpha", "work", projects.alphaDeep, "editor");
        sandbox.splitWindow("alpha", "work:0", projects.betaLib);
        sandbox.newWindow("alpha", "work", "logs", projects.plain);
        sandbox.tmux("alpha", {"new-session", "-d", "-s", "quiet", "-c", sandbox.tmpDir(), "-x", "80", "-y", "5", "sleep 600"});
    }

    // Waits until the pane shows the text and stops changing, so the tool reads the same screen.
    std::string settledCapture(const std::string& target, const std::string& expected) {
        const auto client = sandbox.client("alpha");
        std::string previous;
        for (auto deadline = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < deadline;) {
            const std::string captured = client.capturePane(target, 200);
            if (contains(captured, expected) && captured == previous) return captured;
            previous = captured;
            std::this_thread::sleep_for(150ms);
        }
        ADD_FAILURE() << "pane never showed " << expected;
        return {};
    }
};

std::string paneLines(const TmuxPane& pane) {
    return "    " + std::string(pane.isActive ? "▸" : " ") + " " + pane.target + " " + pane.command + " · pid " +
           std::to_string(pane.pid) + " · " + std::to_string(pane.width) + "x" + std::to_string(pane.height) +
           "\n      " + pane.path + "\n";
}

TEST_F(WindowTools, WindowsListsEveryWindowAndPaneWithTargets) {
    const auto [text, isError] = call("en", "tmux_windows", {{"session", "work"}, {"socket", "alpha"}});
    EXPECT_FALSE(isError) << text;
    EXPECT_TRUE(text::startsWith(text, "Session work on socket 'alpha' — 2 window(s), 3 pane(s)\nproject: proj-alpha · "
                                       "session cwd: " + projects.alphaDeep + "\n\n  work:0 editor — 2 pane(s)\n"))
        << text;
    EXPECT_TRUE(contains(text, "\n\n▸ work:1 logs — 1 pane(s)\n")) << text;
    EXPECT_TRUE(endsWith(text, "\n\nRead a pane with tmux_capture_pane on its target.\n"));

    const auto sessions = sandbox.client("alpha").snapshot();
    const auto work = std::find_if(sessions.begin(), sessions.end(), [](const auto& s) { return s.name == "work"; });
    ASSERT_NE(work, sessions.end());
    for (const TmuxWindow& window : work->windows)
        for (const TmuxPane& pane : window.panes) EXPECT_TRUE(contains(text, paneLines(pane))) << paneLines(pane) << text;
    EXPECT_TRUE(contains(text, "\n      " + projects.betaLib + "\n"));

    const auto [ro, roError] = call("ro", "tmux_windows", {{"session", "work"}, {"socket", "alpha"}});
    EXPECT_FALSE(roError);
    EXPECT_TRUE(text::startsWith(ro, "Sesiunea work pe socketul 'alpha' — 2 fereastră/ferestre, 3 pane-uri\nproiect: "
                                     "proj-alpha · cwd sesiune: " + projects.alphaDeep + "\n\n  work:0 editor — 2 pane\n"))
        << ro;
    EXPECT_TRUE(endsWith(ro, "\n\nCitește un pane cu tmux_capture_pane pe target-ul lui.\n"));
}

TEST_F(WindowTools, WindowsNamesTheServerBySocketPathWhenGivenOne) {
    const std::string path = sandbox.socketPath("alpha");
    const auto [text, isError] = call("en", "tmux_windows", {{"session", "quiet"}, {"socket_path", path}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(text, "Session quiet on " + path + " — 1 window(s), 1 pane(s)\nproject: unknown · ")) << text;
}

TEST_F(WindowTools, WindowsExplainsMissingSessionsAndServers) {
    const auto mcpEn = mcp("en");
    EXPECT_EQ(mcpEn->callTool("tmux_windows", {{"session", "Work"}, {"socket", "alpha"}}),
              std::make_pair(std::string("Session 'Work' does not exist on socket 'alpha'. Present: quiet, work."), true));
    EXPECT_EQ(mcpEn->callTool("tmux_windows", {{"session", "wor"}, {"socket", "alpha"}}).first,
              "Session 'wor' does not exist on socket 'alpha'. Present: quiet, work.");
    EXPECT_EQ(mcpEn->callTool("tmux_windows", {{"session", "work"}, {"socket", "nobody"}}),
              std::make_pair(std::string("No live server on socket 'nobody' — hence no session 'work'. See tmux_census."),
                             true));
    EXPECT_EQ(mcpEn->callTool("tmux_windows", {{"session", "work"}}).first,
              "No live server on the default server — hence no session 'work'. See tmux_census.");
    for (const json& arguments : {json::object(), json({{"session", ""}}), json({{"session", 5}})})
        EXPECT_EQ(mcpEn->callTool("tmux_windows", arguments), std::make_pair(std::string("Missing 'session'."), true));

    const auto mcpRo = mcp("ro");
    EXPECT_EQ(mcpRo->callTool("tmux_windows", {{"session", "x"}, {"socket", "alpha"}}).first,
              "Sesiunea 'x' nu există pe socketul 'alpha'. Există: quiet, work.");
    EXPECT_EQ(mcpRo->callTool("tmux_windows", {{"session", "x"}}).first,
              "Niciun server viu pe serverul implicit — deci nici sesiunea 'x'. Vezi tmux_census.");
    EXPECT_EQ(mcpRo->callTool("tmux_windows", json::object()).first, "Lipsește 'session'.");
}

TEST_F(WindowTools, CaptureReturnsThePaneTextExactlyUnderAHeader) {
    sandbox.tmux("alpha", {"send-keys", "-t", "work:0.0", "echo hello-$((6*7))-quillon", "Enter"});
    const std::string captured = settledCapture("work:0.0", "hello-42-quillon");

    auto [text, isError] = call("en", "tmux_capture_pane", {{"target", "work:0.0"}, {"socket", "alpha"}});
    EXPECT_FALSE(isError);
    EXPECT_EQ(text, "Last 200 lines of work:0.0 (socket 'alpha'):\n\n" + captured);
    EXPECT_TRUE(endsWith(text, "\n\n"));  // the blank rows below the prompt are kept

    std::tie(text, isError) = call("ro", "tmux_capture_pane", {{"target", "work:0.0"}, {"socket", "alpha"}, {"lines", 30}});
    EXPECT_EQ(text, "Ultimele 30 linii din work:0.0 (socketul 'alpha'):\n\n" + sandbox.client("alpha").capturePane("work:0.0", 30));
}

TEST_F(WindowTools, CaptureLineCountIsClampedAndOnlyExactNumbersCount) {
    sandbox.tmux("alpha", {"send-keys", "-t", "work:1.0", "echo ready", "Enter"});
    settledCapture("work:1.0", "ready");
    const auto process = mcp("en");
    const std::vector<std::pair<json, int>> cases{{0, 1},       {-5, 1},    {1, 1},        {4999, 4999},
                                                 {5000, 5000}, {9999, 5000}, {3.0, 3},     {2.5, 200},
                                                 {"7", 200},   {nullptr, 200}, {true, 200}, {1e300, 200}};
    for (const auto& [lines, expected] : cases) {
        json arguments = {{"target", "work:1.0"}, {"socket", "alpha"}, {"lines", lines}};
        const auto [text, isError] = process->callTool("tmux_capture_pane", arguments);
        EXPECT_TRUE(text::startsWith(text, "Last " + std::to_string(expected) + " lines of work:1.0 (socket 'alpha'):\n\n"))
            << lines << " → " << text.substr(0, 60);
    }
    const auto [text, isError] = process->callTool("tmux_capture_pane", {{"target", "work:1.0"}, {"socket", "alpha"}});
    EXPECT_TRUE(text::startsWith(text, "Last 200 lines of work:1.0"));
}

TEST_F(WindowTools, CaptureOfABlankPaneOrAbsentServerIsAnEmptyBufferNotAnError) {
    EXPECT_EQ(call("en", "tmux_capture_pane", {{"target", "quiet:0.0"}, {"socket", "alpha"}}),
              std::make_pair(std::string("Empty buffer for quiet:0.0 on socket 'alpha'. Either the pane really is empty, "
                                         "or the target/server does not exist — check with tmux_census."),
                             false));
    EXPECT_EQ(call("ro", "tmux_capture_pane", {{"target", "x:0.0"}, {"socket", "nobody"}}),
              std::make_pair(std::string("Buffer gol pentru x:0.0 pe socketul 'nobody'. Fie pane-ul chiar e gol, fie "
                                         "target-ul/serverul nu există — verifică cu tmux_census."),
                             false));
}

TEST_F(WindowTools, CaptureFailuresAndMissingTargetsAreErrors) {
    auto [text, isError] = call("en", "tmux_capture_pane", {{"target", "work:9.9"}, {"socket", "alpha"}});
    EXPECT_TRUE(isError);
    EXPECT_TRUE(text::startsWith(text, "capture-pane failed for work:9.9: ")) << text;
    EXPECT_GT(text.size(), std::string("capture-pane failed for work:9.9: ").size());
    std::tie(text, isError) = call("ro", "tmux_capture_pane", {{"target", "work:9.9"}, {"socket", "alpha"}});
    EXPECT_TRUE(text::startsWith(text, "capture-pane a eșuat pentru work:9.9: ")) << text;

    EXPECT_EQ(call("en", "tmux_capture_pane", {{"target", ""}}), std::make_pair(std::string("Missing 'target'."), true));
    EXPECT_EQ(call("ro", "tmux_capture_pane"), std::make_pair(std::string("Lipsește 'target'."), true));
}

TEST(WedgedWindows, AStoppedServerCostsOneTimeLimitAndIsReported) {
    Fleet fleet;
    fleet.sandbox.newSession("stuck", "a");
    fleet.sandbox.stopServer("stuck");
    const auto [text, isError] = fleet.mcp("en")->callTool("tmux_windows", {{"session", "a"}, {"socket", "stuck"}}, 40s);
    EXPECT_TRUE(isError);
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(text, "Could not read socket 'stuck': " + TmuxClient(TmuxSandbox::tmuxPath()).timeoutMessage());
}

}  // namespace
}  // namespace quillon::testing
