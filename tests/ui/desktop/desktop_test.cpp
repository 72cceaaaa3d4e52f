// On a real display: a tray host (trayer) carries the icon and the panel drops from it, the
// panel button appears in the main window when the host goes, and a second start of the built
// program hands over to the first and leaves.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <QToolBar>
#include <QToolButton>

#include "app/platform/linux_terminal_host.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/shell/quillon_app.h"
#include "app/ui/shell/tray_icon.h"
#include "core/process_runner.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

bool panelButtonShown(ui::MainWindow& window) {
    for (QToolButton* button : window.findChildren<QToolButton*>())
        if (button->text() == "Open panel") return button->isVisibleTo(&window);
    return false;
}

class DesktopTest : public UiFixture {};

TEST_F(DesktopTest, TheTrayCarriesTheIconAndThePanelDropsFromIt) {
    const char* path = std::getenv("PATH");
    const auto trayer = findExecutable("trayer", path ? path : "");
    if (!trayer) GTEST_SKIP() << "trayer is not installed";
    sandbox.newSession(server, "work");
    startStores();
    auto host = std::make_unique<ChildProcess>(ChildProcess::spawn(
        *trayer, {*trayer, "--edge", "top", "--align", "right", "--width", "10", "--SetDockType", "true"}, {}));
    ASSERT_TRUE(waitUntil([] { return ui::TrayIcon::hostAvailable(); }, 10s));

    ui::QuillonApp shell({*env, *templates, *rules, desktop});
    shell.start();
    ASSERT_TRUE(waitUntil([&] { return shell.tray()->isVisible() && !shell.tray()->geometry().isEmpty(); }, 10s));
    EXPECT_EQ(shell.tray()->toolTip(), "Quillon — 1 session");
    EXPECT_FALSE(panelButtonShown(*shell.mainWindow()));

    shell.showPanel();
    ASSERT_TRUE(waitUntil([&] { return shell.panel()->isVisible(); }));
    const QRect icon = shell.tray()->geometry();
    const QRect panel = shell.panel()->frameGeometry();
    EXPECT_EQ(panel.width(), ui::MenuBarView::panelWidth);
    EXPECT_LE(std::abs(panel.top() - icon.bottom()), 40) << "panel " << panel.top() << " icon " << icon.bottom();
    shell.panel()->hide();

    host.reset();  // the tray host goes away
    ASSERT_TRUE(waitUntil([] { return !ui::TrayIcon::hostAvailable(); }, 10s));
    shell.followTrayHost();
    EXPECT_TRUE(waitUntil([&] { return panelButtonShown(*shell.mainWindow()); }));
}

TEST(SecondStart, HandsOverToTheRunningInstanceAndLeaves) {
    TempDir world{"quillon-second-start"};
    std::filesystem::create_directories(world.path() / "run");
    ::chmod((world.path() / "run").c_str(), 0700);
    ScopedEnv home{"HOME", world.str()};
    ScopedEnv config{"XDG_CONFIG_HOME", (world.path() / "config").string()};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", (world.path() / "run").string()};
    ScopedEnv tmpdir{"TMUX_TMPDIR", world.str()};
    ScopedEnv platform{"QT_QPA_PLATFORM", std::string("offscreen")};
    ChildProcess first = ChildProcess::spawn(QUILLON_APP_BINARY, {QUILLON_APP_BINARY}, {});
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(world.path() / "run" / "quillon.sock"); }, 10s));

    const auto second = runProcess(QUILLON_APP_BINARY, {QUILLON_APP_BINARY, "--show", "panel"}, 10'000ms);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_FALSE(first.tryWait().has_value()) << "the first instance must keep running";
    first.signal(SIGTERM);
    first.wait();
}

}  // namespace
}  // namespace quillon::testing
