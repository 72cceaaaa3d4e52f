// Pane states in the main window against private servers with real programs in real panes:
// every pane row shows its pane's state, a session card and a sidebar session the most
// urgent state of their panes; a reading changes rows in place (no reset, the selection
// stays); a switch of server leaves nothing of the old one's states on panes whose ids
// coincide; the next-pane shortcut opens the panes that need the user, newest first, and
// says so when none does, in Romanian too.
#include <gtest/gtest.h>

#include <QStatusBar>

#include <cmath>
#include <set>

#include "app/pane_attention.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/sessions/pane_preview.h"
#include "app/ui/sessions/pane_rows.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/sessions/window_group.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/sidebar_model.h"
#include "app/ui/shell/sidebar_view.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/theme.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using ui::StateBadge;

// What a row shows: the badge's text, or "" for none.
QString shown(const std::optional<StateBadge>& badge) { return badge ? badge->text() : QString(); }
QString shown(const QModelIndex& index) {
    const QVariant badge = index.data(StateBadge::role);
    return badge.isValid() ? badge.value<StateBadge>().text() : QString();
}

// Counts what would make a view lose its scroll position or selection.
struct ResetCounter {
    explicit ResetCounter(QAbstractItemModel& model) {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { ++resets; });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [this] { ++removals; });
        QObject::connect(&model, &QAbstractItemModel::dataChanged, [this](const QModelIndex& first, const QModelIndex& last) {
            for (int row = first.row(); row <= last.row(); ++row) repainted.insert(row);
        });
    }
    int resets = 0;
    int removals = 0;
    std::set<int> repainted;  // rows reported changed
};

class PaneBadgesTest : public UiFixture {
protected:
    std::string firstPane(const std::string& session) {
        return std::string(text::trim(tmux({"display-message", "-p", "-t", session + ":0.0", "#{pane_id}"})));
    }
    void startAttention() {
        attention = std::make_unique<PaneAttention>(*env);
        context->attention = attention.get();
        attention->start();
    }
    ui::SidebarModel& sidebarOf(ui::MainWindow& window) {
        return static_cast<ui::SidebarModel&>(*window.findChild<ui::SidebarView*>()->model());
    }
    QString sidebarState(ui::MainWindow& window, const std::string& session) {
        return shown(sidebarOf(window).indexOf(ui::SidebarItem::session(session)));
    }
    static QString cardState(ui::DashboardView& dashboard, const std::string& session) {
        const int row = dashboard.cardModel()->rowOf(session);
        return row < 0 ? QStringLiteral("no card") : shown(dashboard.cardModel()->stateAt(row));
    }
    // The state on the card of the pane in the session screen's window groups.
    static QString paneState(ui::SessionDetailView& detail, const std::string& paneId) {
        for (ui::WindowGroup* group : detail.windowGroups()) {
            auto* model = static_cast<ui::PaneListModel*>(group->paneList()->model());
            for (int row = 0; row < model->rowCount(); ++row)
                if (model->at(row).paneID == paneId) return shown(model->index(row));
        }
        return QStringLiteral("no row");
    }

    std::unique_ptr<PaneAttention> attention;
};

TEST_F(PaneBadgesTest, RowsCardsAndSidebarShowTheStatesInPlace) {
    sandbox.newSession(server, "work");
    sandbox.newSession(server, "calm");
    const std::string asking = firstPane("work"), sleeping = newPane("work");
    startStores();
    startAttention();
    ui::MainWindow window(*context);
    window.resize(1200, 800);
    ui::DashboardView& dashboard = *window.dashboard();
    ResetCounter cards(*dashboard.cardModel()), sidebar(sidebarOf(window));

    type(asking, "read -p 'Continue? ' answer");
    type(sleeping, "sleep 600");
    ASSERT_TRUE(waitUntil([&] { return cardState(dashboard, "work") == "Waiting for input"; }, 30s))
        << cardState(dashboard, "work").toStdString();
    ASSERT_TRUE(waitUntil([&] { return cardState(dashboard, "calm") == "At the prompt"; }, 30s))
        << cardState(dashboard, "calm").toStdString();
    EXPECT_EQ(sidebarState(window, "work"), "Waiting for input");
    EXPECT_EQ(sidebarState(window, "calm"), "At the prompt");
    // A screen reader hears the state with the session.
    const QModelIndex workCard = dashboard.cardModel()->index(dashboard.cardModel()->rowOf("work"));
    EXPECT_TRUE(workCard.data(Qt::AccessibleTextRole).toString().endsWith(", Waiting for input"))
        << workCard.data(Qt::AccessibleTextRole).toString().toStdString();
    const QModelIndex workRow = sidebarOf(window).indexOf(ui::SidebarItem::session("work"));
    EXPECT_TRUE(workRow.data(Qt::AccessibleTextRole).toString().endsWith(", Waiting for input"));
    EXPECT_EQ(workRow.data(Qt::ToolTipRole).toString(), "Waiting for input");

    // Each pane row its own state; the session screen stays selected while states change.
    window.select(ui::SidebarItem::session("work"));
    auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
    ASSERT_NE(detail, nullptr);
    ASSERT_TRUE(waitUntil([&] { return paneState(*detail, sleeping) == "Running"; }, 30s))
        << paneState(*detail, sleeping).toStdString();
    EXPECT_EQ(paneState(*detail, asking), "Waiting for input");

    // Answered, the read ends and the pane moves on; the session takes the next most urgent,
    // and its card is told to repaint.
    cards.repainted.clear();
    type(asking, "yes");
    ASSERT_TRUE(waitUntil([&] { return paneState(*detail, asking) != "Waiting for input"; }, 30s));
    ASSERT_TRUE(waitUntil([&] { return cardState(dashboard, "work") != "Waiting for input"; }, 30s));
    EXPECT_TRUE(waitUntil([&] { return sidebarState(window, "work") == cardState(dashboard, "work"); }));
    const QString after = paneState(*detail, asking);
    EXPECT_TRUE(after == "At the prompt" || after == "Finished") << after.toStdString();
    EXPECT_TRUE(cardState(dashboard, "work") == "Running" || cardState(dashboard, "work") == "Finished")
        << cardState(dashboard, "work").toStdString();
    EXPECT_TRUE(cards.repainted.count(dashboard.cardModel()->rowOf("work")));
    EXPECT_EQ(window.selection(), ui::SidebarItem::session("work"));
    EXPECT_EQ(window.currentScreen(), detail);
    EXPECT_EQ(cards.resets + sidebar.resets, 0);
    EXPECT_EQ(cards.removals + sidebar.removals, 0);

    // Romanian, with the texts of the states themselves.
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(paneState(*detail, sleeping), "Rulează");
    EXPECT_EQ(cardState(dashboard, "calm"), "La prompt");
    env->setLanguage(AppLanguage::en);
}

// A pane whose state cannot be read says so on its row, and only there: a session shows nothing.
TEST_F(PaneBadgesTest, UnknownOnlyWherePaneRowsHaveRoom) {
    L10n::setLanguage(AppLanguage::en);
    PaneStatus unknown{"%1", PaneState::unknown};
    EXPECT_EQ(shown(StateBadge::of(&unknown, true)), "state unknown");
    EXPECT_FALSE(StateBadge::of(&unknown, false));
    EXPECT_FALSE(StateBadge::of(nullptr, true));
    PaneStatus failed{"%2", PaneState::exited};
    failed.exitStatus = 3;
    EXPECT_EQ(shown(StateBadge::of(&failed, false)), "Exited · status 3");
    failed.exitStatus.reset();
    failed.exitSignal = 9;
    EXPECT_EQ(shown(StateBadge::of(&failed, false)), "Exited · signal 9");
    PaneStatus rang{"%3", PaneState::running};
    rang.bellAt = Clock::now();
    EXPECT_EQ(shown(StateBadge::of(&rang, false)), "Bell");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(shown(StateBadge::of(&rang, false)), "Clopoțel");
    EXPECT_EQ(shown(StateBadge::of(&unknown, true)), "stare necunoscută");
    L10n::setLanguage(AppLanguage::en);
}

// WCAG's contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// Every coloured state's text reads on its badge at 4.5:1 in both appearances.
TEST_F(PaneBadgesTest, StateColoursReadInLightAndDark) {
    L10n::setLanguage(AppLanguage::en);
    const std::pair<PaneState, std::optional<int>> states[] = {
        {PaneState::waitingForInput, {}}, {PaneState::exited, 3}, {PaneState::finished, {}}, {PaneState::running, {}}};
    for (AppAppearance appearance : {AppAppearance::light, AppAppearance::dark}) {
        ui::Theme::applyAppearance(appearance);
        const QPalette palette = QApplication::palette();
        for (const auto& [state, exit] : states) {
            PaneStatus status;
            status.state = state;
            status.exitStatus = exit;
            const auto badge = StateBadge::of(&status, false);
            ASSERT_TRUE(badge);
            EXPECT_GE(contrast(badge->color(palette), badge->fill(palette)), 4.5)
                << badge->text().toStdString() << (appearance == AppAppearance::dark ? " dark" : " light");
        }
    }
    ui::Theme::applyAppearance(AppAppearance::system);
}

// After a switch the new server's panes carry the same ids as the old one's: nothing the old
// server's panes showed may stand on them.
TEST_F(PaneBadgesTest, ASwitchOfServerLeavesNoStaleState) {
    sandbox.newSession(server, "work");
    const std::string asking = firstPane("work");
    startStores();
    startAttention();
    ui::MainWindow window(*context);
    window.select(ui::SidebarItem::session("work"));
    type(asking, "cat");
    ASSERT_TRUE(waitUntil([&] { return sidebarState(window, "work") == "Waiting for input"; }, 30s));
    auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
    ASSERT_NE(detail, nullptr);
    ASSERT_EQ(paneState(*detail, asking), "Waiting for input");

    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "work");
    const std::string there(text::trim(sandbox.tmux(other, {"display-message", "-p", "-t", "work:0.0", "#{pane_id}"})));
    ASSERT_EQ(there, asking);
    env->setSocketValue(other);
    env->applySocketSettings();
    // Until the new server's first reading its rows show no state (or are not there yet).
    EXPECT_EQ(sidebarState(window, "work"), "");
    EXPECT_NE(cardState(*window.dashboard(), "work"), "Waiting for input");
    EXPECT_NE(paneState(*detail, asking), "Waiting for input");
    // Then the new server's own reading: its pane is at its prompt.
    ASSERT_TRUE(waitUntil([&] { return sidebarState(window, "work") == "At the prompt"; }, 30s))
        << sidebarState(window, "work").toStdString();
    detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(waitUntil([&] { return paneState(*detail, there) == "At the prompt"; }, 30s))
        << paneState(*detail, there).toStdString();
    sandbox.tmux(other, {"kill-server"});
}

// Ctrl+J opens the newest pane that needs the user, then the next, then says none does.
TEST_F(PaneBadgesTest, TheShortcutOpensEachPaneThatNeedsYouNewestFirst) {
    sandbox.newSession(server, "work");
    sandbox.newSession(server, "other");
    const std::string older = firstPane("work"), newer = firstPane("other");
    startStores();
    startAttention();
    ui::MainWindow window(*context);
    QAction* next = window.nextNeedAction();
    EXPECT_EQ(next->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
    EXPECT_TRUE(next->toolTip().endsWith("(Ctrl+J)")) << next->toolTip().toStdString();
    bool inMenu = false;
    for (QMenu* menu : window.findChildren<QMenu*>()) inMenu |= menu->actions().contains(next);
    EXPECT_TRUE(inMenu);
    // No other action of the window answers the same key.
    for (QAction* action : window.findChildren<QAction*>())
        if (action != next) EXPECT_FALSE(action->shortcuts().contains(next->shortcut())) << action->text().toStdString();

    next->trigger();
    EXPECT_EQ(window.statusBar()->currentMessage(), "Nothing needs you now");
    EXPECT_EQ(window.statusBar()->accessibleName(), "Nothing needs you now");

    type(older, "read -p 'First? ' a");
    ASSERT_TRUE(waitUntil([&] { return attention->needsYou().size() == 1; }, 30s));
    type(newer, "cat");
    ASSERT_TRUE(waitUntil([&] { return attention->needsYou().size() == 2; }, 30s));

    auto shownPane = [&]() -> std::string {
        auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
        if (!detail || detail->currentTab() != ui::SessionDetailView::Tab::preview || !detail->preview()->pane()) return {};
        return detail->preview()->pane()->paneID;
    };
    next->trigger();
    EXPECT_EQ(window.selection(), ui::SidebarItem::session("other"));
    EXPECT_EQ(shownPane(), newer);
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("other:0.0 — Waiting for input"))
        << window.statusBar()->currentMessage().toStdString();
    ASSERT_EQ(attention->needsYou().size(), 1u);

    // In Romanian, the next one by the key itself.
    env->setLanguage(AppLanguage::ro);
    EXPECT_TRUE(next->toolTip().endsWith("(Ctrl+J)")) << next->toolTip().toStdString();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(window.selection(), ui::SidebarItem::session("work"));
    EXPECT_EQ(shownPane(), older);
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("work:0.0 — Așteaptă input"))
        << window.statusBar()->currentMessage().toStdString();
    ASSERT_TRUE(waitUntil([&] {
        auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
        return detail && detail->preview()->shownText().contains("First?");
    }));

    next->trigger();
    EXPECT_EQ(window.statusBar()->currentMessage(), "Nimic nu te așteaptă acum");
    EXPECT_EQ(shownPane(), older);
    env->setLanguage(AppLanguage::en);
}

}  // namespace
}  // namespace quillon::testing
