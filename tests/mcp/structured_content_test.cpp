// Structured answers against a real private server: in a 2025-06-18 conversation every
// successful tool call carries structuredContent that matches the outputSchema tools/list
// declared for that tool, with tmux's ids and the targets; failures carry none.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "core/l10n.h"
#include "core/text.h"
#include "mcp/stdio_loop.h"
#include "tests/mcp/schema_check.h"
#include "tests/mcp/tool_world.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::mcp {
namespace {

using nlohmann::json;
using testing::TmuxSandbox;

class StructuredContent : public ::testing::Test, protected testing::ToolWorld {
protected:
    StructuredContent() : ToolWorld("quillon-structured") {}
    void SetUp() override {
        L10n::setLanguage(AppLanguage::en);
        ask("initialize", {{"protocolVersion", "2025-06-18"}});
        const json listed = ask("tools/list");
        for (const json& tool : listed["tools"]) schemas[tool["name"].get<std::string>()] = tool["outputSchema"];
    }

    // One request through the loop in this conversation; its result.
    json ask(const std::string& method, const json& params = json::object()) {
        const auto answer =
            answerLine(MCPServer{}, conversation, json{{"id", 1}, {"method", method}, {"params", params}}.dump());
        EXPECT_TRUE(answer.has_value()) << method;
        return answer ? (*answer)["result"] : json();
    }
    json call(const std::string& tool, const json& arguments) {
        return ask("tools/call", {{"name", tool}, {"arguments", arguments}});
    }
    // The tool's structuredContent after checking it against the tool's declared schema.
    json checkedCall(const std::string& tool, const json& arguments) {
        json result = call(tool, arguments);
        EXPECT_EQ(result.value("isError", true), false) << tool << " " << arguments << "\n" << result;
        EXPECT_TRUE(result.contains("structuredContent")) << tool << " " << arguments;
        const json data = result.value("structuredContent", json());
        for (const auto& violation : testing::schemaViolations(schemas.at(tool), data))
            ADD_FAILURE() << tool << " " << arguments << ": " << violation << "\n" << data.dump(2);
        return data;
    }

    Conversation conversation;
    std::map<std::string, json> schemas;
};

// A server of a list by its socket path.
json serverAt(const json& servers, const std::string& path) {
    for (const json& server : servers)
        if (server["socketPath"] == path) return server;
    ADD_FAILURE() << "no server at " << path << " in " << servers.dump(2);
    return json::object();
}

TEST_F(StructuredContent, EveryToolAnswersWithDataItsOwnSchemaAccepts) {
    ASSERT_EQ(schemas.size(), 9u);
    const json census = checkedCall("tmux_census", {{"extra_sockets", json::array({dead})}});
    EXPECT_EQ(census["directory"], sandbox.socketDirectory());
    EXPECT_EQ(census["tmuxVersion"], TmuxClient(TmuxSandbox::tmuxPath()).version());
    const json live = serverAt(census["servers"], alpha);
    EXPECT_EQ(live["liveness"], "alive");
    EXPECT_EQ(live["socketName"], "alpha");
    EXPECT_EQ(live["serverArguments"], json({{"socket", "alpha"}}));
    ASSERT_EQ(live["sessions"].size(), 3u);
    const json& work = live["sessions"][2];
    EXPECT_EQ(work["id"], workId);
    EXPECT_EQ(work["name"], "work");
    EXPECT_EQ(work["attached"], false);
    EXPECT_EQ(work["windowCount"], 2);
    EXPECT_FALSE(work.contains("lastAttached"));  // never attached
    EXPECT_EQ(work["project"], json({{"name", "proj"}, {"root", root.str() + "/proj"}}));
    EXPECT_FALSE(live["sessions"][0].contains("project"));  // quiet runs outside every repository
    const json stale = serverAt(census["servers"], dead);
    EXPECT_EQ(stale["liveness"], "stale");
    EXPECT_EQ(stale["sessions"], json::array());
    EXPECT_EQ(stale["serverArguments"], json({{"socket_path", dead}}));

    const json servers = checkedCall("tmux_servers", json::object());
    EXPECT_FALSE(serverAt(servers["servers"], alpha).contains("sessions"));

    EXPECT_EQ(checkedCall("tmux_sessions", {{"socket", "alpha"}})["server"]["sessions"].size(), 3u);
    EXPECT_EQ(checkedCall("tmux_sessions", json::object())["server"]["liveness"], "stale");

    const json windows = checkedCall("tmux_windows", {{"session", "work"}, {"socket", "alpha"}});
    EXPECT_EQ(windows["serverArguments"], json({{"socket", "alpha"}}));
    EXPECT_EQ(windows["session"]["id"], workId);
    const json& first = windows["session"]["windows"][0];
    EXPECT_TRUE(text::startsWith(first["id"].get<std::string>(), "@")) << first;
    EXPECT_EQ(first["target"], "work:0");
    ASSERT_EQ(first["panes"].size(), 2u);
    EXPECT_TRUE(text::startsWith(first["panes"][1]["id"].get<std::string>(), "%")) << first;
    EXPECT_EQ(first["panes"][1]["target"], "work:0.1");
    EXPECT_EQ(first["panes"][1]["path"], root.str() + "/other");
    EXPECT_EQ(windows["session"]["windows"][1]["name"], "logs");
    // The server's identity spells a path in tmux's own directory as that socket's name.
    EXPECT_EQ(checkedCall("tmux_windows", {{"session", "work"}, {"socket_path", alpha}})["serverArguments"],
              json({{"socket", "alpha"}}));

    const json captured = checkedCall("tmux_capture_pane", {{"target", "said:0.0"}, {"socket", "alpha"}, {"lines", 0}});
    EXPECT_EQ(captured["text"], sandbox.client("alpha").capturePane("said:0.0", 1));
    EXPECT_EQ(captured["lines"], 1);
    EXPECT_EQ(captured["empty"], false);
    const json blank = checkedCall("tmux_capture_pane", {{"target", "quiet:0.0"}, {"socket", "alpha"}});
    EXPECT_EQ(blank["empty"], true);
    EXPECT_EQ(blank["lines"], 200);

    const json found = checkedCall("tmux_find_project", {{"query", "proj"}});
    ASSERT_EQ(found["matches"].size(), 1u);
    EXPECT_EQ(found["matches"][0]["session"]["id"], workId);
    EXPECT_EQ(found["matches"][0]["alsoTouches"], json::array({"other"}));
    EXPECT_EQ(found["matches"][0]["server"]["socketPath"], alpha);
    EXPECT_EQ(checkedCall("tmux_find_project", {{"query", "nothing"}})["matches"], json::array());

    const json states = checkedCall("tmux_pane_states", {{"socket", "alpha"}});
    EXPECT_EQ(states["serverArguments"], json({{"socket", "alpha"}}));
    EXPECT_EQ(states["procReadable"], true);
    ASSERT_EQ(states["panes"].size(), 5u) << states;
    std::map<std::string, json> byTarget;
    for (const json& pane : states["panes"]) byTarget[pane["target"]] = pane;
    const json& sleeping = byTarget["quiet:0.0"];
    EXPECT_EQ(sleeping["state"], "running");
    EXPECT_EQ(sleeping["program"], "sleep");
    EXPECT_EQ(byTarget["said:0.0"]["lastLine"], "hello-43");
    const json filtered = checkedCall("tmux_pane_states", {{"socket", "alpha"}, {"session", "quiet"}, {"states", {"running"}}});
    EXPECT_EQ(filtered["panes"].size(), 1u);
    EXPECT_EQ(filtered["states"], json::array({"running"}));
    const json waited = checkedCall("tmux_wait", {{"pane", "quiet:0.0"}, {"states", {"running"}}, {"socket", "alpha"}});
    EXPECT_EQ(waited["outcome"], "state");
    EXPECT_EQ(waited["pane"]["paneID"], sleeping["paneID"]);
    const json timedOut = checkedCall("tmux_wait", {{"pane", "said:0.0"}, {"pattern", "hello"}, {"timeout", 0.5}, {"socket", "alpha"}});
    EXPECT_EQ(timedOut["outcome"], "timeout");
    EXPECT_EQ(timedOut["limitSeconds"], 0.5);
    EXPECT_TRUE(text::contains(timedOut["tail"].get<std::string>(), "hello-42\nhello-43")) << timedOut;

    const json search = checkedCall("tmux_search_panes", {{"query", "HELLO"}, {"socket", "alpha"}});
    ASSERT_EQ(search["matches"].size(), 2u) << search;
    const json& hit = search["matches"][0];
    EXPECT_EQ(hit["target"], "said:0.0");
    EXPECT_EQ(hit["sessionName"], "said");
    EXPECT_TRUE(text::startsWith(hit["paneID"].get<std::string>(), "%")) << hit;
    EXPECT_EQ(hit["line"], 1);
    EXPECT_EQ(hit["text"], "hello-42");
    EXPECT_EQ(search["panesSearched"], 5);
    EXPECT_EQ(search["notRead"], json::array());
    EXPECT_EQ(search["truncated"], false);
    const json cut = checkedCall("tmux_search_panes", {{"query", "hello-4\\d"},
                                                       {"regex", true},
                                                       {"maxResults", 1},
                                                       {"session", "said"},
                                                       {"socket_path", alpha}});
    EXPECT_EQ(cut["matches"].size(), 1u);
    EXPECT_EQ(cut["truncated"], true);
    EXPECT_EQ(cut["session"], "said");
    EXPECT_EQ(cut["serverArguments"], json({{"socket", "alpha"}}));
}

TEST_F(StructuredContent, FailuresCarryNoDataAndOlderRevisionsNeverSeeAny) {
    const json failures[] = {
        call("tmux_windows", json::object()), call("tmux_windows", {{"session", "wor"}, {"socket", "alpha"}}),
        call("tmux_capture_pane", {{"target", "work:9.9"}, {"socket", "alpha"}}), call("tmux_nothing", json::object())};
    for (const json& result : failures) {
        EXPECT_EQ(result.value("isError", false), true) << result;
        EXPECT_FALSE(result.contains("structuredContent")) << result;
    }
    for (const char* older : {"2025-03-26", "2024-11-05"}) {
        ask("initialize", {{"protocolVersion", older}});
        json result = call("tmux_sessions", {{"socket", "alpha"}});
        EXPECT_EQ(result, json({{"content", result["content"]}, {"isError", false}})) << older;
    }
}

// The checker the test above trusts finds each kind of fault.
TEST_F(StructuredContent, TheSchemaCheckFindsWrongData) {
    const json good = checkedCall("tmux_windows", {{"session", "work"}, {"socket", "alpha"}});
    const std::pair<const char*, std::function<void(json&)>> spoilers[] = {
        {"/session: missing id", [](json& data) { data["session"].erase("id"); }},
        {"/session/windows/0/panes/0/pid: expected integer, got \"1\"",
         [](json& data) { data[json::json_pointer("/session/windows/0/panes/0/pid")] = "1"; }},
        {"/session: unexpected member host", [](json& data) { data["session"]["host"] = "x"; }},
        {"/session/created: \"yesterday\" is no date-time",
         [](json& data) { data["session"]["created"] = "yesterday"; }},
    };
    for (const auto& [expected, spoil] : spoilers) {
        json bad = good;
        spoil(bad);
        EXPECT_EQ(testing::schemaViolations(schemas.at("tmux_windows"), bad), std::vector<std::string>{expected});
    }
    const json census = checkedCall("tmux_servers", json::object());
    json bad = census;
    bad["servers"][0]["liveness"] = "dead";
    EXPECT_EQ(
        testing::schemaViolations(schemas.at("tmux_servers"), bad),
        std::vector<std::string>{
            "/servers/0/liveness: \"dead\" is not one of [\"alive\",\"stale\",\"unknown\",\"notSocket\"]"});
}

}  // namespace
}  // namespace quillon::mcp
