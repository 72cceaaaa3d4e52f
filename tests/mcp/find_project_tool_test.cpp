// tmux_find_project: sessions correlated with projects across several real servers.

#include <gtest/gtest.h>

#include "core/text.h"
#include "tests/mcp/fleet.h"

namespace quillon::testing {
namespace {

using nlohmann::json;

class FindProject : public ::testing::Test, public Fleet {
protected:
    FindProject() {
        workId = sandbox.newSession("alpha", "work", projects.alphaDeep);
        sandbox.splitWindow("alpha", "work:0", projects.betaLib);
        sandbox.newSession("alpha", "docs", projects.plain);
        sandbox.newSession("alpha", "Gadget", projects.alphabet);
        sandbox.newSession("dead", "gone", projects.alpha);
        sandbox.killServerHard("dead");
        farId = sandbox.newSession("omega", "far", projects.betaLib);
    }
    std::string workId, farId;
};

TEST_F(FindProject, APaneInAnotherProjectMatchesAndIsListedAsAlsoTouched) {
    const auto [text, isError] = call("en", "tmux_find_project", {{"query", "proj-beta"}});
    EXPECT_FALSE(isError);
    const std::string work = "\nalpha → work\n    project: proj-alpha · root: " + projects.alpha +
                             "\n    also touches: proj-beta\n    · work [" + workId + "] — detached · 1 window · created ";
    const std::string far = "\nomega → far\n    project: proj-beta · root: " + projects.beta + "\n    · far [" + farId +
                            "] — detached";
    EXPECT_TRUE(text::startsWith(text, "2 session(s) for “proj-beta”:\n" + work)) << text;
    EXPECT_TRUE(contains(text, "      proj-alpha · " + projects.alphaDeep + "\n" + far)) << text;
    EXPECT_TRUE(endsWith(text, "      proj-beta · " + projects.betaLib + "\n"));

    const auto [ro, roError] = call("ro", "tmux_find_project", {{"query", "proj-beta"}});
    EXPECT_FALSE(roError);
    EXPECT_TRUE(text::startsWith(ro, "2 sesiune/sesiuni pentru „proj-beta”:\n\nalpha → work\n    proiect: proj-alpha · "
                                     "rădăcină: " + projects.alpha + "\n    atinge și: proj-beta\n    · work [" + workId +
                                     "] — neatașată"))
        << ro;
}

TEST_F(FindProject, SessionNamesMatchInAnyCaseWithAnUnknownProject) {
    auto [text, isError] = call("en", "tmux_find_project", {{"query", "DOCS"}});
    EXPECT_FALSE(isError);
    EXPECT_TRUE(text::startsWith(text, "1 session(s) for “DOCS”:\n\nalpha → docs\n    project: unknown · root: unknown\n"
                                       "    · docs ["))
        << text;
    EXPECT_TRUE(endsWith(text, "      unknown project · " + projects.plain + "\n"));
    std::tie(text, isError) = call("ro", "tmux_find_project", {{"query", "Doc"}});
    EXPECT_TRUE(contains(text, "\nalpha → docs\n    proiect: necunoscut · rădăcină: necunoscută\n")) << text;
}

TEST_F(FindProject, PathQueriesMatchRootsByPrefixIncludingSiblings) {
    for (const std::string& query : std::vector<std::string>{projects.alpha, projects.alpha + "/", "~/proj-alpha"}) {
        const auto [text, isError] =
            mcp("en", {{"HOME", projects.dir.str()}})->callTool("tmux_find_project", {{"query", query}});
        EXPECT_TRUE(text::startsWith(text, "2 session(s) for “" + query + "”:\n")) << text;
        EXPECT_TRUE(contains(text, "\nalpha → Gadget\n    project: proj-alphabet · root: " + projects.alphabet + "\n"));
        EXPECT_TRUE(contains(text, "\nalpha → work\n"));
        EXPECT_LT(text.find("alpha → Gadget"), text.find("alpha → work")) << "list-sessions order";
    }
}

TEST_F(FindProject, NoMatchOnLiveServersPointsToTheCensus) {
    EXPECT_EQ(call("en", "tmux_find_project", {{"query", "nothing-here"}}),
              std::make_pair(std::string("No live session matches “nothing-here”. See tmux_census for everything running."),
                             false));
    EXPECT_EQ(call("ro", "tmux_find_project", {{"query", "nimic"}}).first,
              "Nicio sesiune vie nu se potrivește cu „nimic”. Vezi tmux_census pentru tot ce rulează.");
}

TEST_F(FindProject, AMissingQueryIsTheOnlyError) {
    for (const json& arguments : {json::object(), json({{"query", ""}}), json({{"query", json::array({"x"})}})})
        EXPECT_EQ(call("en", "tmux_find_project", arguments), std::make_pair(std::string("Missing 'query'."), true));
    EXPECT_EQ(call("ro", "tmux_find_project").first, "Lipsește 'query'.");
}

TEST(FindProjectWithoutLiveServers, CountsTheLeftoverSockets) {
    Fleet fleet;
    for (const std::string name : {"a", "b", "c"}) {
        fleet.sandbox.newSession(name, "s");
        fleet.sandbox.killServerHard(name);
    }
    const std::string dir = fleet.sandbox.socketDirectory();
    EXPECT_EQ(fleet.call("en", "tmux_find_project", {{"query", "x"}}),
              std::make_pair("No live tmux server in " + dir + ", so no session to correlate with “x”. 3 socket(s) on "
                             "disk are leftovers from dead servers — see tmux_census.",
                             false));
    TempDir empty("quillon-no-sockets");
    EXPECT_EQ(fleet.call("ro", "tmux_find_project", {{"query", "x"}, {"socket_dir", empty.str()}}).first,
              "Niciun server tmux viu în " + empty.str() + ", deci nicio sesiune de corelat cu „x”. 0 socket(uri) pe "
              "disc sunt resturi de la servere moarte — vezi tmux_census.");
}

}  // namespace
}  // namespace quillon::testing
