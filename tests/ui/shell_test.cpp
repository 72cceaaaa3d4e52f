// The shell: one instance per user (a second start forwards its place), places by name, and a
// change of language or appearance reaching every open window, the panel and the tray menu.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>

#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/shell/command_line.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/shell/quillon_app.h"
#include "app/ui/shell/single_instance.h"
#include "app/ui/widgets/theme.h"
#include "core/l10n.h"
#include "app/ui/shell/tray_icon.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/search/pane_search_panel.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

class ShellTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "work");
        startStores();
        shell = std::make_unique<ui::QuillonApp>(ui::UiContext::Stores{*env, *templates, *rules, desktop});
        shell->start();
    }
    void TearDown() override {
        shell.reset();
        ui::Theme::applyAppearance(AppAppearance::system);
    }
    std::unique_ptr<ui::QuillonApp> shell;
};

TEST_F(ShellTest, ASecondStartForwardsItsPlaceWhichNamesAScreen) {
    using Claim = ui::SingleInstance::Claim;
    ui::SingleInstance first(QString::fromStdString(home.str())), second(QString::fromStdString(home.str()));
    ASSERT_EQ(first.claim(), Claim::first);
    QSignalSpy asked(&first, &ui::SingleInstance::activationRequested);
    EXPECT_EQ(second.claim("session:work"), Claim::handedOver);
    ASSERT_TRUE(waitUntil([&] { return asked.count() == 1; }));
    EXPECT_EQ(asked.at(0).at(0).toString(), "session:work");

    using Kind = ui::SidebarItem::Kind;
    const std::vector<std::pair<QString, ui::SidebarItem>> screens{
        {"scanner", {Kind::scanner, {}}},
        {"restore", {Kind::dashboard, {}}},
        {"session:work", ui::SidebarItem::session("work")},
        {"servers", {Kind::servers, {}}},
        {"dashboard", {Kind::dashboard, {}}}};
    for (const auto& [place, item] : screens) {
        EXPECT_TRUE(shell->show(place)) << place.toStdString();
        EXPECT_EQ(shell->mainWindow()->selection(), item) << place.toStdString();
    }
    EXPECT_TRUE(shell->show("settings:about"));
    EXPECT_TRUE(shell->settingsWindow()->isVisible());
    // A search place opens the search with its text, colons and all.
    EXPECT_TRUE(shell->show("search:error: build failed"));
    EXPECT_TRUE(shell->mainWindow()->searchPanel()->isVisible());
    EXPECT_EQ(shell->mainWindow()->searchPanel()->field()->text(), "error: build failed");
    EXPECT_FALSE(shell->show("nowhere"));
}

// The lock and the socket live where only the user may enter: the runtime directory when it
// is private, else a directory of ours made private; nothing others could have made first.
TEST(SingleInstanceTest, LivesOnlyInADirectoryTheUserAloneCanEnter) {
    TempDir tmp{"quillon-tmp"}, runtime{"quillon-runtime"};
    ScopedEnv tmpdir{"TMPDIR", tmp.str()};
    const auto own = tmp.path() / ("quillon-" + std::to_string(::geteuid()));
    auto chosen = [] { return ui::SingleInstance::privateDirectory().toStdString(); };
    ::chmod(runtime.path().c_str(), 0755);
    {
        ScopedEnv unset{"XDG_RUNTIME_DIR", std::nullopt};
        EXPECT_EQ(chosen(), own.string());
        struct stat made {};
        ASSERT_EQ(::lstat(own.c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0700u);
        EXPECT_EQ(made.st_uid, ::geteuid());
    }
    ScopedEnv shared{"XDG_RUNTIME_DIR", runtime.str()};
    EXPECT_EQ(chosen(), own.string()) << "a runtime directory others may enter";
    ::chmod(own.c_str(), 0777);
    EXPECT_EQ(chosen(), "") << "our directory opened to others";
    std::filesystem::remove(own);
    ::chmod(runtime.path().c_str(), 0700);
    std::filesystem::create_directory_symlink(runtime.path(), own);
    ScopedEnv unset{"XDG_RUNTIME_DIR", std::nullopt};
    EXPECT_EQ(chosen(), "") << "a link in its place";
    ScopedEnv privateRuntime{"XDG_RUNTIME_DIR", runtime.str()};
    EXPECT_EQ(chosen(), runtime.str());
}

TEST(SingleInstanceTest, TheLockKeepsOneInstanceWhereNoSocketCanBeMade) {
    TempDir base;
    const auto directory = base.path() / std::string(120, 'd');  // too long for a socket's name
    std::filesystem::create_directory(directory);
    ui::SingleInstance first(QString::fromStdString(directory.string())), second(QString::fromStdString(directory.string()));
    EXPECT_EQ(first.claim(), ui::SingleInstance::Claim::first);
    EXPECT_EQ(second.claim("session:payroll"), ui::SingleInstance::Claim::unreachable);
}

// Another user holding the lock and listening (a shared directory, as the old /tmp socket was)
// is never sent the place.
TEST(SingleInstanceTest, NothingIsHandedToAnInstanceOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    TempDir directory;
    ::chmod(directory.path().c_str(), 0777);
    ui::SingleInstance mine(QString::fromStdString(directory.str()));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const int lock = ::open(mine.lockPath().toLocal8Bit().constData(), O_RDWR | O_CREAT, 0666);
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, mine.socketPath().toLocal8Bit().constData(), sizeof address.sun_path - 1);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 4) != 0)
            ::_exit(3);
        (void)!::write(ready[1], "r", 1);
        const int peer = ::accept(listener, nullptr, nullptr);
        char received[64];
        ::_exit(::read(peer, received, sizeof received) > 0 ? 1 : 0);  // 0: nothing was sent
    }
    ::close(ready[1]);
    char byte = 0;
    const bool listening = ::read(ready[0], &byte, 1) == 1;  // end of file: the other side failed
    ::close(ready[0]);
    EXPECT_TRUE(listening);
    if (listening) EXPECT_EQ(mine.claim("session:payroll"), ui::SingleInstance::Claim::unreachable);
    else ::kill(other, SIGKILL);
    int status = 0;
    ::waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A card's menu is open when a second start asks for another place, which deletes the screen
// that showed the card: the menu goes with it, nothing is freed twice.
TEST_F(ShellTest, AnotherPlaceAskedForWhileACardMenuIsOpenLeavesNothingBehind) {
    for (const QString place : {"templates", "rules", "dashboard"}) {
        ASSERT_TRUE(shell->show(place));
        auto* cards = shell->mainWindow()->currentScreen()->findChild<ui::CardListView*>();
        ASSERT_NE(cards, nullptr) << place.toStdString();
        if (cards->model()->rowCount() == 0) continue;
        bool movedOn = false;
        QTimer::singleShot(0, [&] {
            shell->show(place == "dashboard" ? "learn" : "dashboard");
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the old screen goes now
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            movedOn = true;
        });
        emit cards->menuRequested(cards->model()->index(0, 0), QPoint(10, 10));
        ASSERT_TRUE(waitUntil([&] { return movedOn; })) << place.toStdString();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << place.toStdString();
    }
}

TEST_F(ShellTest, ASessionAskedForAtAFreshStartOpensOnceTheFirstSnapshotNamesIt) {
    shell.reset();
    restartStores();  // as at a fresh start: no snapshot yet
    shell = std::make_unique<ui::QuillonApp>(ui::UiContext::Stores{*env, *templates, *rules, desktop});
    shell->start();
    ASSERT_FALSE(env->sessionsKnown());
    EXPECT_TRUE(shell->show("session:work:preview"));
    EXPECT_TRUE(shell->show("session:nowhere"));  // the later request wins
    EXPECT_TRUE(shell->show("session:work:preview"));
    ASSERT_TRUE(waitUntil([&] { return shell->pendingSession().isEmpty(); }));
    EXPECT_EQ(shell->mainWindow()->selection(), ui::SidebarItem::session("work"));
    auto* screen = qobject_cast<ui::SessionDetailView*>(shell->mainWindow()->currentScreen());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->currentTab(), ui::SessionDetailView::Tab::preview);
}

TEST_F(ShellTest, TheWatcherAttachesToTheSessionOnScreen) {
    sandbox.newSession(server, "other");
    shell.reset();
    watchServer = true;
    restartStores();
    shell = std::make_unique<ui::QuillonApp>(ui::UiContext::Stores{*env, *templates, *rules, desktop});
    shell->start();
    const auto watched = [&] {
        return text::trim(tmux({"list-clients", "-F", "#{?client_control_mode,#{session_name},}"}));
    };
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
    for (const std::string name : {"other", "work"}) {
        EXPECT_TRUE(shell->show(QString::fromStdString("session:" + name)));
        EXPECT_TRUE(waitUntil([&] { return env->watching() && watched() == name; }, 20s)) << name;
    }
}

TEST_F(ShellTest, LanguageAndAppearanceReachEveryOpenWindow) {
    shell->showSettings();
    auto texts = [&] {
        return std::vector<QString>{shell->mainWindow()->menuBar()->actions().front()->text(),
                                    shell->panel()->createButton()->text(), shell->tray()->menu()->actions().front()->text(),
                                    shell->settingsWindow()->windowTitle()};
    };
    EXPECT_EQ(texts(), (std::vector<QString>{"&File", "Create", "Open panel", "Settings"}));
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(texts(), (std::vector<QString>{"&Fișier", "Creează", "Deschide panoul", "Setări"}));

    const QColor desktop = QApplication::palette().color(QPalette::Window);
    env->setAppearance(AppAppearance::dark);
    QApplication::processEvents();
    for (QWidget* window : {static_cast<QWidget*>(shell->mainWindow()), static_cast<QWidget*>(shell->panel()),
                            static_cast<QWidget*>(shell->settingsWindow())})
        EXPECT_TRUE(ui::Theme::isDark(window->palette())) << window->metaObject()->className();
    env->setAppearance(AppAppearance::light);
    QApplication::processEvents();
    EXPECT_FALSE(ui::Theme::isDark(shell->mainWindow()->palette()));
    env->setAppearance(AppAppearance::system);
    QApplication::processEvents();
    EXPECT_EQ(shell->mainWindow()->palette().color(QPalette::Window), desktop);
}

// Read before the display opens (lenient: Qt's single-dash options pass), then strictly on
// what QApplication left.
TEST(CommandLine, HelpVersionAndPlacesAnswerAndAnythingUnknownIsRefused) {
    using ui::CommandAction;
    struct Case {
        QStringList arguments;
        bool lenient;
        CommandAction action;
        QString place, offending;
    };
    const std::vector<Case> cases{
        {{}, false, CommandAction::start, {}, {}},
        {{"--show", "session:dev:preview"}, false, CommandAction::start, "session:dev:preview", {}},
        {{"--show=templates"}, false, CommandAction::start, "templates", {}},
        {{"-platform", "offscreen", "--show", "panel"}, true, CommandAction::start, "panel", {}},
        {{"-platform", "offscreen"}, false, CommandAction::refuse, {}, "-platform"},
        {{"--show", "panel", "--help"}, true, CommandAction::help, {}, {}},
        {{"-v"}, true, CommandAction::version, {}, {}},
        {{"--verbose"}, true, CommandAction::refuse, {}, "--verbose"},
        {{"dashboard"}, false, CommandAction::refuse, {}, "dashboard"},
        {{"--show"}, false, CommandAction::refuse, {}, "--show"},
    };
    for (const auto& c : cases) {
        const auto line = ui::parseCommandLine(c.arguments, c.lenient);
        EXPECT_EQ(line.action, c.action) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.place, c.place) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.offending, c.offending) << c.arguments.join(' ').toStdString();
    }
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_TRUE(ui::usageText().startsWith("Folosire: quillon [--show <loc>]"));
    L10n::setLanguage(AppLanguage::en);
    EXPECT_TRUE(ui::usageText().startsWith("Usage: quillon [--show <place>]"));
}

}  // namespace
}  // namespace quillon::testing
