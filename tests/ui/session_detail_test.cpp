// The session detail screen against real panes: keys reach the chosen pane (also after tmux
// renumbers), the history keeps 20, preview and export show exactly what tmux captures, the
// kill confirmations act only when confirmed, and "More actions" agrees with the card's menu.
// (Its rename field is in new_session_test.cpp.)
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/sessions/pane_preview.h"
#include "app/ui/sessions/send_panel.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/widgets/ui_text.h"
#include "app/ui/sessions/window_group.h"
#include "core/text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::SessionDetailView;

class SessionDetailTest : public UiFixture {
protected:
    // dev: window 0 split in two panes, both running sh.
    void SetUp() override {
        sandbox.newSession(server, "dev");
        sandbox.splitWindow(server, "=dev:0");
        startStores();
    }
    std::string screen(const std::string& target) { return tmux({"capture-pane", "-p", "-t", "=" + target}); }
    bool screenShows(const std::string& target, const std::string& text) {
        return waitUntil([&] { return text::contains(screen(target), text); });
    }
    std::int64_t pidOf(const std::string& target) {
        return std::stoll(std::string(text::trim(tmux({"display-message", "-p", "-t", "=" + target, "#{pane_pid}"}))));
    }
    static void click(QMessageBox* box, QMessageBox::ButtonRole role) {
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == role) return b->click();
        FAIL() << "no button with role " << role;
    }
};

TEST_F(SessionDetailTest, KeysReachTheChosenPaneAndFollowItWhenTmuxRenumbers) {
    sandbox.splitWindow(server, "=dev:0");
    refreshNow();
    SessionDetailView view(*context, "dev");
    view.showTab(SessionDetailView::Tab::send);
    ui::SendPanel& send = *view.sendPanel();
    EXPECT_EQ(send.target(), "dev:0.0");  // the active pane
    send.targetPicker()->setCurrentIndex(1);
    emit send.targetPicker()->activated(1);
    QTest::keyClicks(send.commandField(), "echo one-$((1+1))");
    QTest::keyClick(send.commandField(), Qt::Key_Return);
    ASSERT_TRUE(screenShows("dev:0.1", "one-2"));
    EXPECT_FALSE(text::contains(screen("dev:0.0"), "one"));
    EXPECT_TRUE(send.commandField()->text().isEmpty());

    // Closing the pane before it renumbers the chosen one (and the one after it takes its
    // number); keys still go to the chosen one.
    const auto chosen = pidOf("dev:0.1");
    tmux({"kill-pane", "-t", "=dev:0.0"});
    refreshNow();
    EXPECT_EQ(send.target(), "dev:0.0");
    send.commandField()->setText(QStringLiteral("echo two-$((1+1))"));
    send.send();
    ASSERT_TRUE(screenShows("dev:0.0", "two-2"));
    EXPECT_EQ(pidOf("dev:0.0"), chosen);

    // A quick key is a key, not text: C-c stops what runs.
    const auto running = [&] { return tmux({"display-message", "-p", "-t", "=dev:0.0", "#{pane_current_command}"}); };
    tmux({"send-keys", "-t", "=dev:0.0", "sleep 30", "Enter"});
    ASSERT_TRUE(waitUntil([&] { return running() == "sleep\n"; }));
    buttonNamed(send, "C-c")->click();
    EXPECT_TRUE(waitUntil([&] { return running() == "sh\n"; }));
}

TEST_F(SessionDetailTest, HistoryKeepsTheTwentyNewestOnceEachAndOffersThemAgain) {
    SessionDetailView view(*context, "dev");
    view.showTab(SessionDetailView::Tab::send);
    ui::SendPanel& send = *view.sendPanel();
    for (int i = 1; i <= 21; ++i) {
        send.commandField()->setText(QStringLiteral(" : c%1 ").arg(i));
        send.send();
    }
    send.commandField()->setText(QStringLiteral(": c5"));
    send.send();
    send.commandField()->setText(QStringLiteral("  "));  // Enter alone: nothing remembered
    send.send();
    const auto& history = send.history();
    ASSERT_EQ(history.size(), 20u);
    EXPECT_EQ(history.front(), ": c5");
    EXPECT_EQ(history[1], ": c21");
    EXPECT_EQ(history.back(), ": c2");
    EXPECT_EQ(std::count(history.begin(), history.end(), ": c5"), 1);
    send.reuse(1);
    EXPECT_EQ(send.commandField()->text(), ": c21");
    EXPECT_TRUE(waitUntil([&] { return text::contains(screen("dev:0.0"), ": c5"); }));
}

TEST_F(SessionDetailTest, PreviewShowsTmuxsCaptureAndExportWritesTheWholeScrollback) {
    tmux({"send-keys", "-t", "=dev:0.0", "printf 'line %s\\n' $(seq 1 400)", "Enter"});
    ASSERT_TRUE(screenShows("dev:0.0", "line 400"));
    SessionDetailView view(*context, "dev");
    ui::WindowGroup* group = view.windowGroups().at(0);
    emit group->previewRequested("dev:0.0");  // the eye button of the pane's card
    EXPECT_EQ(view.currentTab(), SessionDetailView::Tab::preview);
    const std::string expected(text::trim(tmux({"capture-pane", "-p", "-t", "=dev:0.0", "-S", "-200"})));
    ASSERT_TRUE(waitUntil([&] { return view.preview()->shownText() == ui::qs(expected); }));
    const int revision = view.preview()->textView()->document()->revision();
    view.preview()->refreshButton()->click();
    QTest::qWait(300);
    EXPECT_EQ(view.preview()->textView()->document()->revision(), revision);  // unchanged: not rebuilt

    tmux({"send-keys", "-t", "=dev:0.1", "PS1=; clear", "Enter"});
    ASSERT_TRUE(waitUntil([&] { return text::trim(screen("dev:0.1")).empty(); }));
    view.loadPreview("dev:0.1");  // a blank screen
    EXPECT_TRUE(waitUntil([&] { return view.preview()->shownText() == "(empty)"; }));
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(view.preview()->shownText(), "(gol)");

    QString proposed;
    const auto file = home.path() / "exported.log";
    view.setExportPathChooser([&](const QString& name, const std::function<void(const QString&)>& use) {
        proposed = name;
        use(ui::qs(file.string()));
    });
    emit group->exportRequested("dev:0.0");
    ASSERT_TRUE(waitUntil([&] { return !view.statusMessage().isEmpty(); }));
    EXPECT_EQ(proposed, "dev-0-0.log");
    EXPECT_EQ(readWhole(file), tmux({"capture-pane", "-p", "-t", "=dev:0.0", "-S", "-"}));

    // A write that cannot happen is said, not dropped.
    view.exportScrollback("dev:0.0", ui::qs(home.str()));
    ASSERT_TRUE(waitUntil([&] { return view.statusMessage().startsWith("Nu am putut salva"); }));
    EXPECT_TRUE(view.statusMessage().contains(ui::qs(home.str()))) << view.statusMessage().toStdString();

    for (const auto& [target, name] : {std::pair{"dev:1.0", "dev-1-0.log"}, std::pair{"a.b:2.13", "a-b-2-13.log"}})
        EXPECT_EQ(SessionDetailView::exportFileName(target), name);
}

TEST_F(SessionDetailTest, AnExportWhoseCaptureFailsLeavesTheChosenFileAsItWasAndSaysWhy) {
    SessionDetailView view(*context, "dev");
    const auto notes = home.path() / "notes.log";
    writeFile(notes, "kept\n");
    sandbox.killServer(server);
    view.exportScrollback("dev:0.0", ui::qs(notes.string()));
    ASSERT_TRUE(waitUntil([&] { return !view.statusMessage().isEmpty(); }));
    EXPECT_TRUE(view.statusMessage().startsWith("Could not read the scrollback: ")) << view.statusMessage().toStdString();
    EXPECT_TRUE(view.statusMessage().contains("no server running") || view.statusMessage().contains("error connecting"))
        << view.statusMessage().toStdString();
    EXPECT_EQ(readWhole(notes), "kept\n");
}

TEST_F(SessionDetailTest, KillsActOnlyWhenConfirmedAndTheMenuSavesATemplate) {
    sandbox.newWindow(server, "dev", "logs");
    refreshNow();
    SessionDetailView view(*context, "dev");
    ASSERT_EQ(view.windowGroups().size(), 2u);
    ui::WindowGroup* first = view.windowGroups()[0];

    for (auto role : {QMessageBox::RejectRole, QMessageBox::DestructiveRole}) {
        view.windowGroups()[1]->closeButton()->click();
        QMessageBox* box = nullptr;
        for (auto* shown : view.findChildren<QMessageBox*>())
            if (shown->isVisible()) box = shown;
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Close window “logs”?");
        click(box, role);
    }
    ASSERT_TRUE(waitUntil([&] { return view.windowGroups().size() == 1; }));
    EXPECT_EQ(view.windowGroups()[0], first);  // kept, not rebuilt

    actionNamed(*view.moreActions(), "Save as template")->trigger();
    EXPECT_EQ(templates->templates().back().name, "dev");

    click(view.confirmKillSession(), QMessageBox::DestructiveRole);
    EXPECT_TRUE(waitUntil([&] { return !hasSession("dev"); }));
}

// The card's menu and "More actions" arrange one set of actions: what they share reads the same
// in either language and does the same. Kill asks first, from the menu or by Delete on the
// screen, and a text field keeps Delete for itself.
TEST_F(SessionDetailTest, MoreActionsAndTheCardMenuShareTheirActionsInEitherLanguage) {
    SessionDetailView view(*context, "dev");
    ui::DashboardView dashboard(*context);
    QMenu& more = *view.moreActions();
    for (auto language : {AppLanguage::en, AppLanguage::ro}) {
        env->setLanguage(language);
        const auto card = dashboard.cardMenu(0);
        QStringList shared;
        for (const QString& text : texts(*card))
            if (texts(more).contains(text)) shared << text;
        ASSERT_EQ(shared.size(), 3) << texts(*card).join(", ").toStdString() << " | " << texts(more).join(", ").toStdString();
        for (const QString& text : shared) {  // open the folder, copy the attach line, copy the kill line
            using Outcome = std::pair<QString, std::vector<std::string>>;  // clipboard, folders opened
            std::vector<Outcome> outcomes;
            for (QMenu* menu : {card.get(), &more}) {
                QGuiApplication::clipboard()->clear();
                desktop.directories.clear();
                actionNamed(*menu, text)->trigger();
                outcomes.emplace_back(QGuiApplication::clipboard()->text(), desktop.directories);
            }
            EXPECT_EQ(outcomes[0], outcomes[1]) << text.toStdString();
            EXPECT_NE(outcomes[0], Outcome{}) << text.toStdString();
        }
    }
    env->setLanguage(AppLanguage::en);

    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    auto askedToKill = [&] {
        for (auto* box : view.findChildren<QMessageBox*>())
            if (box->isVisible()) {
                EXPECT_EQ(box->text(), "Close session “dev”?");
                click(box, QMessageBox::RejectRole);
                return true;
            }
        return false;
    };
    QAction* kill = actionNamed(more, "Kill");
    EXPECT_EQ(kill->shortcut(), QKeySequence(QKeySequence::Delete));
    kill->trigger();
    EXPECT_TRUE(askedToKill());
    view.setFocus();  // where the screen puts it: its tabs
    ASSERT_TRUE(QApplication::focusWidget() && view.isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_TRUE(askedToKill());
    // Inside a tab Delete is not the session's.
    view.showTab(SessionDetailView::Tab::activity);
    view.activityList()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), view.activityList());
    QTest::keyClick(view.activityList(), Qt::Key_Delete);
    EXPECT_FALSE(askedToKill());
    view.showTab(SessionDetailView::Tab::send);
    QLineEdit* field = view.sendPanel()->commandField();
    field->setFocus();
    QTest::keyClicks(field, "ls");
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), "s");
    EXPECT_FALSE(askedToKill());
    refreshNow();
    EXPECT_TRUE(hasSession("dev"));
}

// "dev" is $0. A session named "$0" is reached as itself: its preview, its kill.
TEST_F(SessionDetailTest, ASessionNamedLikeAnIdIsPreviewedAndKilledAsItself) {
    const std::string own = sandbox.newSession(server, "$0");
    tmux({"send-keys", "-t", own, "echo own-$((2+3))", "Enter"});
    ASSERT_TRUE(waitUntil([&] { return text::contains(tmux({"capture-pane", "-p", "-t", own}), "own-5"); }));
    refreshNow();
    SessionDetailView view(*context, "$0");
    ASSERT_TRUE(view.showPlace("preview"));
    ASSERT_TRUE(waitUntil([&] { return view.preview()->shownText().contains("own-5"); }))
        << view.preview()->shownText().toStdString();
    click(view.confirmKillSession(), QMessageBox::DestructiveRole);
    EXPECT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"dev"}; }))
        << text::join(names(env->sessions()), ",");
}

// The confirmation keeps the window's id: once window 2 is gone, tmux says so, and
// "2024-logs" (which a name match on "2" would find) survives.
TEST_F(SessionDetailTest, AWindowKillConfirmedAfterItWentReachesNoOtherWindow) {
    sandbox.newWindow(server, "dev", "one");
    sandbox.newWindow(server, "dev", "two");
    sandbox.newWindow(server, "dev", "2024-logs");
    refreshNow();
    SessionDetailView view(*context, "dev");
    const TmuxWindow two = env->sessions().at(0).windows.at(2);
    ASSERT_EQ(two.name, "two");
    QMessageBox* box = view.confirmKillWindow(two);
    tmux({"kill-window", "-t", two.windowID});
    click(box, QMessageBox::DestructiveRole);
    ASSERT_TRUE(waitUntil([&] { return env->lastError().has_value(); }));
    EXPECT_TRUE(text::contains(*env->lastError(), "can't find window")) << *env->lastError();
    const std::string left = tmux({"list-windows", "-t", "=dev", "-F", "#{window_name}"});
    EXPECT_TRUE(text::contains(left, "\none\n2024-logs\n")) << left;
}

// Keys go to the pane chosen, by its id, also in the moment between tmux renumbering the
// panes and the next refresh.
TEST_F(SessionDetailTest, KeysReachTheChosenPaneBeforeTheListKnowsItWasRenumbered) {
    sandbox.splitWindow(server, "=dev:0");
    refreshNow();
    SessionDetailView view(*context, "dev");
    ui::SendPanel& send = *view.sendPanel();
    send.setTarget("dev:0.1");
    const auto chosen = pidOf("dev:0.1");
    tmux({"kill-pane", "-t", "=dev:0.0"});  // the chosen pane is now dev:0.0, the next one dev:0.1
    send.commandField()->setText(QStringLiteral("echo three-$((1+2))"));
    send.send();
    buttonNamed(send, "Enter")->click();
    ASSERT_TRUE(screenShows("dev:0.0", "three-3"));
    EXPECT_EQ(pidOf("dev:0.0"), chosen);
    EXPECT_FALSE(text::contains(screen("dev:0.1"), "three"));
}

}  // namespace
}  // namespace quillon::testing
