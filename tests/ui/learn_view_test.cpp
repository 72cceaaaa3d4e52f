// The learn screen: search over keys, titles and details (not category names), the live prefix
// on every key cap and in what the copy buttons put on the clipboard, and a change of prefix or
// language shown at once.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

#include "app/ui/learn/learn_view.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using Shown = std::vector<std::pair<QString, std::vector<QString>>>;

class LearnViewTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        tmux({"set-option", "-g", "prefix", "C-a"});
        startStores();
    }
};

TEST_F(LearnViewTest, SearchKeepsMatchingItemsOnly) {
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
}

TEST_F(LearnViewTest, KeysCarryTheLivePrefixAndFollowPrefixAndLanguage) {
    ui::LearnView view(*context);
    const std::size_t sessions = 1, detach = 0, quickStart = 0, list = 2, create = 0;
    const auto copied = [&](std::size_t category, std::size_t item) {
        QTest::mouseClick(view.copyButton(category, item), Qt::LeftButton);
        return QGuiApplication::clipboard()->text();
    };
    EXPECT_EQ(view.shownKeys(sessions, detach), "C-a d");
    EXPECT_EQ(copied(sessions, detach), "C-a d");
    EXPECT_EQ(copied(quickStart, list), "tmux ls");

    // Creating a session re-reads the prefix.
    tmux({"set-option", "-g", "prefix", "C-s"});
    ASSERT_TRUE(finish([&](AppEnvironment::Done done) { env->createSession("second", std::nullopt, done); }));
    ASSERT_TRUE(waitUntil([&] { return env->prefix() == "C-s"; }));
    EXPECT_EQ(view.shownKeys(sessions, detach), "C-s d");
    EXPECT_EQ(copied(sessions, detach), "C-s d");

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(view.shownItems().front().first, "Început rapid (CLI)");
    EXPECT_EQ(view.shownKeys(quickStart, create), "tmux new -s nume");
    view.searchField()->setText("SUPERPUTEREA");
    EXPECT_EQ(view.shownItems(), (Shown{{"Sesiuni", {"Detach"}}}));
}

}  // namespace
}  // namespace quillon::testing
