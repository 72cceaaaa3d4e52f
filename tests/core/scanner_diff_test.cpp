#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/l10n.h"
#include "core/scanner_diff.h"

namespace quillon {
namespace {

using Kind = ScanEvent::Kind;

TmuxPane pane(std::int64_t index, std::string command) {
    TmuxPane p;
    p.index = index;
    p.command = std::move(command);
    return p;
}

TmuxWindow window(std::int64_t index, std::string name, std::vector<TmuxPane> panes = {pane(0, "sh")}) {
    TmuxWindow w;
    w.index = index;
    w.name = std::move(name);
    w.paneCount = static_cast<std::int64_t>(panes.size());
    w.panes = std::move(panes);
    return w;
}

TmuxSession session(std::string id, std::string name, std::vector<TmuxWindow> windows = {}) {
    TmuxSession s;
    s.sessionID = std::move(id);
    s.name = std::move(name);
    s.windowCount = static_cast<std::int64_t>(windows.size());
    s.windows = std::move(windows);
    return s;
}

struct Seen {
    Kind kind;
    std::string message;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* os) { *os << static_cast<int>(seen.kind) << " " << seen.message; }

std::vector<Seen> seen(const std::vector<ScanEvent>& events) {
    std::vector<Seen> result;
    for (const auto& e : events) result.push_back({e.kind, e.message});
    return result;
}

class ScannerDiffTest : public ::testing::Test {
protected:
    void SetUp() override { L10n::setLanguage(AppLanguage::en); }
    void TearDown() override { L10n::setLanguage(AppLanguage::en); }
};

TEST_F(ScannerDiffTest, SameOrEmptySnapshotsGiveNothing) {
    const std::vector<TmuxSession> tree = {session("$0", "work", {window(0, "sh"), window(1, "vim")})};
    EXPECT_TRUE(ScannerDiff::diff({}, {}).empty());
    EXPECT_TRUE(ScannerDiff::diff(tree, tree).empty());
    EXPECT_TRUE(ScannerDiff::sessionLevelDiff(tree, tree).empty());
}

TEST_F(ScannerDiffTest, NewSessionIsOneEventWithItsWindowCount) {
    auto work = session("$3", "work", {window(0, "a"), window(1, "b"), window(2, "c")});
    EXPECT_EQ(seen(ScannerDiff::diff({}, {work})), (std::vector<Seen>{{Kind::sessionAdded, "Session opened: work (3 windows)"}}));
    // The count is tmux's windowCount, not the attached windows.
    work.windowCount = 7;
    EXPECT_EQ(ScannerDiff::diff({}, {work}).at(0).message, "Session opened: work (7 windows)");
}

TEST_F(ScannerDiffTest, ClosedSessionGivesOnlyItsOwnEvent) {
    const auto gone = session("$1", "old", {window(0, "a"), window(1, "b")});
    EXPECT_EQ(seen(ScannerDiff::diff({gone}, {})), (std::vector<Seen>{{Kind::sessionRemoved, "Session closed: old"}}));
}

TEST_F(ScannerDiffTest, RenamedSessionIsMatchedByIdAndComparedUnderItsNewName) {
    const auto before = session("$2", "a", {window(0, "sh")});
    const auto after = session("$2", "b", {window(0, "sh"), window(1, "logs")});
    EXPECT_EQ(seen(ScannerDiff::diff({before}, {after})), (std::vector<Seen>{
                                                              {Kind::sessionRenamed, "Renamed: a → b"},
                                                              {Kind::windowAdded, "b: window opened 1:logs"},
                                                          }));
    EXPECT_EQ(seen(ScannerDiff::sessionLevelDiff({before}, {after})),
              (std::vector<Seen>{{Kind::sessionRenamed, "Renamed: a → b"}}));
}

TEST_F(ScannerDiffTest, WindowAndPaneChanges) {
    const auto before = session("$0", "w", {window(1, "edit", {pane(0, "zsh")}), window(2, "build")});
    const auto renumbered = session("$0", "w", {window(1, "edit", {pane(0, "zsh")}), window(5, "build")});
    EXPECT_EQ(seen(ScannerDiff::diff({before}, {renumbered})), (std::vector<Seen>{
                                                                   {Kind::windowRemoved, "w: window closed 2:build"},
                                                                   {Kind::windowAdded, "w: window opened 5:build"},
                                                               }));

    const auto vim = session("$0", "w", {window(1, "edit", {pane(0, "vim")}), window(2, "build")});
    EXPECT_EQ(seen(ScannerDiff::diff({before}, {vim})), (std::vector<Seen>{{Kind::paneChanged, "w 1.0: zsh → vim"}}));

    const auto split = session("$0", "w", {window(1, "edit", {pane(0, "zsh"), pane(1, "top")}), window(2, "build")});
    EXPECT_EQ(seen(ScannerDiff::diff({before}, {split})), (std::vector<Seen>{{Kind::paneChanged, "w 1: pane-uri 1 → 2"}}));

    const auto renamed = session("$0", "w", {window(1, "code", {pane(0, "zsh")}), window(2, "build")});
    EXPECT_EQ(seen(ScannerDiff::windowDiff("w", before, renamed)),
              (std::vector<Seen>{{Kind::windowRenamed, "w 1: renamed edit → code"}}));
}

TEST_F(ScannerDiffTest, FullDiffOrdersEventsSessionBySessionAndWindowByWindow) {
    const std::vector<TmuxSession> old = {
        session("$0", "keep", {window(0, "a", {pane(0, "sh"), pane(1, "sh")}), window(1, "gone"), window(2, "b")}),
        session("$1", "closed1"),
        session("$2", "renamed", {window(0, "x")}),
        session("$3", "closed2"),
    };
    const std::vector<TmuxSession> now = {
        session("$4", "fresh", {window(0, "n")}),
        session("$2", "renamed2", {window(0, "y")}),
        session("$0", "keep", {window(3, "new"), window(2, "b2", {pane(0, "vim"), pane(1, "top")}),
                               window(0, "a", {pane(1, "htop")})}),
    };
    EXPECT_EQ(seen(ScannerDiff::diff(old, now)), (std::vector<Seen>{
                                                     {Kind::sessionRemoved, "Session closed: closed1"},
                                                     {Kind::sessionRemoved, "Session closed: closed2"},
                                                     {Kind::sessionAdded, "Session opened: fresh (1 windows)"},
                                                     {Kind::sessionRenamed, "Renamed: renamed → renamed2"},
                                                     {Kind::windowRenamed, "renamed2 0: renamed x → y"},
                                                     {Kind::windowRemoved, "keep: window closed 1:gone"},
                                                     {Kind::windowAdded, "keep: window opened 3:new"},
                                                     {Kind::windowRenamed, "keep 2: renamed b → b2"},
                                                     {Kind::paneChanged, "keep 2.0: sh → vim"},
                                                     {Kind::paneChanged, "keep 2: pane-uri 1 → 2"},
                                                     {Kind::paneChanged, "keep 0.1: sh → htop"},
                                                     {Kind::paneChanged, "keep 0: pane-uri 2 → 1"},
                                                 }));
    for (const auto& event : ScannerDiff::sessionLevelDiff(old, now))
        EXPECT_TRUE(event.kind == Kind::sessionAdded || event.kind == Kind::sessionRemoved ||
                    event.kind == Kind::sessionRenamed);
    EXPECT_EQ(ScannerDiff::sessionLevelDiff(old, now).size(), 4u);
}

TEST_F(ScannerDiffTest, DuplicatedKeysKeepTheirFirstOccurrence) {
    const std::vector<TmuxSession> old = {session("$0", "a", {window(0, "one"), window(0, "dup")})};
    const std::vector<TmuxSession> now = {session("$0", "a"), session("$0", "twin")};
    // Both new entries match the old "a": only the second differs from it.
    EXPECT_EQ(seen(ScannerDiff::sessionLevelDiff(old, now)),
              (std::vector<Seen>{{Kind::sessionRenamed, "Renamed: a → twin"}}));
    EXPECT_EQ(seen(ScannerDiff::windowDiff("a", old[0], session("$0", "a", {window(0, "uno")}))),
              (std::vector<Seen>{{Kind::windowRenamed, "a 0: renamed one → uno"}}));
}

TEST_F(ScannerDiffTest, ManyWindowsPerSessionAreMatchedByIndex) {
    std::vector<TmuxWindow> before, after;
    for (int i = 0; i < 40; ++i) before.push_back(window(i, "w" + std::to_string(i)));
    for (int i = 39; i >= 1; --i) after.push_back(window(i, i == 20 ? "twenty" : "w" + std::to_string(i)));
    after.push_back(window(99, "late"));
    EXPECT_EQ(seen(ScannerDiff::diff({session("$9", "big", before)}, {session("$9", "big", after)})),
              (std::vector<Seen>{
                  {Kind::windowRemoved, "big: window closed 0:w0"},
                  {Kind::windowRenamed, "big 20: renamed w20 → twenty"},
                  {Kind::windowAdded, "big: window opened 99:late"},
              }));
}

TEST_F(ScannerDiffTest, RomanianTexts) {
    L10n::setLanguage(AppLanguage::ro);
    const auto before = session("$0", "w", {window(1, "edit", {pane(0, "zsh")}), window(2, "x")});
    const auto after = session("$0", "v", {window(1, "cod", {pane(0, "zsh"), pane(1, "sh")}), window(3, "y")});
    EXPECT_EQ(seen(ScannerDiff::diff({before, session("$1", "dus")}, {after, session("$5", "nou", {window(0, "a")})})),
              (std::vector<Seen>{
                  {Kind::sessionRemoved, "Sesiune închisă: dus"},
                  {Kind::sessionRenamed, "Redenumită: w → v"},
                  {Kind::windowRemoved, "v: fereastră închisă 2:x"},
                  {Kind::windowRenamed, "v 1: redenumită edit → cod"},
                  {Kind::paneChanged, "v 1: pane-uri 1 → 2"},
                  {Kind::windowAdded, "v: fereastră nouă 3:y"},
                  {Kind::sessionAdded, "Sesiune nouă: nou (1 ferestre)"},
              }));
}

TEST_F(ScannerDiffTest, EventsCarryFreshIdsAndNoLocation) {
    const auto before = Clock::now();
    std::vector<TmuxSession> many;
    for (int i = 0; i < 200; ++i) many.push_back(session("$" + std::to_string(i), "s" + std::to_string(i)));
    const auto events = ScannerDiff::diff({}, many);
    std::set<std::string> ids;
    for (const auto& event : events) {
        ids.insert(event.id);
        EXPECT_FALSE(event.session);
        EXPECT_FALSE(event.target);
        EXPECT_GE(event.timestamp, before);
        EXPECT_LE(event.timestamp, Clock::now());
    }
    EXPECT_EQ(ids.size(), events.size());
    const std::string& id = events.front().id;
    ASSERT_EQ(id.size(), 36u);
    EXPECT_EQ(id[14], '4');  // version 4
    EXPECT_NE(std::string("89ab").find(id[19]), std::string::npos);
}

}  // namespace
}  // namespace quillon
