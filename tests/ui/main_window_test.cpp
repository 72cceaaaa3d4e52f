// The main window against a private server: sidebar rows follow tmux, a session stays
// selected by name, and every screen is reachable and named for a screen reader.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/ui/components.h"
#include "app/ui/main_window.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::SidebarItem;

class MainWindowTest : public UiFixture {};

TEST_F(MainWindowTest, SelectedSessionTurnsIntoThePlaceholderWhenRenamedAndBackWhenItReturns) {
    sandbox.newSession(server, "dev");
    startStores();
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

TEST_F(MainWindowTest, EveryScreenIsReachableAndEveryControlIsNamed) {
    sandbox.newSession(server, "dev");
    startStores();
    ui::MainWindow window(*context);
    window.show();
    using Kind = SidebarItem::Kind;
    for (Kind kind : {Kind::dashboard, Kind::scanner, Kind::templates, Kind::rules, Kind::learn, Kind::config}) {
        window.select({kind, {}});
        QApplication::processEvents();
        EXPECT_NE(window.currentScreen(), nullptr);
        EXPECT_EQ(unnamedControls(&window), std::vector<std::string>{}) << int(kind);
    }
}

}  // namespace
}  // namespace quillon::testing
