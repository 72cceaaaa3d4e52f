// What only the real program shows: its standard output carries answers and nothing else,
// end of input and a closed output end it cleanly, an over-long line is dropped, and it
// reads the user's servers with the bare environment agent hosts start it with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "core/defaults_store.h"
#include "core/l10n.h"
#include "core/process_runner.h"
#include "core/text.h"
#include "core/version.h"
#include "tests/mcp/mcp_process.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

TEST(EndToEnd, StdoutCarriesOneAnswerLinePerRequestAndEndOfInputEndsIt) {
    TmuxSandbox sandbox;
    sandbox.newSession("live", "main");
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    mcp.send(R"({"id":1,"method":"initialize"}
garbage
{"method":"notifications/initialized"}
{"id":2,"method":"tools/list"}
{"id":3,"method":"tools/call","params":{"name":"tmux_census"}}
{"id":4,"method":"tools/call","params":{"name":"tmux_windows","arguments":{"session":"main","socket":"live"}}}
{"id":5,"method":"nope"}
)");
    // 65 MiB, more than any request may be, sent in one go: refused whole without being held.
    mcp.send(R"({"id":0,"method":"ping","params":")" + std::string(65u << 20, 'z') + "\"}\n");
    mcp.send(R"({"id":6,"method":"ping"})");  // the last line needs no line feed
    const auto [out, status] = mcp.finish();
    EXPECT_EQ(status, 0);
    std::multiset<std::string> ids;
    std::string census;
    for (auto line : text::split(out, "\n", true)) {
        const json answer = json::parse(line);
        EXPECT_EQ(answer["jsonrpc"], "2.0");
        ids.insert(answer.value("id", json()).dump());
        if (answer.value("id", json()) == 3) census = answer["result"]["content"][0]["text"];
    }
    // The garbage and the over-long line are refused; neither had an id that could be read.
    EXPECT_EQ(ids, (std::multiset<std::string>{"1", "2", "3", "4", "5", "6", "null", "null"}));
    EXPECT_TRUE(text::contains(census, "● live — ALIVE")) << census;
    EXPECT_EQ(mcp.logLines(), (std::vector<std::string>{"[quillon-mcp] pornit; tmux = " + TmuxSandbox::tmuxPath() +
                                                            "; socket-uri în " + sandbox.socketDirectory(),
                                                        "[quillon-mcp] linie respinsă (nu e JSON)",
                                                        "[quillon-mcp] linie respinsă (mai lungă de 64 MiB)",
                                                        "[quillon-mcp] stdin închis; ies"}));
}

// A call to a server that never answers runs beside the reader: tools/list and ping are
// answered meanwhile, and a cancelled call is never answered.
TEST(EndToEnd, ASlowCallHoldsUpNothingAndACancelledOneIsNotAnswered) {
    TmuxSandbox sandbox;
    sandbox.newSession("stuck", "main");
    sandbox.stopServer("stuck");
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    const auto sessions = [](int id) {
        return json{{"id", id}, {"method", "tools/call"},
                    {"params", {{"name", "tmux_sessions"}, {"arguments", {{"socket", "stuck"}}}}}}.dump() + "\n";
    };
    mcp.send(sessions(1) + sessions(2) + R"({"id":3,"method":"tools/list"})" "\n" R"({"id":4,"method":"ping"})" "\n");
    const auto start = std::chrono::steady_clock::now();
    std::vector<json> first;
    for (int i = 0; i < 2; ++i) first.push_back(json::parse(mcp.readLine(std::chrono::seconds(5)).value_or("null")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ((std::vector<json>{first[0]["id"], first[1]["id"]}), (std::vector<json>{3, 4}));
    mcp.send(R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":1}})" "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sandbox.continueServer("stuck");
    const auto [out, status] = mcp.finish();
    EXPECT_EQ(status, 0);
    const auto rest = text::split(out, "\n", true);
    ASSERT_EQ(rest.size(), 1u) << out;
    EXPECT_EQ(json::parse(rest[0])["id"], 2);
}

TEST(EndToEnd, AClientThatClosesOurStdoutEndsUsCleanly) {
    McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}});
    EXPECT_EQ(mcp.request({{"id", 1}, {"method", "ping"}})["id"], 1);
    mcp.closeOutput();
    mcp.send(R"({"id":2,"method":"ping"})" + std::string("\n"));
    EXPECT_EQ(mcp.finish().second, 0);  // not killed by SIGPIPE (that would read 128 + 13)
    EXPECT_EQ(mcp.logLines().back(), "[quillon-mcp] stdout închis; ies");
}

// What MCP hosts commonly pass: no LANG, no LC_*, no XDG_CONFIG_HOME; the app's stored
// language decides.
TEST(EndToEnd, TheBareEnvironmentReadsEveryNameExactlyInTheStoredLanguage) {
    TmuxSandbox sandbox;
    TempDir home;
    sandbox.newSession("live", "ședință nouă", home.str());
    // One stray byte (an old Latin-1 directory name) spoils only its own field.
    std::filesystem::create_directories(home.str() + "/caf\xE9");
    sandbox.newSession("live", "latin", home.str() + "/caf\xE9");
    DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, {{"HOME", home.str()}})).set("language", "en");
    McpProcess bare({{"PATH", std::getenv("PATH")}, {"HOME", home.str()}, {"TMUX_TMPDIR", sandbox.tmpDir()}}, false);
    const json answer = bare.request({{"id", 1}, {"method", "tools/call"}, {"params", {{"name", "tmux_census"}}}});
    const std::string report = answer["result"]["content"][0]["text"];
    EXPECT_EQ(answer["result"]["isError"], false);
    EXPECT_TRUE(text::contains(report, "\n\n● live — ALIVE\n")) << report;
    EXPECT_TRUE(text::contains(report, "    · ședință nouă [$")) << report;
    EXPECT_TRUE(text::contains(report, "    · latin [$")) << report;
    EXPECT_TRUE(text::contains(report, " · " + home.str() + "/caf\uFFFD\n")) << report;
}

// A host's command line names the program and maybe an option: --help and --version answer
// and end, anything else is refused on stderr with status 2 instead of being ignored.
TEST(EndToEnd, OptionsAnswerInTheLanguageAndAnythingElseIsRefused) {
    struct Case {
        std::vector<std::string> arguments;
        const char* language;
        int exitCode;
        std::string out, err;  // expected beginnings ("" = empty)
    };
    const std::string version = "quillon-mcp " + std::string(quillon::version()) + "\n";
    const std::vector<Case> cases{
        {{"--version"}, "en", 0, version, ""},
        {{"-v"}, "ro", 0, version, ""},
        {{"--help"}, "en", 0, "Usage: quillon-mcp [--help | --version]\n", ""},
        {{"-h"}, "ro", 0, "Folosire: quillon-mcp [--help | --version]\n", ""},
        {{"--stdio"}, "en", 2, "", "quillon-mcp: unknown option: --stdio\n\nUsage: quillon-mcp"},
        {{"serve"}, "ro", 2, "", "quillon-mcp: opțiune necunoscută: serve\n\nFolosire: quillon-mcp"},
    };
    for (const auto& c : cases) {
        ::setenv("QUILLON_LANG", c.language, 1);
        std::vector<std::string> argv{"quillon-mcp"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const auto result = runProcess(QUILLON_MCP_BINARY, argv, std::chrono::seconds(10));
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments[0];
        EXPECT_TRUE(c.out.empty() ? result.out.empty() : text::startsWith(result.out, c.out)) << result.out;
        EXPECT_TRUE(c.err.empty() ? result.err.empty() : text::startsWith(result.err, c.err)) << result.err;
    }
}

}  // namespace
}  // namespace quillon::testing
