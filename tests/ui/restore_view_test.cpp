// Bringing sessions back from the screens: the offer on the dashboard and the tray panel once
// the server died, and the chooser that restores the ticked sessions and says what came back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include "app/snapshot_keeper.h"
#include "app/ui/restore/restore_button.h"
#include "app/ui/restore/restore_dialog.h"
#include "app/ui/restore/restore_texts.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/shell/menu_bar_view.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class RestoreViewTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "alpha");
        sandbox.newSession(server, "beta");
        sandbox.splitWindow(server, "beta:0");
        snapshotRoot = state.path();
        startStores();
        ASSERT_TRUE(waitUntil([&] { return env->snapshots().newest().has_value(); }));
        env->snapshots().waitForWrites();
        sandbox.killServerHard(server);
        refreshNow();
    }
    TempDir state{"quillon-state"};
};

TEST_F(RestoreViewTest, TheDashboardAndThePanelOfferTheNewestSnapshotInBothLanguages) {
    ui::DashboardView dashboard(*context);
    ui::MenuBarView panel(*context);
    const QString time = ui::shortTime(env->snapshots().newest()->taken);
    ASSERT_TRUE(env->snapshots().offer());
    for (ui::RestoreButton* button : {dashboard.restoreButton(), panel.restoreButton()}) {
        EXPECT_TRUE(button->isVisibleTo(button->parentWidget()));
        EXPECT_EQ(button->text(), "Restore 2 sessions from " + time);
    }
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(dashboard.restoreButton()->text(), "Restaurează 2 sesiuni din " + time);
    EXPECT_EQ(ui::restoreOfferText({1, env->snapshots().newest()->taken}), "Restaurează 1 sesiune din " + time);
    EXPECT_EQ(ui::restoreOfferText({20, env->snapshots().newest()->taken}), "Restaurează 20 de sesiuni din " + time);
    env->setLanguage(AppLanguage::en);

    // Everything back: the offer goes away.
    sandbox.newSession(server, "alpha");
    sandbox.newSession(server, "beta");
    refreshNow();
    EXPECT_FALSE(env->snapshots().offer());
    EXPECT_FALSE(dashboard.restoreButton()->isVisibleTo(&dashboard));
}

TEST_F(RestoreViewTest, TheChooserRestoresOnlyTheTickedSessionsAndSaysWhatCameBack) {
    ui::RestoreDialog dialog(*context);
    QSignalSpy loaded(&dialog, &ui::RestoreDialog::loaded);
    ASSERT_TRUE(loaded.wait(5000));
    ASSERT_EQ(dialog.snapshotList()->count(), 1);
    EXPECT_TRUE(dialog.snapshotList()->item(0)->text().endsWith("alpha, beta"));
    ASSERT_EQ(dialog.sessionList()->count(), 2);
    EXPECT_EQ(dialog.sessionList()->item(1)->text(), "beta (1 window, 2 panes)");
    EXPECT_TRUE(unnamedControls(&dialog).empty());

    dialog.sessionList()->item(1)->setCheckState(Qt::Unchecked);
    ASSERT_TRUE(dialog.restoreButton()->isEnabled());
    QSignalSpy restored(&dialog, &ui::RestoreDialog::restored);
    dialog.restoreButton()->click();
    ASSERT_TRUE(restored.wait(15000));
    EXPECT_EQ(dialog.resultLabel()->text(), "Restored: 1 session, 1 window, 1 pane.");
    EXPECT_TRUE(hasSession("alpha"));
    EXPECT_FALSE(hasSession("beta"));
    // alpha now runs: listed, but it cannot be ticked again.
    EXPECT_FALSE(dialog.sessionList()->item(0)->flags().testFlag(Qt::ItemIsEnabled));
    EXPECT_TRUE(dialog.sessionList()->item(0)->text().endsWith("running"));
    EXPECT_EQ(env->snapshots().offer()->sessions, 1);
}

// Another server shown while the chooser is open: the last server's snapshots go at once,
// before anything of the new one arrives, and only the new server's own are listed.
TEST_F(RestoreViewTest, TheChooserListsOnlyTheShownServersSnapshots) {
    ui::RestoreDialog dialog(*context);
    QSignalSpy loaded(&dialog, &ui::RestoreDialog::loaded);
    ASSERT_TRUE(loaded.wait(5000));
    ASSERT_EQ(dialog.snapshotList()->count(), 1);
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "solo");
    env->useServer(std::nullopt, other, sandbox.socketPath(other));
    EXPECT_EQ(dialog.snapshotList()->count(), 0);
    EXPECT_EQ(dialog.sessionList()->count(), 0);
    EXPECT_FALSE(dialog.restoreButton()->isEnabled());
    ASSERT_TRUE(loaded.wait(5000));
    for (int i = 0; i < dialog.snapshotList()->count(); ++i)
        EXPECT_TRUE(dialog.snapshotList()->item(i)->text().endsWith("solo")) << dialog.snapshotList()->item(i)->text().toStdString();
    for (const StoredSnapshot& stored : dialog.stored()) EXPECT_EQ(stored.snapshot.server, env->serverIdentity());
}

}  // namespace
}  // namespace quillon::testing
