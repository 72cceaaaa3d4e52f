// tmux_census, tmux_servers and tmux_sessions against real private servers: live, stale
// (killed, socket left behind), wedged, and one outside the socket directory.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/l10n.h"
#include "core/text.h"
#include "tests/mcp/fleet.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

std::string tmuxVersion() { return TmuxClient(TmuxSandbox::tmuxPath()).version(); }

class CensusTools : public ::testing::Test, public Fleet {
protected:
    CensusTools() {
        workId = sandbox.newSession("alpha", "work", projects.alphaDeep);
        miscId = sandbox.newSession("alpha", "Misc", projects.plain);
        sandbox.newSession("beta", "side", projects.beta);
        sandbox.killServerHard("beta");
        // A server outside the socket directory, reachable only by its path.
        outside.emplace();
        farId = outside->newSession("gamma", "far", projects.betaLib);
        gammaPath = outside->socketPath("gamma");
    }

    std::string dir() const { return sandbox.socketDirectory(); }

    std::string workId, miscId, farId, gammaPath;
    std::optional<TmuxSandbox> outside;  // declared last: gone first, restoring TMUX_TMPDIR
};

TEST_F(CensusTools, CensusReportsEverySocketWithItsVerdictInEnglish) {
    const auto [report, isError] = call("en", "tmux_census", {{"extra_sockets", json::array({gammaPath})}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(report, "tmux servers — ")) << report;
    EXPECT_TRUE(contains(report, "\ntmux: " + tmuxVersion() + " · socket directory: " + dir() + "\n")) << report;
    EXPECT_TRUE(contains(report, "\n\n3 socket(s) on disk · 2 alive · 1 dead · 0 unknown · 3 live session(s)\n"));

    const auto alpha = report.find("\n\n● alpha — ALIVE\n    socket: " + dir() + "/alpha · last touched: 20");
    const auto beta = report.find("\n\n✕ beta — DEAD (socket left on disk)\n    socket: " + dir() + "/beta · ");
    const auto gamma = report.find("\n\n● " + gammaPath + " — ALIVE\n    socket: " + gammaPath + " · ");
    ASSERT_NE(alpha, std::string::npos) << report;
    ASSERT_NE(beta, std::string::npos) << report;
    ASSERT_NE(gamma, std::string::npos) << report;
    EXPECT_LT(alpha, beta);
    EXPECT_LT(beta, gamma);

    EXPECT_TRUE(contains(report, "    · work [" + workId + "] — detached · 1 window · created ")) << report;
    EXPECT_TRUE(contains(report, " ago · never attached\n      proj-alpha · " + projects.alphaDeep + "\n"));
    EXPECT_TRUE(contains(report, "    · Misc [" + miscId + "] — detached · 1 window · created "));
    EXPECT_TRUE(contains(report, "      unknown project · " + projects.plain + "\n"));
    EXPECT_TRUE(contains(report, "    · far [" + farId + "] — detached"));
    EXPECT_TRUE(contains(report, "      proj-beta · " + projects.betaLib + "\n"));

    const std::string staleBlock = report.substr(beta, gamma + 1 - beta);
    EXPECT_TRUE(contains(staleBlock, "\n    reason: ")) << staleBlock;
    EXPECT_TRUE(contains(staleBlock, "no server running") || contains(staleBlock, "error connecting to"));
    EXPECT_TRUE(contains(staleBlock, "\n    no sessions — the server is not running\n")) << report;

    EXPECT_TRUE(text::startsWith(report.substr(report.rfind("\n\n")), "\n\nEnumeration covers sockets in " + dir()));
    EXPECT_FALSE(contains(report, "A socket file survives its server"));
}

TEST_F(CensusTools, CensusSpeaksRomanian) {
    const auto [report, isError] = call("ro", "tmux_census", {{"extra_sockets", json::array({gammaPath})}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(report, "Servere tmux — ")) << report;
    EXPECT_TRUE(contains(report, "\ntmux: " + tmuxVersion() + " · director socket-uri: " + dir() + "\n"));
    EXPECT_TRUE(contains(report, "\n\n3 socket(uri) pe disc · 2 server(e) viu/vii · 1 mort/moarte · 0 necunoscut(e) · "
                                 "3 sesiune/sesiuni vie/vii\n"));
    EXPECT_TRUE(contains(report, "\n\n● alpha — VIU\n    socket: " + dir() + "/alpha · atins ultima dată: 20"));
    EXPECT_TRUE(contains(report, "\n\n✕ beta — MORT (socket rămas pe disc)\n"));
    EXPECT_TRUE(contains(report, "\n    motiv: "));
    EXPECT_TRUE(contains(report, "\n    nicio sesiune — serverul nu mai rulează\n"));
    EXPECT_TRUE(contains(report, "    · work [" + workId + "] — neatașată · 1 fereastră · creată acum "));
    EXPECT_TRUE(contains(report, " · niciodată atașată\n      proj-alpha · " + projects.alphaDeep + "\n"));
    EXPECT_TRUE(contains(report, "      proiect necunoscut · " + projects.plain + "\n"));
    EXPECT_TRUE(contains(report, "\n\nEnumerarea acoperă socket-urile din " + dir()));
}

TEST_F(CensusTools, ServersListsVerdictsWithoutSessions) {
    const auto [en, enError] = call("en", "tmux_servers", {{"extra_sockets", json::array({5, gammaPath})}});
    EXPECT_FALSE(enError);
    EXPECT_TRUE(text::startsWith(en, "tmux sockets in " + dir() + ":\n● alpha — ALIVE\n    socket: ")) << en;
    EXPECT_TRUE(contains(en, "\n\n✕ beta — DEAD (socket left on disk)\n"));
    EXPECT_TRUE(contains(en, "\n\n● " + gammaPath + " — ALIVE\n"));
    EXPECT_FALSE(contains(en, "    · "));
    EXPECT_FALSE(contains(en, "no sessions"));
    EXPECT_TRUE(contains(en, "\n\n\nEnumeration covers sockets in " + dir()));
    EXPECT_FALSE(contains(en, "tmux: "));

    const auto [ro, roError] = call("ro", "tmux_servers");
    EXPECT_FALSE(roError);
    EXPECT_TRUE(text::startsWith(ro, "Socket-uri tmux în " + dir() + ":\n● alpha — VIU\n")) << ro;
    EXPECT_FALSE(contains(ro, gammaPath));
}

TEST_F(CensusTools, SocketDirectoryAndExtraSocketArgumentsFollowTheirTypes) {
    TempDir empty("quillon-no-sockets");
    auto [text, isError] = call("en", "tmux_servers", {{"socket_dir", empty.str()}});
    EXPECT_FALSE(isError);
    EXPECT_EQ(text, "tmux sockets in " + empty.str() + ":\n(none)\n\nEnumeration covers sockets in " + empty.str() +
                        " (those started with `tmux -L name`). A server started with `tmux -S /other/path` only "
                        "shows up if you pass its path explicitly.\n");
    std::tie(text, isError) = call("ro", "tmux_servers", {{"socket_dir", empty.str()}});
    EXPECT_TRUE(text::startsWith(text, "Socket-uri tmux în " + empty.str() + ":\n(niciunul)\n\nEnumerarea"));

    // A leading tilde is the home directory; a string where an array belongs is ignored.
    const std::string relative = dir().substr(sandbox.tmpDir().size() + 1);
    std::tie(text, isError) = mcp("en", {{"HOME", sandbox.tmpDir()}})
                                  ->callTool("tmux_census", {{"socket_dir", "~/" + relative}, {"extra_sockets", gammaPath}});
    EXPECT_TRUE(contains(text, " · socket directory: " + dir() + "\n")) << text;
    EXPECT_TRUE(contains(text, "2 socket(s) on disk"));
    EXPECT_FALSE(contains(text, gammaPath));

    // An extra path that is a found socket is probed once, by name.
    std::tie(text, isError) = call("en", "tmux_servers", {{"extra_sockets", json::array({dir() + "/alpha"})}});
    EXPECT_EQ(text.find(dir() + "/alpha"), text.rfind(dir() + "/alpha")) << text;
    EXPECT_FALSE(contains(text, "● " + dir()));
}

TEST_F(CensusTools, CensusOfOnlyDeadServersExplainsThatSocketsAreNoProof) {
    sandbox.killServerHard("alpha");
    auto [text, isError] = call("ro", "tmux_census");
    EXPECT_FALSE(isError);
    EXPECT_TRUE(contains(text, "\n\n2 socket(uri) pe disc · 0 server(e) viu/vii · 2 mort/moarte · 0 necunoscut(e) · "
                               "0 sesiune/sesiuni vie/vii\n"))
        << text;
    EXPECT_TRUE(endsWith(text, "explicit.\nUn fișier-socket rămâne pe disc după ce serverul moare: „există "
                                     "socket” nu înseamnă „există sesiuni”.\n"))
        << text;
    std::tie(text, isError) = call("en", "tmux_census");
    EXPECT_FALSE(isError);
    EXPECT_TRUE(endsWith(text, "A socket file survives its server: \"socket exists\" does not mean \"sessions "
                                     "exist\".\n"));
}

TEST_F(CensusTools, SessionsShowsTheBlockOfOneServer) {
    auto [text, isError] = call("en", "tmux_sessions", {{"socket", "alpha"}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(text, "● alpha — ALIVE\n    socket: " + dir() + "/alpha · last touched: 20")) << text;
    EXPECT_TRUE(contains(text, "\n    · Misc [" + miscId + "] — detached"));
    EXPECT_TRUE(contains(text, "\n    · work [" + workId + "] — detached"));

    std::tie(text, isError) = call("ro", "tmux_sessions", {{"socket_path", gammaPath}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(text, "● " + gammaPath + " — VIU\n    socket: " + gammaPath + " · atins ultima dată: "));
    EXPECT_TRUE(contains(text, "    · far [" + farId + "] — neatașată"));

    std::tie(text, isError) = call("en", "tmux_sessions", {{"socket", "beta"}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(text, "✕ beta — DEAD (socket left on disk)\n"));
    EXPECT_TRUE(endsWith(text, "\n    no sessions — the server is not running\n"));
}

TEST_F(CensusTools, SessionsWithoutArgumentsAsksTheDefaultSocketByPath) {
    const std::string defaultPath = dir() + "/default";
    for (const json& arguments : {json::object(), json({{"socket", ""}}), json({{"socket", 7}})}) {
        auto [text, isError] = call("en", "tmux_sessions", arguments);
        EXPECT_FALSE(isError);
        EXPECT_TRUE(text::startsWith(text, "✕ " + defaultPath + " — DEAD (socket left on disk)\n    socket: " +
                                               defaultPath + " · last touched: unknown\n    reason: "))
            << arguments << "\n"
            << text;
    }
    auto [text, isError] = call("ro", "tmux_sessions");
    EXPECT_TRUE(contains(text, " · atins ultima dată: necunoscut\n    motiv: ")) << text;
}

TEST_F(CensusTools, SessionsWithBothArgumentsAddressesTheNameAndShowsThePath) {
    const auto [text, isError] = call("en", "tmux_sessions", {{"socket", "alpha"}, {"socket_path", gammaPath}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(text, "● alpha — ALIVE\n    socket: " + gammaPath + " · ")) << text;
    EXPECT_TRUE(contains(text, "    · work [" + workId + "]"));
    EXPECT_FALSE(contains(text, "    · far "));
}

TEST(BareEnvironment, EveryServerAndNameReadsExactly) {
    Fleet fleet;
    fleet.sandbox.newSession("live", "ședință nouă", fleet.projects.plain);
    // One stray byte (an old Latin-1 directory name) spoils only its own field.
    const std::string latin1 = fleet.projects.plain + "/caf\xE9";
    std::filesystem::create_directories(latin1);
    fleet.sandbox.newSession("live", "latin", latin1);
    // What MCP hosts commonly pass: no LANG, no LC_*.
    McpProcess bare({{"PATH", std::getenv("PATH")}, {"HOME", fleet.config.str()}, {"TMUX_TMPDIR", fleet.sandbox.tmpDir()}},
                    false);
    const auto [report, isError] = bare.callTool("tmux_census");
    EXPECT_FALSE(isError);
    EXPECT_TRUE(contains(report, "\n\n● live — ")) << report;
    EXPECT_TRUE(contains(report, "    · ședință nouă [$")) << report;
    EXPECT_TRUE(contains(report, "    · latin [$")) << report;
    EXPECT_TRUE(contains(report, " · " + fleet.projects.plain + "/caf\uFFFD\n")) << report;
}

TEST(WedgedServers, TwoStoppedServersCostOneTimeLimitAndReadUnknown) {
    Fleet fleet;
    fleet.sandbox.newSession("live", "ok", fleet.projects.plain);
    fleet.sandbox.newSession("stuck1", "a");
    fleet.sandbox.newSession("stuck2", "b");
    fleet.sandbox.stopServer("stuck1");
    fleet.sandbox.stopServer("stuck2");

    const auto started = std::chrono::steady_clock::now();
    const auto [text, isError] = fleet.mcp("en")->callTool("tmux_census", json::object(), 60s);
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(isError);
    L10n::setLanguage(AppLanguage::en);
    const std::string limit = TmuxClient(TmuxSandbox::tmuxPath()).timeoutMessage();
    for (const std::string name : {"stuck1", "stuck2"})
        EXPECT_TRUE(contains(text, "\n\n? " + name + " — UNKNOWN\n    socket: " + fleet.sandbox.socketPath(name) +
                                       " · last touched: 20"))
            << text;
    EXPECT_TRUE(contains(text, "\n    reason: " + limit + "\n    sessions: unknown (could not read)\n"));
    EXPECT_TRUE(contains(text, "3 socket(s) on disk · 1 alive · 0 dead · 2 unknown · 1 live session(s)"));
    // Concurrent probes: both limits run out together.
    EXPECT_LT(elapsed, TmuxClient::defaultTimeout * 1.7);
}

}  // namespace
}  // namespace quillon::testing
