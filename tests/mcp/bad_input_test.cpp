// Hostile or broken input: quillon-mcp never crashes, says what it ignored and answers
// the next request.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/text.h"
#include "tests/mcp/mcp_process.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

constexpr const char* ignoredLog = "[quillon-mcp] linie ignorată (nu e JSON sau n-are metodă)";

class BadInput : public ::testing::Test {
protected:
    // The answer to a ping sent right after, proving the server is still there.
    void expectStillAnswering(int id = 99) {
        const auto answer = mcp.request({{"id", id}, {"method", "ping"}});
        EXPECT_EQ(answer["id"], id);
        EXPECT_EQ(answer["result"], json::object());
    }
    std::size_t ignoredCount() {
        const auto logs = mcp.logLines();
        return static_cast<std::size_t>(std::count(logs.begin(), logs.end(), ignoredLog));
    }

    McpProcess mcp{{{"QUILLON_LANG", "en"}}};
};

TEST_F(BadInput, InvalidUtf8AndNulBytesAreIgnoredLines) {
    mcp.sendLine("{\"id\":1,\"method\":\"ping\",\"x\":\"\xff\xfe\"}");
    mcp.sendLine("{\"id\":2,\"method\":\"pi\xc3\"}");
    mcp.sendLine(std::string("{\"id\":3,\"method\":\"ping\"}\0garbage", 32));
    mcp.sendLine(std::string("{\"id\":4,\"method\":\"pi\0ng\"}", 25));
    mcp.sendLine(std::string("\0\0\0", 3));
    expectStillAnswering();
    EXPECT_EQ(ignoredCount(), 5u);
}

TEST_F(BadInput, TenMegabyteLinesAreReadWhole) {
    const std::string big(10 * 1024 * 1024, 'q');
    const json withPayload = {{"id", "big"}, {"method", "ping"}, {"params", {{"payload", big}}}};
    EXPECT_EQ(mcp.request(withPayload)["id"], "big");

    mcp.sendLine(big);
    expectStillAnswering();
    EXPECT_EQ(ignoredCount(), 1u);

    // An unknown method echoes its name, so the whole line made it through.
    const auto answer = mcp.request({{"id", 5}, {"method", big}});
    EXPECT_EQ(answer["error"]["message"].get<std::string>().size(), big.size() + 18);
}

TEST_F(BadInput, LinesBeyondTheLimitAreSkippedWholeWithoutBeingHeld) {
    // 65 MiB: more than any request may be, sent in one go.
    const std::string huge = R"({"id":1,"method":"ping","params":")" + std::string(65u << 20, 'z') + "\"}";
    mcp.sendLine(huge);
    expectStillAnswering(2);
    EXPECT_EQ(ignoredCount(), 1u);
}

TEST_F(BadInput, DeepNestingIsRefusedWithoutRecursing) {
    const std::size_t depth = 100000;
    mcp.sendLine(std::string(depth, '[') + std::string(depth, ']'));
    std::string objects;
    for (std::size_t i = 0; i < depth; ++i) objects += "{\"a\":";
    mcp.sendLine(objects + "1" + std::string(depth, '}'));
    mcp.sendLine("{\"id\":1,\"method\":\"ping\",\"params\":" + std::string(depth, '[') + std::string(depth, ']') + "}");
    mcp.sendLine(std::string(depth, '['));  // never closed
    expectStillAnswering();
    EXPECT_EQ(ignoredCount(), 4u);

    // Brackets inside strings are text, not nesting.
    const json bracketsInText = {{"id", 2}, {"method", "ping"}, {"params", {{"t", std::string(depth, '[')}}}};
    EXPECT_EQ(mcp.request(bracketsInText)["id"], 2);
}

TEST_F(BadInput, HugeNumbersDuplicateKeysAndWrongTypesFallBack) {
    mcp.sendLine(R"({"id":1e999,"method":"ping"})");
    expectStillAnswering(1);
    EXPECT_EQ(ignoredCount(), 1u);

    auto answer = mcp.request(json::parse(R"({"id":123456789012345678901234567890,"method":"ping"})"));
    EXPECT_TRUE(answer["id"].is_number());
    answer = mcp.request(json::parse(R"({"id":-9223372036854775808,"method":"ping"})"));
    EXPECT_EQ(answer["id"], json::parse("-9223372036854775808"));

    mcp.sendLine(R"({"id":6,"method":"nope","method":"ping","id":7})");
    answer = json::parse(*mcp.readLine());
    EXPECT_TRUE(answer.contains("result") || answer.contains("error"));

    answer = mcp.request({{"id", 8}, {"method", "tools/call"}, {"params", {{"name", {{"x", 1}}}, {"arguments", 3}}}});
    EXPECT_EQ(answer["result"]["isError"], true);
    answer = mcp.request({{"id", 9}, {"method", "tools/call"}, {"params", json::array({"tmux_census"})}});
    EXPECT_EQ(answer["result"]["content"][0]["text"], "Unknown tool: ");
    answer = mcp.request({{"id", 10}, {"method", "tools/call"},
                          {"params", {{"name", "tmux_capture_pane"}, {"arguments", {{"target", 5}, {"lines", "x"}}}}}});
    EXPECT_EQ(answer["result"]["content"][0]["text"], "Missing 'target'.");
    EXPECT_EQ(answer["result"]["isError"], true);
}

// A socket file whose name is not UTF-8 ends up in the report text; the answer must still
// be one valid JSON line.
TEST(BadToolText, InvalidUtf8InReportTextIsReplacedNotFatal) {
    TmuxSandbox sandbox;
    std::filesystem::create_directories(sandbox.socketDirectory());
    const std::string badPath = sandbox.socketDirectory() + "/bad\xff\xfename";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(badPath.size(), sizeof address.sun_path);
    std::copy(badPath.begin(), badPath.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);

    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    mcp.sendLine(R"({"id":1,"method":"tools/call","params":{"name":"tmux_servers","arguments":{}}})");
    const auto line = mcp.readLine();
    ASSERT_TRUE(line);
    const json answer = json::parse(*line);  // throws on invalid UTF-8
    const std::string report = answer["result"]["content"][0]["text"];
    EXPECT_NE(report.find("bad\xEF\xBF\xBD"), std::string::npos) << report;
    EXPECT_EQ(answer["result"]["isError"], false);
    EXPECT_EQ(mcp.request({{"id", 2}, {"method", "ping"}})["id"], 2);
}

}  // namespace
}  // namespace quillon::testing
