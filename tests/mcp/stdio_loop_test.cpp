// The JSON-RPC side of quillon-mcp, run in-process: what each kind of input line gets on
// standard output (exactly) and how many lines were logged as ignored.
#include "mcp/stdio_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "core/l10n.h"
#include "core/process_runner.h"
#include "core/text.h"
#include "core/version.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::mcp {
namespace {

using nlohmann::json;
using namespace std::string_literals;

struct LoopRun {
    std::string out;
    std::vector<std::string> logs;
    // Lines refused with an error are logged too.
    std::size_t rejected() const {
        return static_cast<std::size_t>(std::count_if(logs.begin(), logs.end(), [](const std::string& line) {
            return text::startsWith(line, "[quillon-mcp] linie respinsă (");
        }));
    }
    std::vector<json> answers() const {
        std::vector<json> parsed;
        for (auto line : text::split(out, "\n", true)) parsed.push_back(json::parse(line));
        return parsed;
    }
};

// The loop reads input from a file and writes to files; standard error is caught for the while.
LoopRun runLoop(const std::string& input) {
    testing::TempDir dir;
    const auto path = [&](const char* name) { return (dir.path() / name).string(); };
    std::ofstream(path("in"), std::ios::binary) << input;
    UniqueFd in(::open(path("in").c_str(), O_RDONLY | O_CLOEXEC));
    UniqueFd out(::open(path("out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    UniqueFd err(::open(path("err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    UniqueFd standardError(::dup(STDERR_FILENO));
    ::dup2(err.get(), STDERR_FILENO);
    const int status = runStdioLoop(MCPServer{}, in.get(), out.get());
    ::dup2(standardError.get(), STDERR_FILENO);
    EXPECT_EQ(status, 0);
    const auto read = [&](const char* name) {
        std::ifstream file(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    std::vector<std::string> logs;
    const std::string logged = read("err");
    for (auto line : text::split(logged, "\n", true)) logs.emplace_back(line);
    EXPECT_EQ(logs.empty() ? "" : logs.back(), "[quillon-mcp] stdin închis; ies");
    return {read("out"), logs};
}

class StdioLoop : public ::testing::Test {
protected:
    void SetUp() override { L10n::setLanguage(AppLanguage::en); }
    testing::TmuxSandbox sandbox;  // tool calls see no server of the user
};

// Each line followed by a line feed.
std::string lines(std::initializer_list<std::string> each) {
    std::string joined;
    for (const auto& line : each) joined += line + "\n";
    return joined;
}

// Before any initialize, as the first revision: JSON-RPC's own errors, with a null id where
// the line had none that could be read. Notifications and blank lines get nothing.
TEST_F(StdioLoop, EveryLineThatIsNoNotificationGetsAnAnswerAndRefusalsAreLogged) {
    const std::string nested(100000, '['), closed(100000, ']'), big(10 << 20, 'q');
    std::string objects;
    for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
    const auto unknownTool = [](int id) {
        return R"({"id":)" + std::to_string(id) +
               R"(,"jsonrpc":"2.0","result":{"content":[{"text":"Unknown tool: ","type":"text"}],"isError":true}})";
    };
    const auto refused = [](int code, const std::string& message, const std::string& id = "null") {
        return R"({"error":{"code":)" + std::to_string(code) + R"(,"message":")" + message + R"("},"id":)" + id +
               R"(,"jsonrpc":"2.0"})";
    };
    const std::string parseError = refused(-32700, "Parse error"), invalid = refused(-32600, "Invalid Request"),
                      noBatches = refused(-32600, "Invalid Request: this revision takes no batches");
    const struct {
        const char* what;
        std::string input, output;
        std::size_t rejected;
    } cases[] = {
        {"ping",
         lines({R"({"jsonrpc":"2.0","id":5,"method":"ping"})", R"({"id":{"n":[1,"two",null]},"method":"ping"})"}),
         lines(
             {R"({"id":5,"jsonrpc":"2.0","result":{}})", R"({"id":{"n":[1,"two",null]},"jsonrpc":"2.0","result":{}})"}),
         0},
        {"blank lines, notifications and requests without an id",
         lines({"", "   ", "\t\r", R"({"method":"notifications/initialized"})",
                R"({"id":11,"method":"notifications/cancelled"})", R"({"method":"initialize"})",
                R"({"method":"tools/list"})", R"({"method":"ping"})", R"({"method":"resources/list"})",
                R"({"method":"tools/call","params":{"name":"tmux_census"}})",
                R"({"jsonrpc":"2.0","id":7,"result":{}})"}),
         "", 0},
        {"lines that are no request",
         lines({"{}", "[1, 2, 3]", R"([{"id":1,"method":"ping"}])", "not json at all", R"({"id":2,"method":5})",
                R"({"id":3})", R"({"id":4,"method":"ping"} trailing)", "\"ping\"", R"({"method":[]})"}),
         lines({invalid, noBatches, noBatches, parseError, refused(-32600, "Invalid Request", "2"),
                refused(-32600, "Invalid Request", "3"), parseError, invalid, invalid}),
         9},
        {"bad bytes",
         lines({"{\"id\":1,\"method\":\"ping\",\"x\":\"\xff\xfe\"}", "{\"id\":2,\"method\":\"pi\xc3\"}",
                "{\"id\":3,\"method\":\"ping\"}\0garbage"s, "{\"id\":4,\"method\":\"pi\0ng\"}"s, "\0\0\0"s}),
         lines({parseError, parseError, parseError, parseError, parseError}), 5},
        {"deep nesting",
         lines({nested + closed, objects + "1" + std::string(100000, '}'),
                R"({"id":1,"method":"ping","params":)" + nested + closed + "}", nested,
                R"({"id":2,"method":"ping","params":")" + nested + "\"}"}),
         lines({parseError, parseError, parseError, parseError, R"({"id":2,"jsonrpc":"2.0","result":{}})"}), 4},
        {"numbers, duplicate keys, and a last line without a line feed",
         lines({R"({"id":1e999,"method":"ping"})", R"({"id":-9223372036854775808,"method":"ping"})",
                R"({"id":123456789012345678901234567890,"method":"ping"})"}) +
             R"({"id":6,"method":"nope","method":"ping","id":7})",
         lines({parseError, R"({"id":-9223372036854775808,"jsonrpc":"2.0","result":{}})",
                R"({"id":1.2345678901234568e+29,"jsonrpc":"2.0","result":{}})",
                R"({"id":7,"jsonrpc":"2.0","result":{}})"}),
         1},
        {"unknown methods",
         lines({R"({"jsonrpc":"2.0","id":7,"method":"resources/list"})", R"({"id":null,"method":"a/b ș"})"}),
         lines({R"({"error":{"code":-32601,"message":"Method not found: resources/list"},"id":7,"jsonrpc":"2.0"})",
                R"({"error":{"code":-32601,"message":"Method not found: a/b ș"},"id":null,"jsonrpc":"2.0"})"}),
         0},
        {"tool calls without a known name",
         lines({R"({"id":1,"method":"tools/call","params":{}})",
                R"({"id":2,"method":"tools/call","params":{"name":5,"arguments":"x"}})",
                R"({"id":3,"method":"tools/call","params":["tmux_census"]})",
                R"({"id":4,"method":"tools/call","params":{"name":{"x":1},"arguments":3}})"}),
         lines({unknownTool(1), unknownTool(2), unknownTool(3), unknownTool(4)}), 0},
        {"arguments of the wrong type",
         lines({R"({"id":1,"method":"tools/call","params":)"
                R"({"name":"tmux_capture_pane","arguments":{"target":5,"lines":"x"}}})"}),
         lines({R"({"id":1,"jsonrpc":"2.0","result":{"content":[{"text":"Missing 'target'.","type":"text"}],)"
                R"("isError":true}})"}),
         0},
        {"ten megabyte lines",
         lines({R"({"id":"big","method":"ping","params":{"payload":")" + big + "\"}}", big,
                R"({"id":5,"method":")" + big + "\"}"}),
         lines({R"({"id":"big","jsonrpc":"2.0","result":{}})", parseError,
                R"({"error":{"code":-32601,"message":"Method not found: )" + big + R"("},"id":5,"jsonrpc":"2.0"})"}),
         1},
    };
    // Ten megabytes are shown by their size and ends.
    const auto shown = [](const std::string& s) {
        return s.size() < 1000 ? s
                               : std::to_string(s.size()) + ": " + s.substr(0, 100) + "…" + s.substr(s.size() - 100);
    };
    // Tool calls run beside the reader, so answers are compared as a set of lines.
    const auto sorted = [](const std::string& s) {
        std::vector<std::string> each;
        for (auto line : text::split(s, "\n", true)) each.emplace_back(line);
        std::sort(each.begin(), each.end());
        std::string joined;
        for (const auto& line : each) joined += line + "\n";
        return joined;
    };
    for (const auto& c : cases) {
        const LoopRun run = runLoop(c.input);
        EXPECT_EQ(shown(sorted(run.out)), shown(sorted(c.output))) << c.what;
        EXPECT_EQ(run.rejected(), c.rejected) << c.what;
    }
}

// The client's legacy revision when we speak it, else our newest legacy one (initialize is
// no part of the modern era); the conversation then keeps to the agreed revision's shape
// until the next initialize.
TEST_F(StdioLoop, InitializeAgreesOnARevisionAndTheAnswersFollowIt) {
    const struct {
        const char* params;
        const char* agreed;
    } cases[] = {
        {R"({"protocolVersion":"2024-11-05"})", "2024-11-05"},
        {R"({"protocolVersion":"2025-03-26"})", "2025-03-26"},
        {R"({"protocolVersion":"2025-06-18"})", "2025-06-18"},
        {R"({"protocolVersion":"2025-11-25"})", "2025-11-25"},
        {R"({"protocolVersion":"2026-07-28"})", "2025-11-25"},  // modern: no handshake there
        {R"({"protocolVersion":"2027-01-01"})", "2025-11-25"},  // newer than ours
        {R"({"protocolVersion":"2024-10-07"})", "2025-11-25"},  // older than any we speak
        {R"({"protocolVersion":"whatever-9"})", "2025-11-25"},
        {R"({"protocolVersion":" 2025-03-26"})", "2025-11-25"},
        {R"({"protocolVersion":20241105})", "2025-11-25"},
        {R"("2024-11-05")", "2025-11-25"},
        {"{}", "2025-11-25"},
    };
    const std::string servers =
        R"({"id":3,"method":"tools/call","params":{"name":"tmux_servers","arguments":{"socket_dir":")" +
        sandbox.socketDirectory() + R"("}}})";
    for (const auto& c : cases) {
        const auto answers = runLoop(lines({R"({"id":1,"method":"initialize","params":)" + std::string(c.params) + "}",
                                            R"({"id":2,"method":"tools/list"})", servers}))
                                 .answers();
        ASSERT_EQ(answers.size(), 3u) << c.params;
        const json& result = answers[0]["result"];
        EXPECT_EQ(result["protocolVersion"], c.agreed) << c.params;
        EXPECT_EQ(result["capabilities"], json({{"tools", json::object()}}));
        const bool annotated = c.agreed != "2024-11-05"s, structured = c.agreed >= "2025-06-18"s,
                   titled = c.agreed >= "2025-11-25"s;
        json info = {{"name", "quillon"}, {"version", std::string(quillon::version())}};
        if (titled)
            info.update({{"title", "Quillon — tmux servers"},
                         {"description", "Read-only insight into every tmux server of the user: on this machine "
                                         "and on the ssh hosts stored in Quillon."}});
        EXPECT_EQ(result["serverInfo"], info) << c.params;
        EXPECT_TRUE(text::startsWith(result["instructions"].get<std::string>(), "Quillon MCP: fereastra către"));

        for (const json& tool : answers[1]["result"]["tools"]) {
            EXPECT_EQ(tool.contains("annotations"), annotated) << tool["name"] << " " << c.agreed;
            if (annotated) {
                EXPECT_EQ(tool["annotations"], json({{"readOnlyHint", true}, {"openWorldHint", true}}));
            }
            EXPECT_EQ(tool.contains("outputSchema"), structured) << tool["name"] << " " << c.agreed;
            if (structured) {
                EXPECT_EQ(tool["outputSchema"]["type"], "object") << tool["name"];
            }
            EXPECT_EQ(tool.contains("title"), titled) << tool["name"] << " " << c.agreed;
        }
        const json& call = answers[2]["result"];
        EXPECT_EQ(call["isError"], false);
        EXPECT_EQ(call.contains("structuredContent"), structured) << c.agreed;
    }
}

TEST_F(StdioLoop, BeforeAnyInitializeAndAfterAnotherTheShapesAreThoseAgreedLast) {
    const std::string list = R"({"id":9,"method":"tools/list"})";
    const auto answers =
        runLoop(lines({list, R"({"id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18"}})", list,
                       R"({"method":"initialize","params":{"protocolVersion":"2024-11-05"}})", list,
                       R"({"id":2,"method":"initialize","params":{"protocolVersion":"2024-11-05"}})", list}))
            .answers();
    ASSERT_EQ(answers.size(), 6u);
    const auto declaresOutput = [](const json& answer) {
        return answer["result"]["tools"][0].contains("outputSchema");
    };
    // Nothing agreed yet reads as the first revision; an initialize without id agrees nothing.
    EXPECT_EQ((std::vector<bool>{declaresOutput(answers[0]), declaresOutput(answers[2]), declaresOutput(answers[3]),
                                 declaresOutput(answers[5])}),
              (std::vector<bool>{false, true, true, false}));
}

TEST_F(StdioLoop, ToolsListIsTheSameToolsEveryTime) {
    const auto answers =
        runLoop(lines({R"({"id":1,"method":"tools/list"})", R"({"id":2,"method":"tools/list"})"})).answers();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0]["result"], answers[1]["result"]);
    std::vector<std::string> tools;
    for (const json& tool : answers[0]["result"]["tools"]) {
        const json& schema = tool["inputSchema"];
        EXPECT_EQ(schema["type"], "object");
        for (const auto& [property, definition] : schema["properties"].items())
            EXPECT_EQ(definition["type"], property == "lines" || property == "maxResults" ? "integer"
                                          : property == "regex"                           ? "boolean"
                                          : property == "timeout"                         ? "number"
                                          : definition.contains("items")                  ? "array"
                                                                                          : "string");
        tools.push_back(tool["name"].get<std::string>() + " " + schema.value("required", json::array()).dump());
    }
    EXPECT_EQ(tools, (std::vector<std::string>{"tmux_census []", "tmux_servers []", "tmux_sessions []",
                                               R"(tmux_windows ["session"])", R"(tmux_capture_pane ["target"])",
                                               R"(tmux_find_project ["query"])", R"(tmux_search_panes ["query"])",
                                               "tmux_pane_states []", R"(tmux_wait ["pane"])"}));
}

// The schemas name no $schema, so they are JSON Schema 2020-12 (the default dialect from
// 2025-11-25), and use only keywords that mean the same in draft-07, which clients of the
// earlier revisions assume: no tuple `items`, no $defs or definitions, one format.
void expectPortableSchema(const json& schema, const std::string& where) {
    static const std::set<std::string> keywords = {"type",  "properties", "required", "additionalProperties",
                                                   "items", "description", "enum",    "format"};
    ASSERT_TRUE(schema.is_object()) << where;
    for (const auto& [keyword, value] : schema.items()) {
        EXPECT_TRUE(keywords.count(keyword)) << where << ": " << keyword;
        if (keyword == "items") expectPortableSchema(value, where + "/items");
        if (keyword == "additionalProperties") {
            EXPECT_EQ(value, false) << where;
        }
        if (keyword == "format") {
            EXPECT_EQ(value, "date-time") << where;
        }
        if (keyword == "properties")
            for (const auto& [name, property] : value.items()) expectPortableSchema(property, where + "/" + name);
    }
}

TEST_F(StdioLoop, EverySchemaIsJsonSchema2020WithKeywordsThatMeanTheSameInDraft07) {
    const auto answers = runLoop(lines({R"({"id":1,"method":"initialize","params":{"protocolVersion":"2025-11-25"}})",
                                        R"({"id":2,"method":"tools/list"})"}))
                             .answers();
    ASSERT_EQ(answers.size(), 2u);
    for (const json& tool : answers[1]["result"]["tools"])
        for (const char* kind : {"inputSchema", "outputSchema"})
            expectPortableSchema(tool[kind], tool["name"].get<std::string>() + " " + kind);
}

}  // namespace
}  // namespace quillon::mcp
