// On a real display: a tray host (trayer) carries the icon and the panel drops from it, the
// panel button appears in the main window when the host goes, and a second start of the built
// program hands over to the first and leaves; a stop by signal ends it as Quit does.
#include <gtest/gtest.h>

#include <signal.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>

#include <QToolBar>
#include <QToolButton>

#include "app/platform/linux_terminal_host.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/shell/quillon_app.h"
#include "app/ui/shell/tray_icon.h"
#include "core/process_runner.h"
#include "tests/support/processes.h"
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

// A started program asks the notification service what it offers, and the suite's shared bus
// would start one for it that then answers every later test: the program gets no bus.
ScopedEnv noSessionBus(const TempDir& world) {
    return ScopedEnv{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (world.path() / "no-bus").string()};
}

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
    ScopedEnv bus = noSessionBus(world);
    ChildProcess first = ChildProcess::spawn(QUILLON_APP_BINARY, {QUILLON_APP_BINARY}, {});
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(world.path() / "run" / "quillon.sock"); }, 10s));

    const auto second = runProcess(QUILLON_APP_BINARY, {QUILLON_APP_BINARY, "--show", "panel"}, 10'000ms);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_FALSE(first.tryWait().has_value()) << "the first instance must keep running";
    first.signal(SIGTERM);
    first.wait();
}

// A logout or a service manager sends SIGTERM, a terminal Ctrl+C: the loop ends as Quit ends it,
// so the program exits with 0 and leaves no control client of its own behind.
TEST(SignalledStop, EndsAsQuitDoesAndLeavesNoChildBehind) {
    for (const int signo : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signo));
        TempDir world{"quillon-signalled"};
        std::filesystem::create_directories(world.path() / "run");
        std::filesystem::create_directories(world.path() / "config" / "quillon");
        ::chmod((world.path() / "run").c_str(), 0700);
        ScopedEnv home{"HOME", world.str()};
        ScopedEnv config{"XDG_CONFIG_HOME", (world.path() / "config").string()};
        ScopedEnv runtime{"XDG_RUNTIME_DIR", (world.path() / "run").string()};
        ScopedEnv platform{"QT_QPA_PLATFORM", std::string("offscreen")};
        ScopedEnv bus = noSessionBus(world);
        TmuxSandbox sandbox;  // its TMUX_TMPDIR is the app's too
        const std::string server = TmuxSandbox::uniqueName("signalled");
        sandbox.newSession(server, "work");
        std::ofstream(world.path() / "config" / "quillon" / "org.quillon.Quillon.json")
            << R"({"socketMode":"name","socketValue":")" << server << R"("})";
        ChildProcess app = ChildProcess::spawn(QUILLON_APP_BINARY, {QUILLON_APP_BINARY}, {});
        // The watcher's control client is the sign that the app is up and has a child to end.
        ASSERT_TRUE(waitUntil([&] { return processesWith({"-C", "-L", server}).size() == 1; }, 30s));
        app.signal(signo);
        EXPECT_EQ(app.wait(), 0);
        EXPECT_TRUE(waitUntil([&] { return processesWith({"-C", "-L", server}).empty(); }, 10s));
    }
}

}  // namespace
}  // namespace quillon::testing
