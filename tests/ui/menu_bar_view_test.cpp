// The tray panel against a private server: attach opens the right session and window, rows
// unfold and stay so, the summary and empty states follow the server, templates launch from
// the menu. (Its name field is in new_session_test.cpp.)
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/sessions/session_tree_model.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class MenuBarViewTest : public UiFixture {};

TEST_F(MenuBarViewTest, AttachOpensTheSessionOrItsWindowAndRowsUnfold) {
    sandbox.newSession(server, "work");
    sandbox.newWindow(server, "work", "editor");
    sandbox.newSession(server, "workshop");
    startStores();
    ui::MenuBarView panel(*context);
    auto* model = panel.sessionModel();
    const QModelIndex work = model->indexOfSession("work");
    ASSERT_TRUE(work.isValid());
    EXPECT_EQ(model->rowCount(work), 2);

    emit panel.sessionTree()->clicked(work);
    EXPECT_TRUE(panel.sessionTree()->isExpanded(work));
    emit panel.sessionTree()->clicked(model->index(1, ui::SessionTreeModel::attachColumn, work));
    emit panel.sessionTree()->clicked(model->indexOfSession("workshop", ui::SessionTreeModel::attachColumn));
    ASSERT_TRUE(waitUntil([&] { return desktop.opened().size() == 2; }));
    // The two terminals start concurrently: told apart by what they attach to.
    std::vector<std::string> lines;
    for (const auto& opened : desktop.opened()) lines.push_back(opened.second);
    std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    const auto idOf = [&](const char* name) { return find(env->sessions(), name)->sessionID; };
    EXPECT_TRUE(text::contains(lines[0], "-t '" + idOf("work") + "' ';' select-window -t '=work:1'")) << lines[0];
    EXPECT_TRUE(text::contains(lines[1], "-t '" + idOf("workshop") + "'") && !text::contains(lines[1], "select-window"))
        << lines[1];

    // The unfolded row stays unfolded through a refresh that changes other rows.
    sandbox.newSession(server, "another");
    refreshNow();
    EXPECT_TRUE(panel.sessionTree()->isExpanded(model->indexOfSession("work")));
}

TEST_F(MenuBarViewTest, SummaryEmptyStateAndTemplatesFollowTheServerAndTheStore) {
    startStores();
    ui::MenuBarView panel(*context);
    EXPECT_EQ(panel.serverLabel()->text(), "Server stopped");
    EXPECT_EQ(panel.emptyLabel()->text(), "No active sessions.");
    EXPECT_EQ(panel.countsLabel()->text(), "0 sessions · 0 windows · 0 panes");
    sandbox.newSession(server, "one");
    sandbox.splitWindow(server, "one:0");
    refreshNow();
    EXPECT_EQ(panel.serverLabel()->text(), "Server running");
    EXPECT_EQ(panel.countsLabel()->text(), "1 session · 1 window · 2 panes");
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(panel.countsLabel()->text(), "1 sesiune · 1 fereastră · 2 pane-uri");
    env->setLanguage(AppLanguage::en);

    // Templates launch from the menu and attach.
    templates->upsert({newTemplateID(), "", "", {{newTemplateID(), "api", ""}}});  // unnamed: listed all the same
    templates->upsert({newTemplateID(), "svc", "", {{newTemplateID(), "api", "echo ready"}}});
    QMenu* menu = panel.templatesButton()->menu();
    EXPECT_EQ(texts(*menu).mid(3), (QStringList{"(unnamed)", "svc"}));  // after the three seeded ones
    menu->actions().last()->trigger();
    ASSERT_TRUE(waitUntil([&] { return desktop.opened().size() == 1; }));
    ASSERT_TRUE(hasSession("svc"));
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "attach-session -t '" + find(env->sessions(), "svc")->sessionID + "'"));

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(panel.serverLabel()->text(), "Server activ");
    EXPECT_EQ(panel.createButton()->text(), "Creează");
}

TEST_F(MenuBarViewTest, WithoutTmuxItSaysHowToInstallIt) {
    tmuxPath.reset();
    startStores();
    ui::MenuBarView panel(*context);
    EXPECT_EQ(panel.serverLabel()->text(), "tmux is not installed");
    EXPECT_EQ(panel.emptyLabel()->text(), "Install tmux with “sudo apt install tmux”.");
    EXPECT_FALSE(panel.templatesButton()->isEnabled());
}

}  // namespace
}  // namespace quillon::testing
