// The tray's "Needs you" against a private server with real programs in real panes: a pane
// that waits for input, one whose program exits with an error and one that rang a bell are
// listed newest first; choosing one (click or Return) opens its preview and takes it off the
// list; the tray's badge counts them in the warning colour meanwhile.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>

#include "app/pane_attention.h"
#include "app/ui/sessions/pane_preview.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/shell/needs_you_list.h"
#include "app/ui/shell/tray_icon.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

class NeedsYouTest : public UiFixture {
protected:
    static QStringList rows(const QListWidget& list) {
        QStringList out;
        for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
        return out;
    }
    static int rowOf(const QListWidget& list, const QString& start) {
        for (int i = 0; i < list.count(); ++i)
            if (list.item(i)->text().startsWith(start)) return i;
        return -1;
    }
};

TEST_F(NeedsYouTest, PanesThatNeedTheUserAreListedUntilLookedAt) {
    sandbox.newSession(server, "work");
    tmux({"set-option", "-g", "remain-on-exit", "on"});
    const std::string asking = newPane("work"), ringing = newPane("work");
    startStores();
    PaneAttention attention(*env);
    ui::MenuBarView panel(*context);
    panel.showAttention(attention);
    ui::TrayIcon tray(*context);
    tray.followAttention(attention);
    attention.start();
    auto* list = panel.needsYou()->list();
    std::vector<std::string> chosen;
    QObject::connect(&panel, &ui::MenuBarView::paneChosen, &panel,
                     [&](const std::string&, const std::string& session, const std::string& pane) {
                         chosen.push_back(session + " " + pane);
                     });
    EXPECT_FALSE(panel.needsYou()->isVisibleTo(&panel));
    EXPECT_FALSE(tray.badgeWarns());

    type(asking, "read -p 'Continue? ' answer");
    ASSERT_TRUE(waitUntil([&] { return list->count() == 1; }, 30s)) << rows(*list).join('\n').toStdString();
    EXPECT_TRUE(rows(*list)[0].startsWith("work:1.0 — Waiting for input")) << rows(*list)[0].toStdString();
    EXPECT_TRUE(panel.needsYou()->isVisibleTo(&panel));
    EXPECT_EQ(panel.needsYou()->title()->text(), "Needs you (1)");

    // Newer ones come first: a failed program and a bell (tmux dates a bell to the second,
    // so those two may stand either way round), then the older wait.
    const std::string failing = newPane("work", "sh -c 'echo broken; exit 3'");
    ASSERT_TRUE(waitUntil([&] { return list->count() == 2; }, 30s)) << rows(*list).join('\n').toStdString();
    type(ringing, "printf '\\a'");
    ASSERT_TRUE(waitUntil([&] { return list->count() == 3; }, 30s)) << rows(*list).join('\n').toStdString();
    EXPECT_GE(rowOf(*list, "work:2.0 — Bell"), 0) << rows(*list).join('\n').toStdString();
    // tmux 3.3a now and then tells how a pane ended late, or never: then the row says less.
    const bool told = waitUntil([&] { return rowOf(*list, "work:3.0 — Exited · status 3") >= 0; }, 10s);
    if (!told) ASSERT_TRUE(text::trim(tmux({"display-message", "-p", "-t", failing, "#{pane_dead_status}"})).empty());
    EXPECT_GE(rowOf(*list, "work:3.0 — Exited"), 0) << rows(*list).join('\n').toStdString();
    EXPECT_EQ(rowOf(*list, "work:1.0 — Waiting for input"), 2) << rows(*list).join('\n').toStdString();
    EXPECT_EQ(tray.badgeCount(), 3u);
    EXPECT_TRUE(tray.badgeWarns());
    EXPECT_TRUE(tray.toolTip().endsWith("needs you: 3")) << tray.toolTip().toStdString();
    EXPECT_EQ(unnamedControls(&panel), std::vector<std::string>{});
    EXPECT_EQ(labelsReadOtherwise(&panel), std::vector<std::string>{});

    // The keyboard reaches a row and Return opens it; a click does the same.
    list->setFocus();
    list->setCurrentRow(rowOf(*list, "work:1.0"));
    QTest::keyClick(list, Qt::Key_Return);
    emit list->itemClicked(list->item(rowOf(*list, "work:2.0")));
    EXPECT_EQ(chosen, (std::vector<std::string>{"work " + asking, "work " + ringing}));
    // What the shell does with a choice: the pane's preview in the main window.
    ui::MainWindow window(*context);
    window.openPane(find(env->sessions(), "work")->sessionID, "work", asking);
    auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->currentTab(), ui::SessionDetailView::Tab::preview);
    ASSERT_TRUE(detail->preview()->pane());
    EXPECT_EQ(detail->preview()->pane()->paneID, asking);
    ASSERT_TRUE(waitUntil([&] { return detail->preview()->shownText().contains("Continue?"); }));
    ASSERT_TRUE(waitUntil([&] { return list->count() == 1; }));
    EXPECT_TRUE(rows(*list)[0].startsWith("work:3.0 — Exited")) << failing;
    EXPECT_EQ(tray.badgeCount(), 1u);

    // Romanian, as the whole panel.
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(panel.needsYou()->title()->text(), "Te așteaptă (1)");
    EXPECT_TRUE(rows(*list)[0].startsWith(told ? "work:3.0 — Ieșit · cod 3" : "work:3.0 — Ieșit")) << rows(*list)[0].toStdString();
    env->setLanguage(AppLanguage::en);

    emit list->itemClicked(list->item(0));
    ASSERT_TRUE(waitUntil([&] { return list->count() == 0; }));
    EXPECT_FALSE(panel.needsYou()->isVisibleTo(&panel));
    EXPECT_FALSE(tray.badgeWarns());
}

// A switch of server forgets every pane of the old one at once; ids that coincide on the
// new one are its own panes.
TEST_F(NeedsYouTest, ASwitchOfServerEmptiesTheList) {
    sandbox.newSession(server, "work");
    const std::string asking = newPane("work");
    startStores();
    PaneAttention attention(*env);
    attention.start();
    type(asking, "cat");
    ASSERT_TRUE(waitUntil([&] { return attention.needsYou().size() == 1; }, 30s));
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "work");
    env->setSocketValue(other);
    env->applySocketSettings();
    EXPECT_TRUE(attention.needsYou().empty());
    // The same pane id waiting on the new server is listed as the new server's.
    const std::string there(text::trim(sandbox.tmux(other, {"new-window", "-d", "-P", "-F", "#{pane_id}"})));
    EXPECT_EQ(there, asking);
    sandbox.tmux(other, {"send-keys", "-t", there, "-l", "read -p 'There? ' x"});
    sandbox.tmux(other, {"send-keys", "-t", there, "Enter"});
    ASSERT_TRUE(waitUntil([&] { return attention.needsYou().size() == 1; }, 30s));
}

}  // namespace
}  // namespace quillon::testing
