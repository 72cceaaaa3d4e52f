// The shell: one instance per user (a second start forwards its place), places by name, and a
// change of language or appearance reaching every open window, the panel and the tray menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>

#include "app/ui/shell/command_line.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/shell/quillon_app.h"
#include "app/ui/shell/single_instance.h"
#include "app/ui/widgets/theme.h"
#include "core/l10n.h"
#include "app/ui/shell/tray_icon.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

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
    const QString socket = QString::fromStdString((home.path() / "quillon.sock").string());
    ui::SingleInstance first(socket), second(socket);
    ASSERT_TRUE(first.claim());
    QSignalSpy asked(&first, &ui::SingleInstance::activationRequested);
    EXPECT_FALSE(second.claim("session:work"));
    ASSERT_TRUE(waitUntil([&] { return asked.count() == 1; }));
    EXPECT_EQ(asked.at(0).at(0).toString(), "session:work");

    using Kind = ui::SidebarItem::Kind;
    const std::vector<std::pair<QString, ui::SidebarItem>> screens{
        {"scanner", {Kind::scanner, {}}}, {"session:work", ui::SidebarItem::session("work")}, {"dashboard", {Kind::dashboard, {}}}};
    for (const auto& [place, item] : screens) {
        EXPECT_TRUE(shell->show(place)) << place.toStdString();
        EXPECT_EQ(shell->mainWindow()->selection(), item) << place.toStdString();
    }
    EXPECT_TRUE(shell->show("settings:about"));
    EXPECT_TRUE(shell->settingsWindow()->isVisible());
    EXPECT_FALSE(shell->show("nowhere"));
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
