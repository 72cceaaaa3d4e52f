// The seven tools in-process against real private servers: each reads its arguments with the
// types it announces, addresses the server they name, and says whether it failed. What the
// reports say is the census code's and is checked there.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/control_mode.h"
#include "core/l10n.h"
#include "core/text.h"
#include "mcp/census_tools.h"
#include "mcp/mcp_server.h"
#include "mcp/window_tools.h"
#include "tests/support/control_clients.h"
#include "tests/mcp/tool_world.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::mcp {
namespace {

using nlohmann::json;
using testing::TmuxSandbox;

class Tools : public ::testing::Test, protected testing::ToolWorld {
protected:
    Tools() : ToolWorld("quillon-tools") {}
    void SetUp() override {
        L10n::setLanguage(AppLanguage::en);
        sandbox.newSession("beta", "gone");
        sandbox.killServerHard("beta");
    }
    static ToolResult call(const std::string& tool, const json& arguments) {
        return MCPServer{}.callTool(tool, arguments);
    }
    // The text begins with prefix and holds every piece; isError as expected.
    void expect(const std::string& tool, const json& arguments, const std::string& prefix, bool isError = false,
                const std::vector<std::string>& pieces = {}) {
        const auto [text, failed, data] = call(tool, arguments);
        EXPECT_TRUE(text::startsWith(text, prefix)) << tool << " " << arguments << "\n" << text;
        for (const auto& piece : pieces) EXPECT_TRUE(text::contains(text, piece)) << piece << "\n" << text;
        EXPECT_EQ(failed, isError) << tool << " " << arguments;
    }

};

TEST_F(Tools, CensusAndServersScanTheDirectoryAndTheExtraSocketsTheyAreGiven) {
    const std::string version = TmuxClient(TmuxSandbox::tmuxPath()).version();
    expect("tmux_census", json::object(), "tmux servers — ", false,
           {"\ntmux: " + version + " · socket directory: " + dir + "\n", "2 socket(s) on disk · 1 alive · 1 dead",
            "\n● alpha — ALIVE\n", "    · work [" + workId + "] — detached",
            "      proj · " + root.str() + "/proj/deep\n", "\n✕ beta — DEAD"});
    // Only strings count in extra_sockets; a string where the array belongs is no socket.
    expect("tmux_census", {{"extra_sockets", json::array({5, dead})}}, "tmux servers — ", false,
           {"3 socket(s) on disk", "\n✕ " + dead + " — DEAD"});
    expect("tmux_census", {{"extra_sockets", dead}}, "tmux servers — ", false, {"2 socket(s) on disk"});
    expect("tmux_servers", {{"extra_sockets", json::array({dead})}}, "tmux sockets in " + dir + ":\n● alpha — ALIVE\n",
           false, {"\n✕ " + dead + " — DEAD"});
    EXPECT_FALSE(text::contains(call("tmux_servers", json::object()).text, "    · "));
    // socket_dir, with a leading tilde for the home directory.
    testing::ScopedEnv home("HOME", sandbox.tmpDir());
    expect("tmux_servers", {{"socket_dir", "~/" + dir.substr(sandbox.tmpDir().size() + 1)}},
           "tmux sockets in " + dir + ":\n");
    expect("tmux_census", {{"socket_dir", root.str()}}, "tmux servers — ", false,
           {"\n1 socket(s) on disk · 0 alive · 1 dead", "\n✕ dead — DEAD"});
}

TEST_F(Tools, SessionsAsksTheNamedSocketElseThePathElseTheDefaultOne) {
    expect("tmux_sessions", {{"socket", "alpha"}}, "● alpha — ALIVE\n    socket: " + alpha + " · ", false,
           {"    · work [" + workId + "] — detached", "    · quiet ["});
    expect("tmux_sessions", {{"socket_path", alpha}}, "● " + alpha + " — ALIVE\n    socket: " + alpha + " · ");
    expect("tmux_sessions", {{"socket", "alpha"}, {"socket_path", dead}},
           "● alpha — ALIVE\n    socket: " + dead + " · ");
    for (const json& arguments : {json::object(), json({{"socket", ""}}), json({{"socket", 7}})})
        expect("tmux_sessions", arguments, "✕ " + dir + "/default — DEAD (socket left on disk)\n");
}

// A folder, a file or a device given as a socket is said to be no socket, never a dead server.
TEST_F(Tools, PathsThatAreNotSocketsAreSaidToBeSo) {
    const std::string folder = root.str() + "/proj";
    for (const std::string& path : {folder, std::string("/etc/passwd"), std::string("/dev/null")}) {
        expect("tmux_sessions", {{"socket_path", path}}, "⊘ " + path + " — not a socket\n", false,
               {"    no sessions — no server can listen here\n"});
        expect("tmux_census", {{"extra_sockets", json::array({path})}}, "tmux servers — ", false,
               {"\n⊘ " + path + " — not a socket\n", "2 socket(s) on disk · 1 alive · 1 dead · 0 unknown · 3 live "
                                                      "session(s) · 1 not a socket\n"});
        EXPECT_EQ(call("tmux_sessions", {{"socket_path", path}}).structured["server"]["liveness"], "notSocket");
    }
}

// A server that never answers cannot be read: the call fails with the server's block as its text.
TEST_F(Tools, SessionsOfAServerThatDoesNotAnswerFailTheCall) {
    sandbox.stopServer("alpha");
    TmuxClient client(TmuxSandbox::tmuxPath());
    client.timeout = std::chrono::milliseconds(300);
    const ToolResult result = sessionsTool(client, {{"socket", "alpha"}}, {});
    sandbox.continueServer("alpha");
    EXPECT_TRUE(result.isError);
    EXPECT_TRUE(text::startsWith(result.text, "? alpha — UNKNOWN\n")) << result.text;
    EXPECT_TRUE(result.structured.is_null());
}

// A program watching in control mode (the app's scanner) is nobody attached.
TEST_F(Tools, AControlModeClientLeavesItsSessionDetached) {
    TmuxControlMode watcher;
    watcher.start(sandbox.client("alpha"), "work", nullptr, nullptr);
    ASSERT_TRUE(testing::waitForControlClients(sandbox, "alpha", 1));
    for (const auto& [tool, arguments] : {std::pair{"tmux_sessions", json({{"socket", "alpha"}})}, {"tmux_census", json::object()}})
        expect(tool, arguments, "", false, {"    · work [" + workId + "] — detached"});
}

TEST_F(Tools, WindowsListsTheNamedSessionOrSaysWhyNot) {
    expect("tmux_windows", {{"session", "work"}, {"socket", "alpha"}},
           "Session work on socket 'alpha' — 2 window(s), 3 pane(s)\nproject: proj · ");
    expect("tmux_windows", {{"session", "work"}, {"socket_path", alpha}}, "Session work on " + alpha + " — ");
    const auto failed = windowsTool(TmuxClient("/nonexistent/tmux"), {{"session", "work"}}, {});
    EXPECT_EQ(failed.text,
              "Could not read the default server: Could not start /nonexistent/tmux: No such file or directory");
    EXPECT_TRUE(failed.isError);
}

TEST_F(Tools, CaptureReturnsThePaneUnderAHeaderWithTheLinesAskedWithin1To5000) {
    const TmuxClient client = sandbox.client("alpha");
    const auto [text, isError, data] =
        call("tmux_capture_pane", {{"target", "said:0.0"}, {"socket", "alpha"}, {"lines", 30}});
    EXPECT_EQ(text, "Last 30 lines of said:0.0 (socket 'alpha'):\n\n" + client.capturePane("said:0.0", 30));
    EXPECT_FALSE(isError);
    expect("tmux_capture_pane", {{"target", "said:0.0"}, {"socket_path", alpha}},
           "Last 200 lines of said:0.0 (" + alpha + "):\n\nhello-42\nhello-43\n");
    // Only an exact number counts.
    const std::pair<json, int> lines[] = {{0, 1},      {-5, 1},     {1, 1},     {4999, 4999},   {5000, 5000},
                                          {9999, 5000}, {3.0, 3},    {2.5, 200}, {"7", 200},     {nullptr, 200},
                                          {true, 200},  {1e300, 200}, {json::parse("18446744073709551615"), 200}};
    for (const auto& [asked, used] : lines) EXPECT_EQ(captureLineCount({{"lines", asked}}), used) << asked;
    EXPECT_EQ(captureLineCount(json::object()), 200);
    // A blank pane and an absent server read alike: an empty buffer, not an error.
    expect("tmux_capture_pane", {{"target", "quiet:0.0"}, {"socket", "alpha"}},
           "Empty buffer for quiet:0.0 on socket 'alpha'. ");
    expect("tmux_capture_pane", {{"target", "x:0.0"}, {"socket", "nobody"}},
           "Empty buffer for x:0.0 on socket 'nobody'. ");
    expect("tmux_capture_pane", {{"target", "work:9.9"}, {"socket", "alpha"}},
           "capture-pane failed for work:9.9: ", true);
}

// A session named like an id or an exact form is the one read ("work" is $0, "said" exists),
// and a name no session has is an error, never a prefix of another.
TEST_F(Tools, SessionArgumentsAreNamesWhateverTheyLookLike) {
    ASSERT_EQ(workId, "$0");
    for (const auto& [name, mark] : {std::pair{"$0", "own-dollar"}, {"=said", "own-equals"}, {"%0", "own-percent"}})
        sandbox.tmux("alpha", {"new-session", "-d", "-s", name, "-c", root.str(),
                               std::string("printf '") + mark + "\\n'; sleep 600"});
    const TmuxClient client = sandbox.client("alpha");
    for (const auto& [target, mark] : {std::pair{"$0:0.0", "own-dollar"}, {"=said:0.0", "own-equals"}, {"%0:0.0", "own-percent"}}) {
        for (int i = 0; i < 250 && !text::contains(call("tmux_capture_pane", {{"target", target}, {"socket", "alpha"}}).text, mark); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        expect("tmux_capture_pane", {{"target", target}, {"socket", "alpha"}},
               "Last 200 lines of " + std::string(target) + " (socket 'alpha'):\n\n" + mark + "\n");
    }
    expect("tmux_windows", {{"session", "$0"}, {"socket", "alpha"}}, "Session $0 on socket 'alpha' — 1 window(s), 1 pane(s)");
    expect("tmux_capture_pane", {{"target", "wor:0.0"}, {"socket", "alpha"}},
           "capture-pane failed for wor:0.0: can't find session: wor", true);
}

TEST_F(Tools, FindProjectCorrelatesTheLiveSessionsTheirPanesIncluded) {
    expect("tmux_find_project", {{"query", "proj"}},
           "1 session(s) for “proj”:\n\nalpha → work\n    project: proj · root: " + root.str() +
               "/proj\n    also touches: other\n");
    // A pane's directory is enough: the tool reads the panes of every live server.
    expect("tmux_find_project", {{"query", root.str() + "/other"}},
           "1 session(s) for “" + root.str() + "/other”:\n\nalpha → work\n");
    expect("tmux_find_project", {{"query", "nothing"}}, "No live session matches “nothing”.");
    expect("tmux_find_project",
           {{"query", "work"}, {"socket_dir", root.str()}, {"extra_sockets", json::array({alpha})}},
           "1 session(s) for “work”:\n\n" + alpha + " → work\n");
    expect("tmux_find_project", {{"query", "x"}, {"socket_dir", root.str()}},
           "No live tmux server in " + root.str() + ", ", false, {" 1 socket(s) on disk are leftovers"});
}

// Every refusal and miss is isError in both languages; the tool names are the only routes.
TEST_F(Tools, MissingArgumentsAndMissesAreErrorsInBothLanguages) {
    const struct {
        const char* tool;
        json arguments;
        std::string en, ro;
    } cases[] = {
        {"tmux_windows", json::object(), "Missing 'session'.", "Lipsește 'session'."},
        {"tmux_windows", {{"session", ""}}, "Missing 'session'.", "Lipsește 'session'."},
        {"tmux_windows", {{"session", 5}}, "Missing 'session'.", "Lipsește 'session'."},
        {"tmux_windows",
         {{"session", "wor"}, {"socket", "alpha"}},
         "Session 'wor' does not exist on socket 'alpha'. Present: quiet, said, work.",
         "Sesiunea 'wor' nu există pe socketul 'alpha'. Există: quiet, said, work."},
        {"tmux_windows",
         {{"session", "work"}, {"socket", "nobody"}},
         "No live server on socket 'nobody' — hence no session 'work'. See tmux_census.",
         "Niciun server viu pe socketul 'nobody' — deci nici sesiunea 'work'. Vezi tmux_census."},
        {"tmux_windows",
         {{"session", "work"}},
         "No live server on the default server — hence no session 'work'. See tmux_census.",
         "Niciun server viu pe serverul implicit — deci nici sesiunea 'work'. Vezi tmux_census."},
        {"tmux_capture_pane", {{"target", ""}}, "Missing 'target'.", "Lipsește 'target'."},
        {"tmux_find_project", {{"query", json::array({"x"})}}, "Missing 'query'.", "Lipsește 'query'."},
        {"tmux_kill_everything", json::object(), "Unknown tool: tmux_kill_everything",
         "Verb necunoscut: tmux_kill_everything"},
    };
    for (const auto& c : cases) {
        for (const AppLanguage language : {AppLanguage::en, AppLanguage::ro}) {
            L10n::setLanguage(language);
            const auto [text, isError, data] = call(c.tool, c.arguments);
            EXPECT_EQ(text, language == AppLanguage::en ? c.en : c.ro) << c.tool << " " << c.arguments;
            EXPECT_TRUE(isError) << c.tool << " " << c.arguments;
        }
    }
}

}  // namespace
}  // namespace quillon::mcp
