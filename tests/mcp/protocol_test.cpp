// The JSON-RPC side of quillon-mcp, end to end: framing, dispatch, answers and silence.

#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/mcp/mcp_process.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

constexpr const char* ignoredLog = "[quillon-mcp] linie ignorată (nu e JSON sau n-are metodă)";

json ping(int id) { return {{"jsonrpc", "2.0"}, {"id", id}, {"method", "ping"}}; }

std::size_t countOf(const std::vector<std::string>& lines, const std::string& wanted) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), wanted));
}

class Protocol : public ::testing::Test {
protected:
    TempDir config{"quillon-mcp-config"};
    McpProcess mcp{{{"QUILLON_LANG", "en"}, {"XDG_CONFIG_HOME", config.str()}}};
};

TEST_F(Protocol, InitializeEchoesTheClientsProtocolVersionOrFallsBack) {
    auto answer = mcp.request({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}});
    EXPECT_EQ(answer["jsonrpc"], "2.0");
    EXPECT_EQ(answer["id"], 1);
    const json& result = answer["result"];
    EXPECT_EQ(result["protocolVersion"], "2024-11-05");
    EXPECT_EQ(result["capabilities"], json({{"tools", json::object()}}));
    EXPECT_EQ(result["serverInfo"], json({{"name", "quillon"}, {"version", "0.8.0"}}));
    EXPECT_TRUE(text::startsWith(result["instructions"].get<std::string>(), "Quillon MCP: fereastra către"));

    answer = mcp.request({{"id", "a"}, {"method", "initialize"}, {"params", {{"protocolVersion", "whatever-9"}}}});
    EXPECT_EQ(answer["id"], "a");
    EXPECT_EQ(answer["result"]["protocolVersion"], "whatever-9");

    answer = mcp.request({{"id", 3}, {"method", "initialize"}, {"params", {{"protocolVersion", 20241105}}}});
    EXPECT_EQ(answer["result"]["protocolVersion"], "2024-11-05");
    answer = mcp.request({{"id", 4}, {"method", "initialize"}, {"params", "2025-01-01"}});
    EXPECT_EQ(answer["result"]["protocolVersion"], "2024-11-05");
}

TEST_F(Protocol, PingAnswersAnEmptyObjectWithTheIdUnchanged) {
    EXPECT_EQ(mcp.request(ping(5)), json({{"jsonrpc", "2.0"}, {"id", 5}, {"result", json::object()}}));
    const json id = {{"nested", json::array({1, "two", nullptr})}};
    EXPECT_EQ(mcp.request({{"id", id}, {"method", "ping"}})["id"], id);
}

TEST_F(Protocol, BlankLinesNotificationsAndRequestsWithoutIdGetNoAnswerAndNoLog) {
    mcp.send("\n   \n\t\r\n");
    mcp.sendLine(R"({"jsonrpc":"2.0","method":"notifications/initialized"})");
    mcp.sendLine(R"({"jsonrpc":"2.0","id":11,"method":"notifications/cancelled"})");
    mcp.sendLine(R"({"method":"initialize"})");
    mcp.sendLine(R"({"method":"tools/list"})");
    mcp.sendLine(R"({"method":"ping"})");
    mcp.sendLine(R"({"method":"resources/list"})");
    // Without an id the tool must not run at all: a wedged tmux would otherwise show here.
    mcp.sendLine(R"({"method":"tools/call","params":{"name":"tmux_census"}})");

    EXPECT_EQ(mcp.request(ping(12))["id"], 12);  // the first answer is the ping's
    const auto logs = mcp.logLines();
    EXPECT_EQ(countOf(logs, ignoredLog), 0u);
}

TEST_F(Protocol, LinesThatAreNotRequestsAreLoggedOnceEachAndNotAnswered) {
    mcp.sendLine("{}");
    mcp.sendLine("[1, 2, 3]");
    mcp.sendLine(R"([{"jsonrpc":"2.0","id":1,"method":"ping"}])");
    mcp.sendLine("not json at all");
    mcp.sendLine(R"({"id":2,"method":5})");
    mcp.sendLine(R"({"id":3})");
    mcp.sendLine(R"({"id":4,"method":"ping"} trailing)");
    mcp.sendLine("\"ping\"");

    EXPECT_EQ(mcp.request(ping(9))["id"], 9);
    EXPECT_EQ(countOf(mcp.logLines(), ignoredLog), 8u);
}

TEST_F(Protocol, UnknownMethodsWithAnIdGetMethodNotFound) {
    auto answer = mcp.request({{"jsonrpc", "2.0"}, {"id", 7}, {"method", "resources/list"}});
    EXPECT_EQ(answer, json({{"jsonrpc", "2.0"},
                            {"id", 7},
                            {"error", {{"code", -32601}, {"message", "Method not found: resources/list"}}}}));

    answer = mcp.request({{"id", nullptr}, {"method", "Ping"}});
    EXPECT_TRUE(answer.contains("id"));
    EXPECT_TRUE(answer["id"].is_null());
    EXPECT_EQ(answer["error"]["message"], "Method not found: Ping");
}

TEST_F(Protocol, ToolsListIsTheSameSixToolsEveryTime) {
    const json first = mcp.request({{"id", 1}, {"method", "tools/list"}})["result"]["tools"];
    const json second = mcp.request({{"id", 2}, {"method", "tools/list"}})["result"]["tools"];
    EXPECT_EQ(first, second);

    std::vector<std::string> names;
    for (const json& tool : first) {
        names.push_back(tool["name"]);
        EXPECT_FALSE(tool["description"].get<std::string>().empty());
        const json& schema = tool["inputSchema"];
        EXPECT_EQ(schema["type"], "object");
        for (const auto& [property, definition] : schema["properties"].items()) {
            const bool isLines = property == "lines";
            EXPECT_EQ(definition["type"] == "integer", isLines) << property;
            EXPECT_FALSE(definition.contains("default")) << property;
            if (definition["type"] == "array") {
                EXPECT_EQ(definition["items"], json({{"type", "string"}}));
            }
        }
        for (const json& required : schema.value("required", json::array()))
            EXPECT_TRUE(schema["properties"].contains(required));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"tmux_census", "tmux_servers", "tmux_sessions", "tmux_windows",
                                               "tmux_capture_pane", "tmux_find_project"}));
    EXPECT_FALSE(first[0]["inputSchema"].contains("required"));
    EXPECT_EQ(first[3]["inputSchema"]["required"], json::array({"session"}));
    EXPECT_EQ(first[4]["inputSchema"]["required"], json::array({"target"}));
    EXPECT_EQ(first[5]["inputSchema"]["required"], json::array({"query"}));
}

TEST_F(Protocol, ToolCallsWithoutAKnownNameAnswerAnErrorResultNotARpcError) {
    auto answer = mcp.request({{"id", 1}, {"method", "tools/call"}, {"params", json::object()}});
    EXPECT_EQ(answer["result"], json({{"content", json::array({{{"type", "text"}, {"text", "Unknown tool: "}}})},
                                      {"isError", true}}));
    EXPECT_EQ(mcp.callTool("tmux_kill_everything"), std::make_pair(std::string("Unknown tool: tmux_kill_everything"), true));
    answer = mcp.request({{"id", 2}, {"method", "tools/call"}, {"params", {{"name", 5}, {"arguments", "x"}}}});
    EXPECT_EQ(answer["result"]["content"][0]["text"], "Unknown tool: ");
}

TEST(ProtocolLifecycle, EndOfInputRightAfterStartLogsBothLinesAndExitsZero) {
    TmuxSandbox sandbox;
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    const auto [rest, status] = mcp.finish();
    EXPECT_EQ(rest, "");
    EXPECT_EQ(status, 0);
    const auto logs = mcp.logLines();
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0], "[quillon-mcp] pornit; tmux = " + TmuxSandbox::tmuxPath() + "; socket-uri în " +
                           sandbox.socketDirectory());
    EXPECT_EQ(logs[1], "[quillon-mcp] stdin închis; ies");
}

TEST(ProtocolLifecycle, AFinalLineWithoutLineFeedIsStillAnswered) {
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    mcp.send(R"({"jsonrpc":"2.0","id":"last","method":"ping"})");
    const auto [rest, status] = mcp.finish();
    EXPECT_EQ(rest, R"({"id":"last","jsonrpc":"2.0","result":{}})"
                    "\n");
    EXPECT_EQ(status, 0);
}

TEST(ProtocolLifecycle, StdoutCarriesOneJsonObjectLinePerAnsweredRequestAndNothingElse) {
    TmuxSandbox sandbox;
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "ro"}});
    mcp.sendLine(R"({"id":1,"method":"initialize"})");
    mcp.sendLine("garbage");
    mcp.sendLine(R"({"method":"notifications/initialized"})");
    mcp.sendLine(R"({"id":2,"method":"tools/list"})");
    mcp.sendLine(R"({"id":3,"method":"tools/call","params":{"name":"tmux_census","arguments":{}}})");
    mcp.sendLine(R"({"id":4,"method":"tools/call","params":{"name":"tmux_windows","arguments":{"session":"x"}}})");
    mcp.sendLine(R"({"id":5,"method":"nope"})");
    mcp.sendLine(R"({"id":6,"method":"ping"})");
    const auto [rest, status] = mcp.finish(30s);
    EXPECT_EQ(status, 0);

    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back(), '\n');
    EXPECT_EQ(rest.find("\n\n"), std::string::npos);
    std::vector<int> ids;
    for (auto line : text::split(rest, "\n", true)) {
        const json answer = json::parse(line);
        ASSERT_TRUE(answer.is_object());
        EXPECT_EQ(answer["jsonrpc"], "2.0");
        ids.push_back(answer["id"]);
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(ProtocolLifecycle, SlashesStayUnescapedAndRomanianLettersRaw) {
    TmuxSandbox sandbox;
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "ro"}});
    mcp.sendLine(R"({"id":1,"method":"tools/call","params":{"name":"tmux_servers","arguments":{}}})");
    const auto line = mcp.readLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->find("\\/"), std::string::npos);
    EXPECT_EQ(line->find("\\u"), std::string::npos);
    EXPECT_NE(line->find("Socket-uri tmux în " + sandbox.socketDirectory() + ":"), std::string::npos);
    EXPECT_NE(line->find("Enumerarea acoperă"), std::string::npos);
}

TEST(ProtocolLifecycle, AClientThatClosesOurStdoutEndsUsCleanly) {
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    EXPECT_EQ(mcp.request(ping(1))["id"], 1);
    mcp.closeOutput();
    mcp.sendLine(ping(2).dump());
    const auto [rest, status] = mcp.finish();
    EXPECT_EQ(status, 0);  // not killed by SIGPIPE (that would read 128 + 13)
    const auto logs = mcp.logLines();
    EXPECT_EQ(logs.back(), "[quillon-mcp] stdout închis; ies");
}

}  // namespace
}  // namespace quillon::testing
