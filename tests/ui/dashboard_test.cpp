// The dashboard against a private server: tiles and cards say what tmux holds, card buttons
// and menu reach the right session, the empty state offers the first one, and idle sessions
// are killed only once confirmed.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/components.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/sessions/session_card_delegate.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/widgets/ui_text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class DashboardTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "alpha");
        sandbox.newWindow(server, "alpha", "logs");
        sandbox.newSession(server, "beta");
        sandbox.splitWindow(server, "beta:0");
        startStores();
    }
};

TEST_F(DashboardTest, TilesCardsAndTheEmptyStateSayWhatTheServerHolds) {
    ui::DashboardView dashboard(*context);
    QStringList tiles;
    for (ui::StatTile* tile : dashboard.tiles()) tiles << tile->title() + ": " + tile->value();
    EXPECT_EQ(tiles, (QStringList{"Server: Running", "Sessions: 2", "Windows: 3", "Panes: 4",
                                  "Version: " + ui::qs(env->tmuxVersion()), "Prefix: C-b"}));
    ASSERT_EQ(dashboard.cardModel()->rowCount(), 2);
    EXPECT_EQ(dashboard.cardModel()->session(1).name, "beta");

    // A refresh touches only what changed: the kept card stays the same row.
    QPersistentModelIndex beta = dashboard.cardModel()->index(1);
    tmux({"kill-session", "-t", "=alpha"});
    refreshNow();
    EXPECT_EQ(beta.row(), 0);
    EXPECT_EQ(dashboard.tiles()[1]->value(), "1");

    // Without sessions the empty state offers the first one.
    sandbox.killServer(server);
    refreshNow();
    dashboard.show();
    auto* empty = dashboard.findChild<ui::EmptyState*>();
    ASSERT_TRUE(empty && empty->isVisible());
    EXPECT_EQ(empty->title(), "No tmux server is running");
    EXPECT_EQ(dashboard.tiles()[0]->value(), "Stopped");
    ASSERT_NE(buttonNamed(dashboard, "Create the first session"), nullptr);
    buttonNamed(dashboard, "Create the first session")->click();
    EXPECT_EQ(navigator.calls, std::vector<std::string>{"new-session"});
}

TEST_F(DashboardTest, CardButtonsAndMenuActOnTheirOwnSession) {
    ui::DashboardView dashboard(*context);
    dashboard.resize(900, 600);
    dashboard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dashboard));
    auto* delegate = static_cast<ui::CardDelegate*>(dashboard.cards()->itemDelegate());
    const QModelIndex second = dashboard.cardModel()->index(1);
    const QRect row = dashboard.cards()->visualRect(second);
    const auto rects = delegate->buttonRects(row, delegate->buttons(second), dashboard.cards()->font());
    QTest::mouseClick(dashboard.cards()->viewport(), Qt::LeftButton, {}, rects[ui::SessionCardDelegate::attach].center());
    QTest::mouseClick(dashboard.cards()->viewport(), Qt::LeftButton, {}, rects[ui::SessionCardDelegate::folder].center());
    ASSERT_TRUE(waitUntil([&] { return desktop.opened().size() == 1; }));
    // The terminal attaches by the id taken with the click, not by a name that may move.
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "attach-session -t '" + env->sessions()[1].sessionID + "'"));
    EXPECT_EQ(desktop.directories, std::vector<std::string>{env->sessions()[1].path});

    auto menu = dashboard.cardMenu(0);
    for (const auto& [item, verb] : {std::pair{"Copy attach command", "attach"}, {"Copy kill command", "kill-session"}}) {
        actionNamed(*menu, item)->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "tmux -L " + server + " " + verb + " -t '=alpha'");
    }
    // An open menu whose session went away offers nothing.
    tmux({"kill-session", "-t", "=alpha"});
    refreshNow();
    for (QAction* action : menu->actions()) EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
}

TEST_F(DashboardTest, IdleSessionsAreNamedAndKilledOnlyOnceConfirmed) {
    env->setIdleThresholdHours(0.0003);  // a little over a second
    QTest::qWait(1300);
    refreshNow();
    ui::DashboardView dashboard(*context);
    auto* banner = dashboard.findChild<QWidget*>("idleBanner");
    ASSERT_TRUE(banner->isVisibleTo(&dashboard));
    EXPECT_EQ(banner->accessibleName(), "2 idle sessions");
    EXPECT_EQ(banner->accessibleDescription(), "detached for over 0h: alpha, beta");

    answerNextBox("Cancel");
    dashboard.confirmIdleCleanup();
    refreshNow();
    EXPECT_EQ(env->sessions().size(), 2u);

    answerNextBox("Kill 2 sessions");
    dashboard.confirmIdleCleanup();
    EXPECT_TRUE(waitUntil([&] { return !hasSession("alpha") && !hasSession("beta"); }));
}

}  // namespace
}  // namespace quillon::testing
