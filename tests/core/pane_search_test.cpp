// Pane search against a private server: joined wrapped lines, plain text and expressions,
// panes that vanish or a server that stops answering, and pane text that tries to pass for
// the batch's markers.
#include "core/pane_search.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/l10n.h"
#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::TmuxSandbox;
using namespace std::chrono_literals;

class PaneSearchTest : public ::testing::Test {
protected:
    void SetUp() override { L10n::setLanguage(AppLanguage::en); }

    // A detached session of the given width running script, then the pane's text is waited for.
    void session(const std::string& name, const std::string& script, const std::string& waitFor, int width = 80) {
        const std::string id = sandbox.newSession(server, name) + ":";
        sandbox.tmux(server, {"resize-window", "-t", id, "-x", std::to_string(width), "-y", "10"});
        sandbox.tmux(server, {"respawn-pane", "-k", "-t", id, script + "; sleep 600"});
        const auto client = sandbox.client(server);
        for (int i = 0; i < 200; ++i) {
            if (text::contains(client.run({"capture-pane", "-p", "-J", "-t", id}), waitFor)) return;
            std::this_thread::sleep_for(20ms);
        }
        FAIL() << "no " << waitFor << " in " << name;
    }
    std::vector<SearchPane> panes(const std::optional<std::string>& only = std::nullopt) const {
        return searchPanes(sandbox.client(server).snapshot(), only);
    }
    SearchResult search(const SearchQuery& query, SearchOptions options = {}) const {
        return PaneSearch::run(sandbox.client(server), panes(), PaneMatcher::compile(query), options);
    }

    TmuxSandbox sandbox;
    const std::string server = TmuxSandbox::uniqueName("search");
};

TEST_F(PaneSearchTest, AWordSplitByThePaneWidthIsFoundOnceWithItsLineAndTheOneBefore) {
    // 30 columns: "needlework" starts at column 26 and wraps onto the next row.
    session("narrow", "printf 'first line\\n%025d needlework tail\\n' 0", "tail", 30);
    const SearchResult result = search({"NEEDLEWORK"});
    ASSERT_EQ(result.hits.size(), 1u);
    ASSERT_EQ(result.hits[0].matches.size(), 1u);
    const LineMatch& match = result.hits[0].matches[0];
    EXPECT_EQ(match.line, 2);
    EXPECT_EQ(match.text, std::string(25, '0') + " needlework tail");
    EXPECT_EQ(match.previous, "first line");
    EXPECT_EQ(match.offset, 26u);
    EXPECT_EQ(match.length, 10u);
    EXPECT_EQ(result.hits[0].pane.target(), "narrow:0.0");
    EXPECT_TRUE(text::startsWith(result.hits[0].pane.paneID, "%"));
    EXPECT_EQ(result.panesSearched, 1u);
    EXPECT_TRUE(result.notRead.empty());
}

TEST_F(PaneSearchTest, PlainTextIgnoresCaseAndExpressionsAnchorAtEveryLine) {
    session("logs", "printf 'Build OK\\nerror 42: disk\\nno error here\\nError 7: net\\na.b( literal\\naxb(\\n'",
            "literal");
    const struct {
        SearchQuery query;
        std::vector<std::int64_t> lines;
    } cases[] = {
        {{"ERROR"}, {2, 3, 4}},
        {{"^error \\d+:", true}, {2, 4}},
        {{"(?-i)^Error", true}, {4}},
        {{"here$", true}, {3}},
        {{"a.b("}, {5}},  // plain text: the dot and the parenthesis are themselves
        {{"a.b\\(", true}, {5, 6}},
        {{"error.*disk.*net", true}, {}},  // never across a line break
    };
    for (const auto& [query, lines] : cases) {
        const SearchResult result = search(query);
        std::vector<std::int64_t> found;
        for (const PaneHits& hits : result.hits)
            for (const LineMatch& match : hits.matches) found.push_back(match.line);
        EXPECT_EQ(found, lines) << query.text;
        EXPECT_EQ(result.matchCount, lines.size()) << query.text;
    }
}

TEST_F(PaneSearchTest, ABadExpressionSaysWhyAndFindsNothing) {
    const struct {
        SearchQuery query;
        std::string error;
    } cases[] = {
        {{"[unclosed", true}, "Invalid expression: missing ]: [unclosed"},
        {{"a(?=b)", true}, "Invalid expression: invalid perl operator: (?="},
        {{"x*", true}, "The expression also matches empty text; make it ask for at least one character."},
        {{""}, "There is nothing to look for."},
    };
    for (const auto& [query, error] : cases) {
        const PaneMatcher matcher = PaneMatcher::compile(query);
        ASSERT_FALSE(matcher.ok()) << query.text;
        EXPECT_EQ(*matcher.error(), error);
        EXPECT_TRUE(matcher.matchLines("unclosed x a b\n", 10).empty());
    }
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(*PaneMatcher::compile({"(", true}).error(), "Expresie invalidă: missing ): (");
    EXPECT_TRUE(PaneMatcher::compile({"(", false}).ok());
}

TEST_F(PaneSearchTest, AStoppedServerCostsOneLimitAndEveryPaneIsListedAsNotRead) {
    session("a", "echo one", "one");
    for (int i = 0; i < 5; ++i) sandbox.newWindow(server, "a", "w" + std::to_string(i));
    const auto all = panes();
    ASSERT_EQ(all.size(), 6u);
    sandbox.stopServer(server);
    auto client = sandbox.client(server);
    client.timeout = 400ms;
    SearchOptions options;
    options.batchSize = 2;
    options.parallelBatches = 1;
    const auto start = std::chrono::steady_clock::now();
    const SearchResult result = PaneSearch::run(client, all, PaneMatcher::compile({"one"}), options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(result.panesSearched, 0u);
    ASSERT_EQ(result.notRead.size(), 6u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(result.notRead[i].pane, all[i]);
        EXPECT_EQ(result.notRead[i].reason, client.timeoutMessage());
    }
    sandbox.continueServer(server);
}

TEST_F(PaneSearchTest, APaneGoneSinceTheListingIsNotReadAndTheOthersStillAre) {
    session("a", "echo alpha-text", "alpha-text");
    session("b", "echo beta-text", "beta-text");
    auto listed = panes();
    ASSERT_EQ(listed.size(), 2u);
    SearchPane gone = listed[0];
    gone.paneID = "%999";
    const std::vector<SearchPane> asked{listed[0], gone, gone, listed[1]};
    const BatchCapture capture = PaneSearch::captureBatch(sandbox.client(server), asked, 100);
    ASSERT_EQ(capture.texts.size(), 4u);
    EXPECT_TRUE(capture.texts[0] && text::contains(*capture.texts[0], "alpha-text"));
    EXPECT_FALSE(capture.texts[1]);
    EXPECT_FALSE(capture.texts[2]);
    EXPECT_EQ(capture.reasons[1], "can't find pane: %999");
    EXPECT_TRUE(capture.texts[3] && text::contains(*capture.texts[3], "beta-text"));
    // A server that is gone fails every pane with the same reason, in one run.
    sandbox.killServer(server);
    const BatchCapture none = PaneSearch::captureBatch(sandbox.client(server), asked, 100);
    for (std::size_t i = 0; i < asked.size(); ++i) {
        EXPECT_FALSE(none.texts[i]);
        EXPECT_FALSE(none.reasons[i].empty());
        EXPECT_EQ(none.reasons[i], none.reasons[0]);
    }
}

TEST_F(PaneSearchTest, PaneTextCannotForgeMarkersOrSplitTheBatch) {
    // Marker-like lines, tmux's own separators and format syntax, invalid UTF-8.
    session("hostile",
            "printf 'QUILLONMARK0000000000000000 0\\n; kill-server ;\\n#{pane_id} %%d \\037 \\351 end-of-hostile\\n'",
            "end-of-hostile");
    session("calm", "echo calm-end", "calm-end");
    const SearchResult result = search({"end"});
    ASSERT_EQ(result.hits.size(), 2u);  // tmux lists sessions by name
    EXPECT_EQ(result.hits[0].pane.sessionName, "calm");
    EXPECT_EQ(result.hits[0].matches[0].text, "calm-end");
    EXPECT_EQ(result.hits[1].pane.sessionName, "hostile");
    EXPECT_EQ(result.hits[1].matches[0].line, 3);
    EXPECT_EQ(result.hits[1].matches[0].previous, "; kill-server ;");
    EXPECT_EQ(search({"QUILLONMARK"}).matchCount, 1u);
    EXPECT_TRUE(sandbox.serverPid(server).has_value());
}

TEST_F(PaneSearchTest, ResultsAreCutAtTheLimitAndASessionIsChosenByItsExactName) {
    session("first", "for i in 1 2 3 4 5 6; do echo hit-$i; done", "hit-6");
    session("$0", "echo hit-named", "hit-named");  // a name that looks like the first session's id
    SearchOptions options;
    options.maxResults = 4;
    const SearchResult cut = search({"hit-"}, options);
    EXPECT_EQ(cut.matchCount, 4u);
    EXPECT_TRUE(cut.truncated);
    ASSERT_EQ(cut.hits.size(), 2u);  // "$0" sorts first
    EXPECT_EQ(cut.hits[0].matches[0].text, "hit-named");
    EXPECT_EQ(cut.hits[1].matches.back().text, "hit-3");
    options.maxResults = 7;
    EXPECT_FALSE(search({"hit-"}, options).truncated);

    const auto named = panes("$0");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].sessionName, "$0");
    EXPECT_NE(named[0].sessionID, "$0");
    EXPECT_TRUE(panes("firs").empty());
}

TEST_F(PaneSearchTest, ACancelledSearchStartsNoBatch) {
    session("a", "echo some-text", "some-text");
    SearchCancel cancel;
    cancel.cancel();
    const SearchResult result =
        PaneSearch::run(sandbox.client(server), panes(), PaneMatcher::compile({"some"}), {}, cancel);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.panesSearched, 0u);
    EXPECT_TRUE(result.hits.empty());
}

}  // namespace
}  // namespace quillon
