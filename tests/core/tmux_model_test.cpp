#include "core/tmux_model.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "core/l10n.h"
#include "core/tmux_error.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

TmuxSession session() {
    TmuxSession s{"work", "$1", fromEpochSeconds(1000), false, 3, std::nullopt, "/w", {}};
    TmuxWindow w{2, "edit", true, 5, {}, "", "work:2"};
    w.panes.push_back({0, true, "vim", 10, 80, 24, "/w", "work:2.0"});
    s.windows = {w, TmuxWindow{3, "logs", false, 4, {}, "", "work:3"}};
    return s;
}

TEST(TmuxModel, PaneCountCountsAttachedPanes) {
    auto s = session();
    EXPECT_EQ(s.paneCount(), 1);
    s.windows[0].panes.clear();
    EXPECT_EQ(s.paneCount(), 0);
}

TEST(TmuxModel, IdleIsStrictlyOlderAndNeverAttached) {
    auto s = session();
    const auto now = s.created + 3600s;
    EXPECT_FALSE(s.isIdle(3600s, now));
    EXPECT_TRUE(s.isIdle(3600s, now + 1ms));
    s.lastAttached = s.created + 1800s;
    EXPECT_EQ(s.idleReference(), *s.lastAttached);
    EXPECT_FALSE(s.isIdle(3600s, now + 1ms));
    s.isAttached = true;
    EXPECT_FALSE(s.isIdle(1s, now + 1000h));
}

TEST(TmuxModel, IdsSurviveChangesWhileEqualityDoesNot) {
    auto a = session();
    auto b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<TmuxSession>{}(a), std::hash<TmuxSession>{}(b));
    b.windows[0].panes[0].command = "zsh";
    EXPECT_NE(a, b);
    EXPECT_EQ(a.windows[0].panes[0].id(), b.windows[0].panes[0].id());
    EXPECT_NE(std::hash<TmuxSession>{}(a), std::hash<TmuxSession>{}(b));
    b = a;
    b.lastAttached = b.created;
    EXPECT_NE(a, b);
    std::unordered_set<TmuxWindow> windows(a.windows.begin(), a.windows.end());
    EXPECT_EQ(windows.size(), 2u);
}

TEST(TmuxError, DescriptionsInBothLanguages) {
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(TmuxError::commandFailed("can't find session: x").localizedDescription(), "can't find session: x");
    EXPECT_EQ(TmuxError::binaryNotFound().localizedDescription(),
              "Could not find the tmux binary. Install it with “sudo apt install tmux”.");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(TmuxError::commandFailed("can't find session: x").localizedDescription(), "can't find session: x");
    EXPECT_EQ(TmuxError::binaryNotFound().localizedDescription(),
              "Nu am găsit binarul tmux. Instalează-l cu „sudo apt install tmux”.");
}

}  // namespace
}  // namespace quillon
