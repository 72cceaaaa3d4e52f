// tmux_pane_states and tmux_wait through the real program, with real programs in real panes
// of a private server: an agent starts a command by its own means (send-keys here) and waits
// for it; the loop keeps answering while a wait runs; a private sshd is another machine with
// the same socket name and the same pane ids.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/defaults_store.h"
#include "core/l10n.h"
#include "core/stored_hosts.h"
#include "core/text.h"
#include "tests/mcp/mcp_process.h"
#include "tests/support/ssh_sandbox.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

class PaneTools : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& hosts = {}, const char* language = "en") {
        if (!hosts.empty())
            DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, {{"XDG_CONFIG_HOME", config.str()}}))
                .set(StoredHosts::key, StoredHosts::encode(hosts));
        mcp.emplace(McpProcess::EnvChanges{{"QUILLON_LANG", language}, {"XDG_CONFIG_HOME", config.str()}});
        const json opened = mcp->request(
            {{"jsonrpc", "2.0"}, {"id", 0}, {"method", "initialize"}, {"params", {{"protocolVersion", "2025-11-25"}}}});
        ASSERT_EQ(opened["result"]["protocolVersion"], "2025-11-25");
    }

    void ask(int id, const std::string& tool, const json& arguments, const json& meta = nullptr) {
        json params = {{"name", tool}, {"arguments", arguments}};
        if (!meta.is_null()) params["_meta"] = meta;
        mcp->send(json{{"jsonrpc", "2.0"}, {"id", id}, {"method", "tools/call"}, {"params", params}}.dump() + "\n");
    }

    // Lines until the answer with this id; what came before it is kept in `before`.
    json answer(int id, std::chrono::seconds within = 150s) {
        const auto deadline = Steady::now() + within;
        while (Steady::now() < deadline) {
            const auto line = mcp->readLine(5s);
            if (!line) continue;
            json message = json::parse(*line);
            if (message.contains("id") && message["id"] == id) return message;
            before.push_back(std::move(message));
        }
        ADD_FAILURE() << "no answer to " << id;
        return json::object();
    }

    json call(const std::string& tool, const json& arguments) {
        ask(++id, tool, arguments);
        return answer(id)["result"];
    }

    std::string newPane(const std::string& command = {}) {
        std::vector<std::string> args{"new-window", "-d", "-t", "work:", "-P", "-F", "#{pane_id}"};
        if (!command.empty()) args.push_back(command);
        return std::string(text::trim(sandbox.tmux(server, args)));
    }
    void type(const std::string& pane, const std::string& keys) {
        sandbox.tmux(server, {"send-keys", "-t", pane, "-l", keys});
        sandbox.tmux(server, {"send-keys", "-t", pane, "Enter"});
    }

    // Until every pane listed is at its shell's prompt: typing starts from there.
    void untilAtPrompt(const std::vector<std::string>& panes, const json& where = json::object()) {
        json arguments = where;
        arguments["socket"] = server;
        arguments["states"] = {"idle"};
        for (const auto deadline = Steady::now() + 60s; Steady::now() < deadline; std::this_thread::sleep_for(200ms)) {
            const json result = call("tmux_pane_states", arguments);
            std::size_t idle = 0;
            for (const json& pane : result["structuredContent"]["panes"])
                idle += std::count(panes.begin(), panes.end(), pane["paneID"].get<std::string>());
            if (idle == panes.size()) return;
        }
        FAIL() << "the shells never reached their prompt";
    }

    TmuxSandbox sandbox;
    TempDir config{"quillon-config"};
    std::string server = TmuxSandbox::uniqueName("panes");
    std::optional<McpProcess> mcp;
    std::vector<json> before;
    int id = 0;
};

// The agent's way: type a command, then wait for what it must lead to.
TEST_F(PaneTools, AWaitEndsWhenTheCommandFinishesOrAsksForInput) {
    sandbox.newSession(server, "work");
    const std::string finishing = newPane(), asking = newPane();
    start();
    untilAtPrompt({finishing, asking});

    type(finishing, "sleep 2; echo done");
    const json finished =
        call("tmux_wait", {{"pane", finishing}, {"states", {"finished"}}, {"timeout", 60}, {"socket", server}});
    const json& data = finished["structuredContent"];
    EXPECT_EQ(finished["isError"], false) << finished.dump();
    EXPECT_EQ(data["outcome"], "state") << finished.dump();
    EXPECT_EQ(data["pane"]["paneID"], finishing);
    EXPECT_EQ(data["pane"]["state"], "finished");
    EXPECT_EQ(data["pane"]["program"], "sleep");
    EXPECT_GE(data["pane"].value("durationMs", 0), 1500);
    EXPECT_TRUE(text::contains(data["tail"].get<std::string>(), "\ndone")) << data["tail"];
    EXPECT_TRUE(text::contains(finished["content"][0]["text"].get<std::string>(), ": Finished after ")) << finished.dump();

    // A readable target reaches the same pane, by the id it had when the wait began.
    const std::string target = "work:" + std::string(text::trim(sandbox.tmux(server, {"display-message", "-p", "-t", asking, "#{window_index}"})));
    type(asking, "read -p 'Continue? ' answer");
    const json waiting = call("tmux_wait", {{"pane", target}, {"states", {"waitingForInput"}}, {"timeout", 60}, {"socket", server}});
    EXPECT_EQ(waiting["structuredContent"]["outcome"], "state") << waiting.dump();
    EXPECT_EQ(waiting["structuredContent"]["pane"]["paneID"], asking);
    EXPECT_EQ(waiting["structuredContent"]["pane"]["state"], "waitingForInput");
    EXPECT_EQ(waiting["structuredContent"]["pane"]["lastLine"], "Continue?");

    const json states = call("tmux_pane_states", {{"socket", server}, {"states", {"waitingForInput", "finished"}}});
    std::map<std::string, std::string> byPane;
    for (const json& pane : states["structuredContent"]["panes"]) byPane[pane["paneID"]] = pane["state"];
    EXPECT_EQ(byPane, (std::map<std::string, std::string>{{finishing, "finished"}, {asking, "waitingForInput"}}))
        << states.dump();
}

// Neither the text already on the screen nor the typed command line matches; what the
// command prints afterwards does.
TEST_F(PaneTools, APatternMatchesOnlyOutputPrintedAfterTheCall) {
    sandbox.newSession(server, "work");
    const std::string pane = newPane();
    start();
    untilAtPrompt({pane});
    type(pane, "echo marker-$((40+2))");
    for (const auto deadline = Steady::now() + 30s;
         Steady::now() < deadline && !text::contains(sandbox.tmux(server, {"capture-pane", "-p", "-t", pane}), "\nmarker-42");)
        std::this_thread::sleep_for(50ms);

    const json old = call("tmux_wait", {{"pane", pane}, {"pattern", "marker-42"}, {"timeout", 2}, {"socket", server}});
    EXPECT_EQ(old["structuredContent"]["outcome"], "timeout") << old.dump();

    // Typed while the wait runs: the command line holds the pattern, its output does not.
    ask(++id, "tmux_wait", {{"pane", pane}, {"pattern", "sleep 1"}, {"timeout", 5}, {"socket", server}});
    std::this_thread::sleep_for(500ms);
    type(pane, "sleep 1; echo slept");
    const json typed = answer(id)["result"];
    EXPECT_EQ(typed["structuredContent"]["outcome"], "timeout") << typed.dump();
    EXPECT_TRUE(text::contains(typed["structuredContent"]["tail"].get<std::string>(), "\nslept")) << typed.dump();

    ask(++id, "tmux_wait", {{"pane", pane}, {"pattern", "^MARKER-4[0-9]$"}, {"regex", true}, {"timeout", 60}, {"socket", server}});
    std::this_thread::sleep_for(500ms);
    type(pane, "echo marker-$((40+3))");
    const json matched = answer(id)["result"];
    EXPECT_EQ(matched["structuredContent"]["outcome"], "match") << matched.dump();
    EXPECT_EQ(matched["structuredContent"]["match"], "marker-43");
}

// A long wait holds up nothing: other requests are answered meanwhile, progress comes every
// 5 s to a client that asked for it, and a cancelled wait ends without an answer.
TEST_F(PaneTools, TheLoopAnswersDuringAWaitWhichReportsProgressAndCanBeCancelled) {
    sandbox.newSession(server, "work");
    const std::string pane = newPane();
    start();
    const auto asked = Steady::now();
    ask(++id, "tmux_wait", {{"pane", pane}, {"states", {"exited"}}, {"timeout", 11}, {"socket", server}},
        {{"progressToken", "tok"}});
    const int waitId = id;
    mcp->send(R"({"jsonrpc":"2.0","id":900,"method":"tools/list"})" "\n" R"({"jsonrpc":"2.0","id":901,"method":"ping"})" "\n");
    const json listed = answer(900);
    EXPECT_GE(listed["result"]["tools"].size(), 9u);
    EXPECT_EQ(answer(901)["result"], json::object());
    const json states = call("tmux_pane_states", {{"socket", server}});
    EXPECT_EQ(states["isError"], false);

    const json waited = answer(waitId)["result"];
    EXPECT_GE(Steady::now() - asked, 10s);
    EXPECT_EQ(waited["structuredContent"]["outcome"], "timeout");
    std::vector<double> progress;
    for (const json& message : before)
        if (message.value("method", "") == "notifications/progress") {
            EXPECT_EQ(message["params"]["progressToken"], "tok");
            EXPECT_EQ(message["params"]["total"], 11);
            progress.push_back(message["params"]["progress"]);
        }
    ASSERT_EQ(progress.size(), 2u) << json(before).dump();
    EXPECT_LT(progress[0], progress[1]);

    ask(++id, "tmux_wait", {{"pane", pane}, {"states", {"exited"}}, {"timeout", 120}, {"socket", server}});
    std::this_thread::sleep_for(500ms);
    mcp->send(json{{"jsonrpc", "2.0"}, {"method", "notifications/cancelled"}, {"params", {{"requestId", id}}}}.dump() + "\n");
    EXPECT_EQ(mcp->request({{"jsonrpc", "2.0"}, {"id", 902}, {"method", "ping"}})["id"], 902);
    // The cancelled wait stops at once: the program ends as soon as its input does.
    const auto [rest, status] = mcp->finish();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(rest, "");
}

// Arguments that cannot be waited on are refused at once, saying why, in both languages.
TEST_F(PaneTools, BadArgumentsAreRefusedInBothLanguages) {
    sandbox.newSession(server, "work");
    struct Case {
        const char* tool;
        json arguments;
        const char* en;
        const char* ro;
    };
    const std::vector<Case> cases = {
        {"tmux_wait", {{"states", {"finished"}}}, "Missing 'pane'.", "Lipsește 'pane'."},
        {"tmux_wait", {{"pane", "%0"}}, "Give 'states', 'pattern' or both", "Dă 'states', 'pattern' sau amândouă"},
        {"tmux_wait", {{"pane", "%0"}, {"states", {"done"}}}, "Unknown state 'done'. States: waitingForInput, running",
         "Stare necunoscută 'done'. Stări: waitingForInput, running"},
        {"tmux_wait", {{"pane", "%0"}, {"states", {"idle"}}, {"timeout", 121}}, "'timeout' is in seconds, from 0 to 120.",
         "'timeout' e în secunde, între 0 și 120."},
        {"tmux_wait", {{"pane", "%77"}, {"states", {"idle"}}}, "Pane '%77' was not found on socket '",
         "Pane-ul '%77' nu s-a găsit pe socketul '"},
        {"tmux_wait", {{"pane", "nope:1"}, {"states", {"idle"}}}, "Pane 'nope:1' was not found on socket '",
         "Pane-ul 'nope:1' nu s-a găsit pe socketul '"},
        {"tmux_pane_states", {{"states", {"busy"}}}, "Unknown state 'busy'.", "Stare necunoscută 'busy'."},
        {"tmux_pane_states", {{"session", "nope"}}, "Session 'nope' does not exist on socket '",
         "Sesiunea 'nope' nu există pe socketul '"},
        {"tmux_pane_states", {{"socket", "nothing-here"}}, "No live server on socket 'nothing-here'.",
         "Niciun server viu pe socketul 'nothing-here'."},
    };
    for (const char* language : {"en", "ro"}) {
        start({}, language);
        for (const Case& c : cases) {
            json arguments = c.arguments;
            if (!arguments.contains("socket")) arguments["socket"] = server;
            const json result = call(c.tool, arguments);
            const std::string text = result["content"][0]["text"];
            EXPECT_EQ(result["isError"], true) << text;
            EXPECT_FALSE(result.contains("structuredContent"));
            EXPECT_TRUE(text::startsWith(text, std::string(language) == "en" ? c.en : c.ro)) << language << ": " << text;
        }
        mcp->finish();
    }
}

// The same socket name and the same pane ids here and on another machine: each call reads
// the server its arguments name, and nothing of one reaches the other.
TEST_F(PaneTools, TheSameSocketAndPaneIdsOnAnotherMachineStayApart) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    TempDir farDirectory("quillon-far");
    SshSandbox ssh(farDirectory.str());
    sandbox.newSession(server, "work");
    TmuxClient far = sandbox.client(server);
    far.host = SshSandbox::good;
    far.timeout = 20s;
    // A plain sh, as the sandbox's own servers have: the user's rc files may keep a shell busy.
    far.run({"-f", "/dev/null", "new-session", "-d", "-s", "work", "sh"});
    struct StopFar {
        TmuxClient client;
        ~StopFar() {
            try { client.run({"kill-server"}); } catch (...) {}
        }
    } stopFar{far};
    start({SshSandbox::good});
    untilAtPrompt({"%0"});
    untilAtPrompt({"%0"}, {{"host", SshSandbox::good}});
    type("%0", "cat");

    const json here = call("tmux_wait", {{"pane", "%0"}, {"states", {"waitingForInput"}}, {"timeout", 60}, {"socket", server}});
    EXPECT_EQ(here["structuredContent"]["outcome"], "state") << here.dump();
    const json there = call("tmux_wait", {{"pane", "%0"}, {"states", {"waitingForInput"}}, {"timeout", 4},
                                          {"socket", server}, {"host", SshSandbox::good}});
    EXPECT_EQ(there["structuredContent"]["outcome"], "timeout") << there.dump();
    EXPECT_EQ(there["structuredContent"]["pane"]["state"], "idle");
    EXPECT_EQ(there["structuredContent"]["serverArguments"], (json{{"socket", server}, {"host", SshSandbox::good}}));

    const json farStates = call("tmux_pane_states", {{"socket", server}, {"host", SshSandbox::good}});
    ASSERT_EQ(farStates["structuredContent"]["panes"].size(), 1u) << farStates.dump();
    EXPECT_EQ(farStates["structuredContent"]["panes"][0]["state"], "idle");
    EXPECT_EQ(farStates["structuredContent"]["procReadable"], true);
    const json nearStates = call("tmux_pane_states", {{"socket", server}});
    ASSERT_EQ(nearStates["structuredContent"]["panes"].size(), 1u);
    EXPECT_EQ(nearStates["structuredContent"]["panes"][0]["state"], "waitingForInput");
    EXPECT_EQ(nearStates["structuredContent"]["panes"][0]["program"], "cat");
}

}  // namespace
}  // namespace quillon::testing
