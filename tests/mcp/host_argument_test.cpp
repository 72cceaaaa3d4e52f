// `host` through the real program, with two servers that look alike: a server "work" on this
// machine and one of the same name on a stored host (a private sshd whose tmux reads another
// directory), each with a session "main" whose ids ($0, %0) coincide. Only the line their pane
// printed tells them apart. Every tool that takes `host` reaches that machine's server and
// says so in its serverArguments; one that cannot reach its host fails, the census never.
#include <gtest/gtest.h>

#include <thread>

#include "core/defaults_store.h"
#include "core/l10n.h"
#include "core/stored_hosts.h"
#include "core/text.h"
#include "tests/mcp/mcp_process.h"
#include "tests/mcp/schema_check.h"
#include "tests/support/ssh_sandbox.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// The server "work" of a sandbox, its session "main" showing "<word>-42". Made while that
// sandbox's directory is the process's TMUX_TMPDIR.
struct SaidServer {
    SaidServer(TmuxSandbox& sandbox, const std::string& word) : line(word + "-42") {
        sandbox.newSession("work", "main");
        sandbox.tmux("work", {"respawn-pane", "-k", "-t", "main", "printf '" + line + "\\n'; sleep 600"});
        for (int i = 0; i < 250 && !text::contains(sandbox.client("work").capturePane("main", 5), line); ++i)
            std::this_thread::sleep_for(20ms);
    }
    std::string line;
};

json merged(json arguments, const json& more) {
    arguments.update(more);
    return arguments;
}

class HostArgument : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
        ssh.emplace(remote.tmpDir());
        DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, {{"XDG_CONFIG_HOME", config.str()}}))
            .set(StoredHosts::key, StoredHosts::encode({SshSandbox::good, SshSandbox::refusing}));
        mcp.emplace(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}, {"XDG_CONFIG_HOME", config.str()}});
        mcp->request({{"id", 0}, {"method", "initialize"}, {"params", {{"protocolVersion", "2025-06-18"}}}});
        const json listed = mcp->request({{"id", 0}, {"method", "tools/list"}});
        for (const json& tool : listed["result"]["tools"]) schemas[tool["name"]] = tool["outputSchema"];
    }

    json call(const std::string& tool, const json& arguments) {
        const json answer = mcp->request(
            {{"id", ++id}, {"method", "tools/call"}, {"params", {{"name", tool}, {"arguments", arguments}}}});
        return answer["result"];
    }
    // A successful call's structuredContent, checked against the tool's schema.
    json data(const std::string& tool, const json& arguments) {
        const json result = call(tool, arguments);
        EXPECT_EQ(result["isError"], false) << tool << " " << arguments << "\n" << result["content"][0]["text"];
        for (const auto& violation : schemaViolations(schemas[tool], result.value("structuredContent", json())))
            ADD_FAILURE() << tool << ": " << violation;
        return result.value("structuredContent", json::object());
    }

    TmuxSandbox remote;  // the other machine's TMUX_TMPDIR; made first, so the next one is ours
    SaidServer there{remote, "there"};
    TmuxSandbox sandbox;
    SaidServer here{sandbox, "here"};
    TempDir config{"quillon-config"};
    std::optional<SshSandbox> ssh;
    std::optional<McpProcess> mcp;
    std::map<std::string, json> schemas;
    int id = 0;
};

TEST_F(HostArgument, EveryToolThatTakesHostReachesThatMachinesServerAndSaysSo) {
    const json far = {{"host", SshSandbox::good}, {"socket", "work"}}, near = {{"socket", "work"}};
    for (const auto& [where, said] : {std::pair{far, there.line}, std::pair{near, here.line}}) {
        SCOPED_TRACE(where.dump());
        const json session = data("tmux_sessions", where)["server"];
        EXPECT_EQ(session["serverArguments"], where);
        EXPECT_EQ(session["sessions"][0]["path"], (where == far ? remote : sandbox).tmpDir());

        const json windows = data("tmux_windows", merged(where, {{"session", "main"}}));
        EXPECT_EQ(windows["serverArguments"], where);
        EXPECT_EQ(windows["session"]["path"], (where == far ? remote : sandbox).tmpDir());
        // The arguments a tool gives back reach the same server from the next one.
        const json capture = data("tmux_capture_pane", merged(windows["serverArguments"], {{"target", "main"}}));
        EXPECT_EQ(capture["serverArguments"], where);
        EXPECT_TRUE(text::contains(capture["text"].get<std::string>(), said)) << capture["text"];

        const json search = data("tmux_search_panes", merged(where, {{"query", "-42"}}));
        EXPECT_EQ(search["serverArguments"], where);
        ASSERT_EQ(search["matches"].size(), 1u) << search;
        EXPECT_EQ(search["matches"][0]["text"], said);
        EXPECT_EQ(search["matches"][0]["paneID"], "%0");
        const std::string text = call("tmux_search_panes", merged(where, {{"query", "-42"}}))["content"][0]["text"];
        EXPECT_TRUE(text::contains(text, where == far ? "on socket 'work' on quillon-good," : "on socket 'work',")) << text;
    }
    const json found = data("tmux_find_project", {{"host", SshSandbox::good}, {"query", "main"}});
    ASSERT_EQ(found["matches"].size(), 1u) << found;
    EXPECT_EQ(found["matches"][0]["server"]["serverArguments"], far);
}

// One rule for a server or host a call cannot reach: the call fails (isError, the reason in
// its text, no structured content). A census names every server and host and cannot fail
// for one of them: it is one of its findings.
TEST_F(HostArgument, AnUnreachableHostFailsTheCallAddressedToItAndIsAFindingOfTheCensus) {
    const json away = {{"host", SshSandbox::refusing}, {"socket", "work"}};
    for (const auto& [tool, extra] : std::vector<std::pair<std::string, json>>{{"tmux_sessions", json::object()},
                                                                               {"tmux_windows", {{"session", "main"}}},
                                                                               {"tmux_capture_pane", {{"target", "main"}}},
                                                                               {"tmux_search_panes", {{"query", "42"}}},
                                                                               {"tmux_find_project", {{"query", "main"}}}}) {
        const json result = call(tool, merged(away, extra));
        EXPECT_EQ(result["isError"], true) << tool << "\n" << result;
        EXPECT_FALSE(result.contains("structuredContent")) << tool;
        EXPECT_TRUE(text::contains(result["content"][0]["text"].get<std::string>(), "Connection refused"))
            << tool << "\n" << result;
    }
    for (const char* tool : {"tmux_census", "tmux_servers"}) {
        const json hosts = data(tool, json::object())["hosts"];
        ASSERT_EQ(hosts.size(), 2u) << tool;
        EXPECT_EQ(hosts[1]["destination"], SshSandbox::refusing);
        EXPECT_TRUE(text::contains(hosts[1]["error"].get<std::string>(), "Connection refused")) << hosts;
    }
}

}  // namespace
}  // namespace quillon::testing
