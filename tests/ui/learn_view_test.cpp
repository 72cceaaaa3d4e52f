// The learn screen: search over keys, titles and details (not category names), the live prefix
// on every key cap and in what the copy buttons put on the clipboard, and a change of prefix or
// language shown at once.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

#include "app/ui/learn_view.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using Shown = std::vector<std::pair<QString, std::vector<QString>>>;

class LearnViewTest : public UiFixture {};

TEST_F(LearnViewTest, SearchKeepsMatchingItemsOnly) {
    sandbox.newSession(server, "main");
    startStores();
    ui::LearnView view(*context);
    const Shown zoom{{"Panes", {"Zoom"}}};
    const struct {
        const char* query;
        Shown shown;
    } cases[] = {
        {"zoom", zoom},
        {"ZOOM", zoom},
        {"Odds and ends", {}},  // category names are not searched
        {"nothing matches this", {}},
        {"kill-SERVER", {{"Quick start (CLI)", {"Kill everything"}}}},
        {"superpower", {{"Sessions", {"Detach"}}}},
    };
    for (const auto& c : cases) {
        view.searchField()->setText(c.query);
        EXPECT_EQ(view.shownItems(), c.shown) << c.query;
    }
    view.searchField()->clear();
    const Shown all = view.shownItems();
    ASSERT_EQ(all.size(), 6u);
    std::size_t items = 0;
    for (const auto& [category, titles] : all) items += titles.size();
    EXPECT_EQ(items, 42u);
}

TEST_F(LearnViewTest, KeysCarryTheLivePrefixAndFollowPrefixAndLanguage) {
    sandbox.newSession(server, "main");
    tmux({"set-option", "-g", "prefix", "C-a"});
    startStores();
    ui::LearnView view(*context);
    const std::size_t sessions = 1, detach = 0, quickStart = 0, list = 2, create = 0;
    EXPECT_EQ(view.shownKeys(sessions, detach), "C-a d");
    QTest::mouseClick(view.copyButton(sessions, detach), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "C-a d");
    QTest::mouseClick(view.copyButton(quickStart, list), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "tmux ls");

    // Creating a session re-reads the prefix.
    tmux({"set-option", "-g", "prefix", "C-s"});
    ASSERT_TRUE(finish([&](AppEnvironment::Done done) { env->createSession("second", std::nullopt, done); }));
    ASSERT_TRUE(waitUntil([&] { return env->prefix() == "C-s"; }));
    EXPECT_EQ(view.shownKeys(sessions, detach), "C-s d");
    QTest::mouseClick(view.copyButton(sessions, detach), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "C-s d");

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(view.shownItems().front().first, "Început rapid (CLI)");
    EXPECT_EQ(view.shownKeys(quickStart, create), "tmux new -s nume");
    view.searchField()->setText("SUPERPUTEREA");
    EXPECT_EQ(view.shownItems(), (Shown{{"Sesiuni", {"Detach"}}}));
}

}  // namespace
}  // namespace quillon::testing
