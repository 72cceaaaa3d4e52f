// The search answer as agents read it, compared with golden/search.<language>.txt
// (QUILLON_UPDATE_GOLDEN=1 rewrites them): matches, panes not read, a cut list, no match.
#include "core/search_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/l10n.h"
#include "core/text.h"

namespace quillon {
namespace {

SearchPane pane(const std::string& session, std::int64_t window, std::int64_t index, const std::string& id) {
    return {session, "$1", window, "@1", "main", index, id};
}

std::vector<std::string> reports() {
    CensusReport::SearchRequest request{{"build failed"}, L("socketul 'dev'", "socket 'dev'"), std::nullopt, 2000, 50, 4};
    SearchResult found;
    found.hits = {{pane("web", 0, 1, "%3"), {{17, "make: *** build failed", "cc -o app", 10, 12}}},
                  {pane("api", 2, 0, "%8"), {{1, "BUILD FAILED", "", 0, 12}, {40, "build failed again", "x", 0, 12}}}};
    found.matchCount = 3;
    found.panesSearched = 3;
    found.notRead = {{pane("db", 0, 0, "%9"), "tmux did not answer\nwithin 10 s"}};

    CensusReport::SearchRequest cutRequest{{"^err\\d", true}, "/tmp/sock", std::string("web"), 1, 1, 2};
    SearchResult cut;
    cut.hits = {{pane("web", 0, 0, "%1"), {{3, "err1" + std::string(500, 'x') + "ș", "", 0, 4}}}};
    cut.matchCount = 1;
    cut.panesSearched = 2;
    cut.truncated = true;

    CensusReport::SearchRequest quiet{{"two\nlines"}, L("serverul implicit", "the default server"), std::nullopt, 2000, 50, 0};
    return {CensusReport::searchMatches(request, found), CensusReport::searchMatches(cutRequest, cut),
            CensusReport::searchMatches(quiet, {})};
}

TEST(SearchReport, ReadsAsItsGoldenTextInBothLanguages) {
    for (AppLanguage language : {AppLanguage::en, AppLanguage::ro}) {
        L10n::setLanguage(language);
        const std::string text = text::join(reports(), "\n~~~~\n");
        const auto file = std::filesystem::path(QUILLON_GOLDEN_DIR) / ("search." + std::string(toRaw(language)) + ".txt");
        if (std::getenv("QUILLON_UPDATE_GOLDEN")) std::ofstream(file) << text;
        std::stringstream golden;
        golden << std::ifstream(file).rdbuf();
        EXPECT_EQ(text, golden.str()) << file;
    }
}

TEST(SearchReport, LongLinesAreCutAroundTheMatchOnCharacterBoundaries) {
    const std::string wide = std::string(300, 'a') + "ș" + "needle" + std::string(300, 'b');
    const struct {
        LineMatch match;
        std::string excerpt;
    } cases[] = {
        {{1, "short needle", "", 6, 6}, "short needle"},
        {{1, wide, "", 302, 6}, "…" + std::string(23, 'a') + "ș" + "needle" + std::string(69, 'b') + "…"},
        {{1, wide, "", 0, 1}, std::string(100, 'a') + "…"},
    };
    for (const auto& [match, excerpt] : cases) EXPECT_EQ(CensusReport::lineExcerpt(match, 100), excerpt);
}

}  // namespace
}  // namespace quillon
