// The watcher's reading of tmux: which lines ask for a snapshot, the subscription's value,
// and values laid onto a session tree only while it has the same panes.
#include <gtest/gtest.h>

#include <functional>

#include "core/server_watch.h"

namespace quillon {
namespace {

using ServerWatch::Line;
using ServerWatch::LiveValues;

TEST(ServerWatch, LinesAreSortedByWhatTheyAskFor) {
    const struct {
        const char* line;
        Line kind;
    } cases[] = {
        {"%sessions-changed", Line::structure},
        {"%session-renamed $1 new name", Line::structure},
        {"%session-window-changed $1 @2", Line::structure},
        {"%window-add @3", Line::structure},
        {"%window-close @3", Line::structure},
        {"%window-renamed @3 a b", Line::structure},
        {"%unlinked-window-add @4", Line::structure},
        {"%unlinked-window-close @4", Line::structure},
        {"%unlinked-window-renamed @4 x", Line::structure},
        {"%layout-change @3 b25d,80x24,0,0,1 b25d,80x24,0,0,1 *", Line::structure},
        {"%window-pane-changed @3 %5", Line::structure},
        {"%client-session-changed /dev/pts/3 $1 main", Line::structure},
        {"%client-detached /dev/pts/3", Line::structure},
        {"%subscription-changed quillon-live $0 - - - : S\x1f$0\x1f" "1\x1e", Line::values},
        {"%session-changed $0 main", Line::attached},
        {"%exit", Line::exited},
        {"%exit detached", Line::exited},
        {"%begin 1 2 0", Line::reply},
        {"%end 1 2 0", Line::reply},
        {"%pane-mode-changed %1", Line::reply},
        {"%sessions-changedx", Line::reply},  // a head is a whole word
        {"open terminal failed: not a terminal", Line::unknown},
        {"", Line::unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(ServerWatch::classify(c.line), c.kind) << c.line;
}

TEST(ServerWatch, TheSubscriptionAsksForEveryPaneOfEverySession) {
    const std::string command = ServerWatch::subscribeCommand();
    EXPECT_TRUE(command.starts_with("refresh-client -B 'quillon-live::#{S:"));
    for (const char* field : {"#{W:W", "#{P:P", "#{session_id}", "#{session_attached}", "#{window_id}",
                              "#{window_layout}", "#{window_zoomed_flag}", "#{window_active}", "#{window_activity}",
                              "#{window_bell_flag}", "#{pane_id}", "#{pane_dead}", "#{pane_current_command}",
                              "#{pane_current_path}"})
        EXPECT_NE(command.find(field), std::string::npos) << field;
    EXPECT_EQ(command.find('\'', 20), command.size() - 1);  // one quoted word, closed at the end
    EXPECT_EQ(ServerWatch::clientFlags(), "read-only,ignore-size,no-output");
}

TEST(ServerWatch, ValuesAreReadOnlyFromOurSubscriptionAndWhole) {
    const std::string value = "S\x1f$0\x1f" "2\x1eW\x1f@1\x1f" "b25d,80x24,0,0,0\x1f" "1\x1f" "0\x1f" "1765200000\x1f" "1\x1e"
                              "P\x1f%0\x1f" "0\x1f" "bash\x1f/home/a b\x1eP\x1f%3\x1f" "1\x1fvim\x1f/srv\x1e";
    const std::string line = "%subscription-changed quillon-live $0 - - - : " + value;
    const auto view = ServerWatch::subscriptionValue(line);
    ASSERT_TRUE(view);
    const auto values = LiveValues::parse(*view);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->sessions, (std::vector<LiveValues::Session>{{"$0", 2}}));
    EXPECT_EQ(values->windows,
              (std::vector<LiveValues::Window>{{"@1", "b25d,80x24,0,0,0", true, false, "1765200000", true}}));
    EXPECT_EQ(values->panes, (std::vector<LiveValues::Pane>{{"%0", "bash", "/home/a b", false, "@1"},
                                                           {"%3", "vim", "/srv", true, "@1"}}));
    EXPECT_EQ(LiveValues::parse(""), LiveValues{});  // a server without panes

    const std::string others = "%subscription-changed other $0 - - - : " + value;
    EXPECT_FALSE(ServerWatch::subscriptionValue(others));
    EXPECT_FALSE(ServerWatch::subscriptionValue("%subscription-changed quillon-live $0 - - -"));
    for (const std::string broken :
         {"S\x1f$0\x1f" "2", "S\x1f$0\x1fmany\x1e", "P\x1f%0\x1f" "bash\x1e", "P\x1f%0\x1fno\x1f" "bash\x1f/\x1e", "X\x1e",
          "W\x1f@1\x1fl\x1fyes\x1f" "0\x1f" "5\x1f" "0\x1e", "W\x1f@1\x1fl\x1f" "1\x1e",
          "W\x1f@1\x1fl\x1f" "1\x1f" "0\x1f" "5\x1f" "bell\x1e", "W\x1f@1\x1fl\x1f" "1\x1f" "0\x1e"})
        EXPECT_FALSE(LiveValues::parse(broken)) << broken;
}

TmuxPane pane(std::string id, std::string command, std::string path) {
    TmuxPane p;
    p.paneID = std::move(id);
    p.command = std::move(command);
    p.path = std::move(path);
    return p;
}

TEST(ServerWatch, ValuesChangeRowsOnlyWhenThePanesAndWindowsAreTheSame) {
    TmuxSession session;
    session.sessionID = "$0";
    TmuxWindow first, second;
    first.windowID = "@0";
    first.layout = "aaaa,80x24,0,0{40x24,0,0,0,39x24,41,0,1}";
    first.isActive = true;
    first.panes = {pane("%0", "bash", "/a"), pane("%1", "bash", "/b")};
    second.windowID = "@1";
    second.layout = "bbbb,80x24,0,0,2";
    second.panes = {pane("%2", "top", "/c")};
    session.windows = {first, second};
    const std::vector<TmuxSession> tree{session};

    // In tmux's order, which need not be the model's.
    LiveValues values{{{"$0", 1}},
                      {{"@1", second.layout, false, false, "", false}, {"@0", first.layout, false, true, "", false}},
                      {{"%2", "top", "/c", false, "@1"}, {"%0", "make", "/a/src", false, "@0"}, {"%1", "bash", "/b", false, "@0"}}};
    const auto updated = ServerWatch::withValues(tree, values);
    ASSERT_TRUE(updated);
    EXPECT_EQ(updated->at(0).windows[0].panes[0].command, "make");
    EXPECT_EQ(updated->at(0).windows[0].panes[0].path, "/a/src");
    EXPECT_EQ(updated->at(0).windows[1].panes[0], tree[0].windows[1].panes[0]);

    // A pane more, a pane less, another pane; a window more or less; a window of another
    // session rearranged, zoomed or made active (tmux tells only of the watcher's session):
    // the tree no longer matches and a snapshot must tell what changed.
    std::vector<LiveValues> changed(8, values);
    changed[0].panes.push_back({"%9", "sh", "/", false, "@0"});
    changed[1].panes.pop_back();
    changed[2].panes[0].id = "%7";
    changed[3].windows.push_back({"@5", "cccc,80x24,0,0,5", false, true, "", false});
    changed[4].windows.pop_back();
    changed[5].windows[0].layout = "dddd,80x24,0,0[80x12,0,0,2,80x11,0,13,3]";
    changed[6].windows[0].isZoomed = true;
    changed[7].windows[0].isActive = true;
    for (std::size_t i = 0; i < changed.size(); ++i) EXPECT_FALSE(ServerWatch::withValues(tree, changed[i])) << i;
}

// What tells the pane states to read at once, and what does not.
TEST(ServerWatch, PanesStirWhenTheyPrintRingDieOrRunSomethingElse) {
    const LiveValues before{{{"$0", 1}},
                            {{"@0", "l0", false, true, "100", false}, {"@1", "l1", false, false, "100", false}},
                            {{"%0", "bash", "/a", false, "@0"}, {"%1", "bash", "/b", false, "@0"},
                             {"%2", "make", "/c", false, "@1"}}};
    struct Case {
        const char* what;
        std::function<void(LiveValues&)> change;
        std::vector<std::string> stirred;
    };
    const std::vector<Case> cases = {
        {"nothing", [](LiveValues&) {}, {}},
        {"a window printed: all its panes", [](LiveValues& v) { v.windows[0].activity = "101"; }, {"%0", "%1"}},
        {"a window rang", [](LiveValues& v) { v.windows[1].hasBell = true; }, {"%2"}},
        {"another command", [](LiveValues& v) { v.panes[1].command = "vim"; }, {"%1"}},
        {"a pane died", [](LiveValues& v) { v.panes[2].isDead = true; }, {"%2"}},
        {"a new pane", [](LiveValues& v) { v.panes.push_back({"%3", "bash", "/", false, "@1"}); }, {"%3"}},
        {"a new window's panes", [](LiveValues& v) {
             v.windows.push_back({"@2", "l2", false, false, "100", false});
             v.panes.push_back({"%4", "bash", "/", false, "@2"});
         }, {"%4"}},
        {"only a path, a layout or a client", [](LiveValues& v) {
             v.panes[0].path = "/elsewhere";
             v.windows[0].layout = "other";
             v.sessions[0].clients = 2;
         }, {}},
    };
    for (const auto& c : cases) {
        LiveValues after = before;
        c.change(after);
        EXPECT_EQ(ServerWatch::stirredPanes(before, after), c.stirred) << c.what;
    }
    // The first values after an attach: every pane is worth a reading.
    EXPECT_EQ(ServerWatch::stirredPanes({}, before), (std::vector<std::string>{"%0", "%1", "%2"}));
}

}  // namespace
}  // namespace quillon
