// The main window against a private server: a session stays selected by name through a
// rename and back, and every control of every screen, sheet and editor is named for a screen
// reader in both languages.
#include <gtest/gtest.h>

#include <QApplication>

#include <functional>

#include "app/ui/widgets/components.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/sessions/new_session_sheet.h"
#include "app/ui/automation/rule_editor.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/settings/settings_view.h"
#include "app/ui/templates/template_editor.h"
#include "app/ui/restore/restore_dialog.h"
#include "app/ui/search/pane_search_panel.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::SidebarItem;

class MainWindowTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "dev");
        sandbox.splitWindow(server, "dev:0");
        startStores();
    }
};

TEST_F(MainWindowTest, ASelectedSessionTurnsIntoThePlaceholderWhenRenamedAndBackWhenItReturns) {
    ui::MainWindow window(*context);
    window.select(SidebarItem::session("dev"));
    EXPECT_STREQ(window.currentScreen()->metaObject()->className(), "quillon::ui::SessionDetailView");
    tmux({"rename-session", "-t", "=dev", "dev2"});
    refreshNow();
    auto* placeholder = qobject_cast<ui::EmptyState*>(window.currentScreen());
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->title(), "Session no longer exists");
    EXPECT_EQ(window.selection(), SidebarItem::session("dev"));
    tmux({"rename-session", "-t", "=dev2", "dev"});
    refreshNow();
    EXPECT_STREQ(window.currentScreen()->metaObject()->className(), "quillon::ui::SessionDetailView");
}

TEST_F(MainWindowTest, EveryControlOfEveryScreenIsNamedAndEveryLabelReadByItsTextInBothLanguages) {
    rules->upsert({.name = "rule"});
    ui::MainWindow window(*context);
    ui::SessionDetailView detail(*context, "dev");
    ui::MenuBarView panel(*context);
    ui::SettingsView settings(*context);
    ui::NewSessionSheet sheet(*context);
    ui::RuleEditor ruleEditor(*context, ScanRule{});
    ui::TemplateEditor templateEditor(*context, templates->templates().front());
    ui::PaneSearchPanel search(*context);
    ui::RestoreDialog restore(*context);
    templateEditor.addWindow();
    using Kind = SidebarItem::Kind;
    using Tab = ui::SessionDetailView::Tab;
    std::vector<std::pair<std::string, std::function<QWidget*()>>> places;
    for (Kind kind :
         {Kind::dashboard, Kind::scanner, Kind::templates, Kind::rules, Kind::learn, Kind::config, Kind::servers})
        places.emplace_back("screen " + std::to_string(int(kind)), [&, kind] { return window.select({kind, {}}), &window; });
    for (Tab tab : {Tab::windows, Tab::preview, Tab::send, Tab::activity})
        places.emplace_back("detail tab " + std::to_string(int(tab)), [&, tab] { return detail.showTab(tab), &detail; });
    for (int page = 0; page < 4; ++page)
        places.emplace_back("settings page " + std::to_string(page),
                            [&, page] { return settings.showPage(ui::SettingsPage(page)), &settings; });
    for (auto [name, widget] : {std::pair<const char*, QWidget*>{"panel", &panel}, {"new session", &sheet},
                                {"rule editor", &ruleEditor}, {"template editor", &templateEditor},
                                {"search", &search}, {"restore", &restore}})
        places.emplace_back(name, [w = widget] { return w; });
    window.show();
    detail.show();
    for (AppLanguage language : {AppLanguage::en, AppLanguage::ro}) {
        env->setLanguage(language);
        for (const auto& [name, show] : places) {
            QWidget* shown = show();
            QApplication::processEvents();
            EXPECT_EQ(unnamedControls(shown), std::vector<std::string>{}) << name << " in " << toRaw(language);
            EXPECT_EQ(labelsReadOtherwise(shown), std::vector<std::string>{}) << name << " in " << toRaw(language);
        }
    }
}

}  // namespace
}  // namespace quillon::testing
