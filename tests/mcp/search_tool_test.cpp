// tmux_search_panes through a running quillon-mcp's stdio against a private server: the
// answer's lines in both languages, its argument limits, a session chosen by exact name,
// errors as isError, and a server that stops answering.
#include <gtest/gtest.h>

#include <thread>

#include "core/l10n.h"
#include "core/text.h"
#include "mcp/search_tool.h"
#include "tests/mcp/mcp_process.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

class SearchPanesTool : public ::testing::Test {
protected:
    void SetUp() override {
        start("work", "printf 'cc -c app.c\\nerror: build failed\\n'", "failed");
        start("$0", "for i in 1 2 3 4 5; do echo Build failed $i; done", "failed 5");
        for (const TmuxSession& session : sandbox.client(server).snapshot())
            ids[session.name] = session.windows.at(0).panes.at(0).paneID;
    }
    void start(const std::string& session, const std::string& script, const std::string& waitFor) {
        const std::string id = sandbox.newSession(server, session) + ":";
        sandbox.tmux(server, {"respawn-pane", "-k", "-t", id, script + "; sleep 600"});
        for (int i = 0; i < 200; ++i) {
            if (text::contains(sandbox.tmux(server, {"capture-pane", "-p", "-t", id}), waitFor)) return;
            std::this_thread::sleep_for(20ms);
        }
        FAIL() << "no " << waitFor;
    }
    // One tools/call through stdio: (text, isError).
    std::pair<std::string, bool> call(const json& arguments, const std::string& language = "en") {
        McpProcess mcp(McpProcess::EnvChanges{{"QUILLON_LANG", language}});
        const json answer = mcp.request({{"jsonrpc", "2.0"}, {"id", 7}, {"method", "tools/call"},
                                         {"params", {{"name", "tmux_search_panes"}, {"arguments", arguments}}}});
        return {answer["result"]["content"][0]["text"], answer["result"]["isError"]};
    }

    TmuxSandbox sandbox;
    const std::string server = TmuxSandbox::uniqueName("find");
    std::map<std::string, std::string> ids;
};

TEST_F(SearchPanesTool, ListsEachMatchWithItsPaneAndLineInBothLanguages) {
    const auto [text, failed] = call({{"query", "BUILD FAILED"}, {"socket", server}});
    EXPECT_FALSE(failed);
    const std::string work = "work:0.0 (" + ids["work"] + ") line ", named = "$0:0.0 (" + ids["$0"] + ") line ";
    EXPECT_EQ(text, "Search for \"BUILD FAILED\" (text) in 2 pane(s) on socket '" + server +
                        "', last 2000 line(s) of each: 6 match(es) in 2 pane(s).\n\n" + named +
                        "1: Build failed 1\n" + named + "2: Build failed 2\n" + named + "3: Build failed 3\n" + named +
                        "4: Build failed 4\n" + named + "5: Build failed 5\n" + work + "2: error: build failed\n");
    const auto [ro, roFailed] = call({{"query", "^error", }, {"regex", true}, {"socket", server}}, "ro");
    EXPECT_FALSE(roFailed);
    EXPECT_EQ(ro, "Căutare după \"^error\" (regex) în 2 pane-uri pe socketul '" + server +
                      "', ultimele 2000 linii din fiecare: 1 potriviri în 1 pane-uri.\n\nwork:0.0 (" + ids["work"] +
                      ") linia 2: error: build failed\n");
}

TEST_F(SearchPanesTool, ArgumentsAreClampedAndASessionIsMatchedByItsExactName) {
    const struct {
        json arguments;
        std::string heading;
        bool cut;
    } cases[] = {
        {{{"query", "failed"}, {"session", "$0"}, {"maxResults", 2}},
         "in 1 pane(s) of session '$0' on socket '" + server + "', last 2000 line(s) of each: 2 match(es)", true},
        {{{"query", "failed"}, {"maxResults", 0}, {"lines", 0}}, "last 1 line(s) of each: 1 match(es)", true},
        {{{"query", "failed"}, {"maxResults", 9999}, {"lines", 99999}}, "last 50000 line(s) of each: 6 match(es)", false},
        {{{"query", "failed"}, {"maxResults", "3"}, {"lines", 2.5}, {"regex", "yes"}},
         "(text) in 2 pane(s) on socket '" + server + "', last 2000 line(s) of each: 6 match(es)", false},
    };
    for (auto [arguments, heading, cut] : cases) {
        arguments["socket"] = server;
        const auto [text, failed] = call(arguments);
        EXPECT_FALSE(failed) << arguments;
        EXPECT_TRUE(text::contains(text, heading)) << arguments << "\n" << text;
        EXPECT_EQ(text::contains(text, "\nCut at "), cut) << arguments << "\n" << text;
    }
}

TEST_F(SearchPanesTool, MistakesAnswerIsErrorWithTheReason) {
    const struct {
        json arguments;
        std::string text;
    } cases[] = {
        {{{"socket", server}}, "Missing 'query'."},
        {{{"query", ""}, {"socket", server}}, "Missing 'query'."},
        {{{"query", "(", }, {"regex", true}, {"socket", server}}, "Invalid expression: missing ): ("},
        {{{"query", "x"}, {"session", "wor"}, {"socket", server}},
         "Session 'wor' does not exist on socket '" + server + "'. Present: $0, work."},
        {{{"query", "x"}, {"socket", "nobody-here"}}, "No live server on socket 'nobody-here'. See tmux_census."},
    };
    for (const auto& [arguments, expected] : cases) {
        const auto [text, failed] = call(arguments);
        EXPECT_TRUE(failed) << arguments;
        EXPECT_EQ(text, expected) << arguments;
    }
}

TEST_F(SearchPanesTool, AStoppedServerIsReportedInsteadOfHangingTheAgent) {
    // In-process with a short limit: the snapshot itself already meets the stopped server.
    L10n::setLanguage(AppLanguage::en);
    sandbox.stopServer(server);
    TmuxClient client(TmuxSandbox::tmuxPath());
    client.timeout = 300ms;
    const auto start = std::chrono::steady_clock::now();
    const auto result = mcp::searchPanesTool(client, {{"query", "x"}, {"socket", server}}, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_TRUE(result.isError);
    EXPECT_TRUE(text::startsWith(result.text, "Could not read socket '" + server + "': tmux did not answer within 300 ms"))
        << result.text;
    sandbox.continueServer(server);
}

}  // namespace
}  // namespace quillon::testing
