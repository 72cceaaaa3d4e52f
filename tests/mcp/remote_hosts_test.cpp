// The stored hosts through the real program: the census reports each after this machine,
// the one-server tools reach a stored host with `host`, and any other value is refused
// with the stored list. The hosts are a private sshd on 127.0.0.1 (tests/support).
#include <gtest/gtest.h>

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

class McpHosts : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
        ssh.emplace(sandbox.tmpDir());
        sandbox.newSession("live", "main", project.str());
        std::filesystem::create_directories(project.path() / ".git");
        DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, {{"XDG_CONFIG_HOME", config.str()}}))
            .set(StoredHosts::key, StoredHosts::encode({SshSandbox::good, SshSandbox::refusing}));
        mcp.emplace(McpProcess::EnvChanges{{"QUILLON_LANG", "en"}, {"XDG_CONFIG_HOME", config.str()}});
    }
    // The text of one call, and whether it was an error.
    std::pair<std::string, bool> call(const std::string& tool, const json& arguments) {
        const json answer =
            mcp->request({{"id", ++id}, {"method", "tools/call"}, {"params", {{"name", tool}, {"arguments", arguments}}}});
        return {answer["result"]["content"][0]["text"], answer["result"]["isError"]};
    }
    TmuxSandbox sandbox;
    TempDir config{"quillon-config"}, project{"quillon-proj"};
    std::optional<SshSandbox> ssh;
    std::optional<McpProcess> mcp;
    int id = 0;
};

TEST_F(McpHosts, TheCensusReportsEveryStoredHostAfterThisMachine) {
    for (const char* tool : {"tmux_census", "tmux_servers"}) {
        const auto [report, isError] = call(tool, json::object());
        EXPECT_FALSE(isError);
        const auto good = report.find("\n⇄ Host quillon-good — socket directory: " + sandbox.socketDirectory() +
                                      " · 1 socket(s)\n\n● live — ALIVE\n");
        const auto refusing = report.find("\n⇄ Host quillon-refusing — unreachable\n    reason: ssh: connect to host "
                                          "127.0.0.1 port ");
        ASSERT_NE(good, std::string::npos) << report;
        EXPECT_LT(report.find("● live — ALIVE"), good);  // this machine first
        EXPECT_NE(refusing, std::string::npos) << report;
        EXPECT_LT(good, refusing);
    }
    EXPECT_TRUE(text::contains(call("tmux_census", json::object()).first, "    · main [$"));
}

TEST_F(McpHosts, TheStructuredCensusListsEachHostWithArgumentsThatReachItsServers) {
    mcp->request({{"id", ++id}, {"method", "initialize"}, {"params", {{"protocolVersion", "2025-06-18"}}}});
    for (const char* tool : {"tmux_census", "tmux_servers"}) {
        const json answer = mcp->request(
            {{"id", ++id}, {"method", "tools/call"}, {"params", {{"name", tool}, {"arguments", json::object()}}}});
        SCOPED_TRACE(answer.dump());
        const json& hosts = answer["result"]["structuredContent"]["hosts"];
        ASSERT_EQ(hosts.size(), 2u);
        EXPECT_EQ(hosts[0]["destination"], SshSandbox::good);
        EXPECT_EQ(hosts[0]["directory"], sandbox.socketDirectory());
        ASSERT_EQ(hosts[0]["servers"].size(), 1u);
        EXPECT_EQ(hosts[0]["servers"][0]["liveness"], "alive");
        EXPECT_EQ(hosts[0]["servers"][0]["serverArguments"], (json{{"host", SshSandbox::good}, {"socket", "live"}}));
        EXPECT_EQ(hosts[1]["servers"], json::array());
        EXPECT_FALSE(hosts[1].contains("directory"));
        EXPECT_TRUE(text::contains(hosts[1]["error"].get<std::string>(), "Connection refused"));
    }
}

TEST_F(McpHosts, OneServerToolsReachAStoredHost) {
    const json on = {{"host", SshSandbox::good}, {"socket", "live"}};
    const auto [sessions, sessionsError] = call("tmux_sessions", on);
    EXPECT_FALSE(sessionsError);
    EXPECT_TRUE(text::startsWith(sessions, "● live — ALIVE\n    socket: " + sandbox.socketPath("live"))) << sessions;

    json windows = on;
    windows["session"] = "main";
    const auto [listed, listError] = call("tmux_windows", windows);
    EXPECT_FALSE(listError);
    EXPECT_TRUE(text::startsWith(listed, "Session main on socket 'live' on quillon-good — 1 window(s)")) << listed;

    sandbox.tmux("live", {"send-keys", "-t", "main", "echo remote-says-hi", "Enter"});
    json capture = on;
    capture["target"] = "main";
    std::string captured;
    for (int i = 0; i < 50 && !text::contains(captured, "remote-says-hi\n"); ++i) captured = call("tmux_capture_pane", capture).first;
    EXPECT_TRUE(text::startsWith(captured, "Last 200 lines of main (socket 'live' on quillon-good):\n\n")) << captured;

    const auto [found, findError] = call("tmux_find_project", {{"host", SshSandbox::good}, {"query", "main"}});
    EXPECT_FALSE(findError);
    EXPECT_TRUE(text::contains(found, "\nquillon-good · live → main\n")) << found;

    const auto [unreachable, unreachableError] =
        call("tmux_find_project", {{"host", SshSandbox::refusing}, {"query", "main"}});
    EXPECT_TRUE(unreachableError);
    EXPECT_TRUE(text::startsWith(unreachable, "Could not read host quillon-refusing: ssh: connect to host"))
        << unreachable;
}

TEST_F(McpHosts, AHostThatIsNotStoredIsRefusedWithTheStoredList) {
    const std::string refused = "Unknown host 'elsewhere'. Stored hosts: quillon-good, quillon-refusing.";
    for (const char* tool :
         {"tmux_sessions", "tmux_windows", "tmux_capture_pane", "tmux_find_project", "tmux_search_panes"}) {
        const auto [text, isError] =
            call(tool, {{"host", "elsewhere"}, {"session", "main"}, {"target", "main"}, {"query", "main"}});
        EXPECT_TRUE(isError) << tool;
        EXPECT_EQ(text, refused) << tool;
    }
    // A destination ssh would read as an option never reaches ssh, stored or not.
    EXPECT_TRUE(call("tmux_sessions", {{"host", "-oProxyCommand=touch x"}}).second);
}

}  // namespace
}  // namespace quillon::testing
