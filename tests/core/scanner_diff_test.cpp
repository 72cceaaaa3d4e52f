#include <gtest/gtest.h>

#include <set>

#include "core/l10n.h"
#include "core/scanner_diff.h"

namespace quillon {
namespace {

using EventKind = ScanEvent::Kind;

TmuxWindow window(std::int64_t index, std::string name, std::vector<std::string> commands = {"sh"}) {
    TmuxWindow w{index, std::move(name), false, static_cast<std::int64_t>(commands.size()), {}, "", ""};
    for (std::int64_t i = 0; i < w.paneCount; ++i) w.panes.push_back({i, false, commands[i], 0, 0, 0, "", ""});
    return w;
}

TmuxSession session(std::string id, std::string name, std::vector<TmuxWindow> windows = {}) {
    const auto count = static_cast<std::int64_t>(windows.size());
    return {std::move(name), std::move(id), {}, false, count, std::nullopt, "", std::move(windows)};
}

struct Seen {
    EventKind kind;
    std::string message;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* os) { *os << static_cast<int>(seen.kind) << " " << seen.message; }

std::vector<Seen> seen(const std::vector<ScanEvent>& events) {
    std::vector<Seen> result;
    for (const auto& e : events) result.push_back({e.kind, e.message});
    return result;
}

// Sessions matched by id, windows by index, panes by index; closed sessions first.
const std::vector<TmuxSession> before = {
    session("$0", "keep", {window(0, "a", {"sh", "sh"}), window(1, "gone"), window(2, "b")}),
    session("$1", "closed1"),
    session("$2", "renamed", {window(0, "x")}),
    session("$3", "closed2"),
};
std::vector<TmuxSession> after = {
    session("$4", "fresh", {window(0, "n")}),
    session("$2", "renamed2", {window(0, "y")}),
    session("$0", "keep", {window(3, "new"), window(2, "b2", {"vim", "top"}), window(0, "a", {"sh", "htop"})}),
};

TEST(ScannerDiff, EveryChangeIsOneEventInOrderInBothLanguages) {
    after[0].windowCount = 7;  // tmux's count, not the windows listed
    const std::vector<std::tuple<EventKind, std::string, std::string>> expected{
        {EventKind::sessionRemoved, "Session closed: closed1", "Sesiune închisă: closed1"},
        {EventKind::sessionRemoved, "Session closed: closed2", "Sesiune închisă: closed2"},
        {EventKind::sessionAdded, "Session opened: fresh (7 windows)", "Sesiune nouă: fresh (7 ferestre)"},
        {EventKind::sessionRenamed, "Renamed: renamed → renamed2", "Redenumită: renamed → renamed2"},
        {EventKind::windowRenamed, "renamed2 0: renamed x → y", "renamed2 0: redenumită x → y"},
        {EventKind::windowRemoved, "keep: window closed 1:gone", "keep: fereastră închisă 1:gone"},
        {EventKind::windowAdded, "keep: window opened 3:new", "keep: fereastră nouă 3:new"},
        {EventKind::windowRenamed, "keep 2: renamed b → b2", "keep 2: redenumită b → b2"},
        {EventKind::paneChanged, "keep 2.0: sh → vim", "keep 2.0: sh → vim"},
        {EventKind::paneChanged, "keep 2: pane-uri 1 → 2", "keep 2: pane-uri 1 → 2"},
        {EventKind::paneChanged, "keep 0.1: sh → htop", "keep 0.1: sh → htop"},
    };
    for (const bool english : {true, false}) {
        L10n::setLanguage(english ? AppLanguage::en : AppLanguage::ro);
        std::vector<Seen> all;
        for (const auto& [kind, en, ro] : expected) all.push_back({kind, english ? en : ro});
        EXPECT_EQ(seen(ScannerDiff::diff(before, after)), all);
        // Without windows and panes: the session events alone.
        EXPECT_EQ(seen(ScannerDiff::sessionLevelDiff(before, after)), std::vector<Seen>(all.begin(), all.begin() + 4));
    }
    EXPECT_TRUE(ScannerDiff::diff(after, after).empty());
}

TEST(ScannerDiff, TheFirstOfDuplicatedKeysCounts) {
    L10n::setLanguage(AppLanguage::en);
    const auto twice = session("$0", "a", {window(0, "one"), window(0, "dup")});
    // Both new entries match the old "a": only the second differs from it.
    EXPECT_EQ(seen(ScannerDiff::sessionLevelDiff({twice}, {session("$0", "a"), session("$0", "twin")})),
              (std::vector<Seen>{{EventKind::sessionRenamed, "Renamed: a → twin"}}));
    EXPECT_EQ(seen(ScannerDiff::windowDiff("a", twice, session("$0", "a", {window(0, "uno")}))),
              (std::vector<Seen>{{EventKind::windowRenamed, "a 0: renamed one → uno"}}));
}

TEST(ScannerDiff, ManySessionsAndWindowsAreMatchedByKeyNotPosition) {
    L10n::setLanguage(AppLanguage::en);
    std::vector<TmuxWindow> wide, rearranged;
    for (int i = 0; i < 40; ++i) wide.push_back(window(i, "w" + std::to_string(i)));
    for (int i = 39; i >= 1; --i) rearranged.push_back(window(i, i == 20 ? "twenty" : "w" + std::to_string(i)));
    rearranged.push_back(window(99, "late"));
    std::vector<TmuxSession> many{session("$9", "big", wide)}, reversed{session("$9", "big", rearranged)};
    for (int i = 0; i < 30; ++i) many.push_back(session("$" + std::to_string(100 + i), "s" + std::to_string(i)));
    for (int i = 29; i >= 0; --i) reversed.push_back(many[static_cast<std::size_t>(i) + 1]);
    EXPECT_EQ(seen(ScannerDiff::diff(many, reversed)), (std::vector<Seen>{
                                                          {EventKind::windowRemoved, "big: window closed 0:w0"},
                                                          {EventKind::windowRenamed, "big 20: renamed w20 → twenty"},
                                                          {EventKind::windowAdded, "big: window opened 99:late"},
                                                      }));
}

TEST(ScannerDiff, EventsCarryFreshIdsAndNoLocation) {
    std::set<std::string> ids;
    for (const auto& event : ScannerDiff::diff({}, std::vector<TmuxSession>(200, session("$1", "s")))) {
        ids.insert(event.id);
        EXPECT_FALSE(event.session || event.target);
    }
    EXPECT_EQ(ids.size(), 200u);
}

}  // namespace
}  // namespace quillon
