// The main window by keys alone, against a private server: Tab and F6 run toolbar → sidebar →
// screen and back, Ctrl+number and Return open places with the focus in them, the menu key
// and Shift+F10 open the focused card's menu, Return does what a click does, the cards'
// buttons and the sidebar's rows act through the accessibility tree, a focused card shows a
// ring, and the window's layout comes back after a restart.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <functional>
#include <set>

#include "app/ui/automation/scanner_view.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/sessions/session_card_delegate.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/sidebar_view.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/components.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using ui::SidebarItem;
using Kind = SidebarItem::Kind;

class KeyboardTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "alpha");
        sandbox.newSession(server, "beta");
        startStores();
        window = std::make_unique<ui::MainWindow>(*context);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override { window.reset(); }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, key, modifiers);
        QApplication::processEvents();
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    bool focusIn(const QWidget* area) const { return focused() && (focused() == area || area->isAncestorOf(focused())); }
    ui::SidebarView* sidebar() const { return window->findChild<ui::SidebarView*>(); }
    QToolBar* toolbar() const { return window->findChild<QToolBar*>(QStringLiteral("toolbar")); }
    ui::CardListView* cards() const { return window->dashboard()->cards(); }

    // Waits for the next pop-up menu, hands it to use once the window system has shown it, and
    // lets the caller go on at once. The offscreen platform activates every window it shows;
    // a menu closed before that news arrives becomes the active window afterwards, and once
    // deleted leaves no window with the keys. A person's keys always come after the showing.
    void onNextMenu(std::function<void(QMenu&)> use) {
        QTimer::singleShot(0, [use = std::move(use)] { useNextMenu(use); });
    }
    static void useNextMenu(const std::function<void(QMenu&)>& use) {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return QTimer::singleShot(10, [use] { useNextMenu(use); });
        if (!QTest::qWaitForWindowExposed(menu)) return;
        QApplication::processEvents();
        use(*menu);
    }
    std::string attachLineOf(std::size_t row) const { return "attach-session -t '" + env->sessions()[row].sessionID + "'"; }

    std::unique_ptr<ui::MainWindow> window;
};

TEST_F(KeyboardTest, TabAndF6RunFromToolbarToSidebarToScreenAndBack) {
    // The window opens with the focus on the dashboard's cards, where the work is.
    EXPECT_EQ(focused(), cards());
    // F6 goes region by region, and Shift+F6 comes back.
    press(Qt::Key_F6);
    EXPECT_TRUE(focusIn(toolbar()));
    press(Qt::Key_F6);
    EXPECT_EQ(focused(), sidebar());
    press(Qt::Key_F6);
    EXPECT_EQ(focused(), cards());
    press(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(focused(), sidebar());
    press(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(focusIn(toolbar()));
    press(Qt::Key_F6);
    ASSERT_EQ(focused(), sidebar());

    // Tab from the sidebar crosses the screen and the toolbar and comes back; the tiles are
    // information and take no focus. Shift+Tab walks the same ring the other way.
    std::vector<QWidget*> forward;
    for (int i = 0; i < 30 && (forward.empty() || focused() != sidebar()); ++i) {
        press(Qt::Key_Tab);
        forward.push_back(focused());
    }
    ASSERT_EQ(forward.back(), sidebar());
    const auto reached = [&](const std::function<bool(QWidget*)>& test) { return std::any_of(forward.begin(), forward.end(), test); };
    EXPECT_TRUE(reached([&](QWidget* w) { return w == cards(); }));
    EXPECT_TRUE(reached([&](QWidget* w) { return toolbar()->isAncestorOf(w); }));
    EXPECT_FALSE(reached([](QWidget* w) { return qobject_cast<ui::StatTile*>(w) != nullptr; }));
    std::vector<QWidget*> backward;
    for (std::size_t i = 0; i < forward.size(); ++i) {
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        backward.push_back(focused());
    }
    std::reverse(backward.begin(), backward.end());
    forward.pop_back();
    forward.insert(forward.begin(), sidebar());
    EXPECT_EQ(backward, forward);
}

TEST_F(KeyboardTest, ShortcutsAndReturnOpenPlacesWithTheFocusInThem) {
    press(Qt::Key_2, Qt::ControlModifier);
    auto* scanner = qobject_cast<ui::ScannerView*>(window->currentScreen());
    ASSERT_NE(scanner, nullptr);
    EXPECT_TRUE(focusIn(scanner));
    press(Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(window->currentScreen(), window->dashboard());
    EXPECT_EQ(focused(), cards());

    // Moving through the sidebar shows each place and keeps the focus there; Return opens it.
    press(Qt::Key_F6, Qt::ShiftModifier);
    ASSERT_EQ(focused(), sidebar());
    press(Qt::Key_Down);
    EXPECT_EQ(window->selection(), SidebarItem::session("alpha"));
    EXPECT_EQ(focused(), sidebar());
    press(Qt::Key_Return);
    auto* detail = qobject_cast<ui::SessionDetailView*>(window->currentScreen());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->sessionName(), "alpha");
    EXPECT_TRUE(focusIn(detail));

    // The standard keys reach the menu's actions, whose tooltips name them.
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(navigator.calls, std::vector<std::string>{"new-session"});
    std::set<QString> toolTips;
    for (QAction* action : toolbar()->actions()) toolTips.insert(action->toolTip());
    EXPECT_TRUE(toolTips.count("Create a new tmux session (" + QKeySequence(QKeySequence::New).toString(QKeySequence::NativeText) + ")"));
    EXPECT_TRUE(toolTips.count("Reload server state (Ctrl+R)"));
}

TEST_F(KeyboardTest, MenuKeyAndShiftF10OpenTheFocusedCardsMenuAndReturnAttaches) {
    press(Qt::Key_1, Qt::ControlModifier);
    ASSERT_EQ(focused(), cards());
    ASSERT_EQ(cards()->currentIndex().row(), 0);  // taking the focus made a card current
    press(Qt::Key_Down);
    QStringList shown;
    onNextMenu([&](QMenu& menu) {
        shown = texts(menu);
        for (int i = 0; i < 6 && !(menu.activeAction() && menu.activeAction()->text() == "Copy attach command"); ++i)
            QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    QGuiApplication::clipboard()->clear();
    press(Qt::Key_Menu);
    ASSERT_TRUE(waitUntil([] { return QGuiApplication::clipboard()->text().contains("attach"); }));
    EXPECT_EQ(shown.value(0), "Attach in terminal");
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("beta"));

    bool opened = false;
    onNextMenu([&](QMenu& menu) {
        opened = true;
        QTest::keyClick(&menu, Qt::Key_Escape);
    });
    press(Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(waitUntil([&] { return opened && !QApplication::activePopupWidget(); }));
    EXPECT_EQ(focused(), cards());

    press(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !desktop.opened().empty(); }));
    EXPECT_TRUE(text::contains(desktop.opened().back().second, attachLineOf(1)));
}

TEST_F(KeyboardTest, CardButtonsAndSidebarRowsActThroughTheAccessibilityTree) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(cards());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->childCount(), 2);
    QAccessibleInterface* beta = list->child(1);
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(list->indexOfChild(beta), 1);
    EXPECT_TRUE(beta->text(QAccessible::Name).contains("beta"));
    QAccessibleActionInterface* actions = beta->actionInterface();
    ASSERT_NE(actions, nullptr);
    const QStringList names = actions->actionNames();
    EXPECT_TRUE(names.contains("Attach")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains(QAccessibleActionInterface::showMenuAction()));
    EXPECT_EQ(names.size(), 4);  // press, menu, and the two buttons
    actions->doAction("Attach");
    ASSERT_TRUE(waitUntil([&] { return !desktop.opened().empty(); }));
    EXPECT_TRUE(text::contains(desktop.opened().back().second, attachLineOf(1)));

    // A screen reader selects a sidebar row by its name, and the place opens.
    std::function<QAccessibleInterface*(QAccessibleInterface*)> findRow = [&](QAccessibleInterface* node) -> QAccessibleInterface* {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child) continue;
            if (child->text(QAccessible::Name) == "Scanner" && child->actionInterface()) return child;
            if (auto* found = findRow(child)) return found;
        }
        return nullptr;
    };
    QAccessibleInterface* row = findRow(QAccessible::queryAccessibleInterface(sidebar()));
    ASSERT_NE(row, nullptr);
    row->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_NE(qobject_cast<ui::ScannerView*>(window->currentScreen()), nullptr);
}

TEST_F(KeyboardTest, AFocusedCardShowsARing) {
    ui::SessionCardDelegate delegate(*env);
    auto render = [&](bool focus) {
        QImage image(400, 80, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(cards());
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | (focus ? QStyle::State_HasFocus : QStyle::State_None);
        delegate.paint(&painter, option, window->dashboard()->cardModel()->index(0));
        return image;
    };
    const QColor ring = cards()->palette().color(QPalette::Highlight);
    auto ringPixels = [&](const QImage& image) {
        int count = 0;
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, 4) == ring;
        return count;
    };
    EXPECT_EQ(ringPixels(render(false)), 0);
    EXPECT_GT(ringPixels(render(true)), 200);
}

TEST_F(KeyboardTest, TheWindowsPlaceSizeAndSidebarWidthComeBackAfterARestart) {
    window->resize(window->minimumSize() + QSize(30, 20));
    auto* split = window->findChild<QSplitter*>(QStringLiteral("split"));
    split->setSizes({310, 580});
    QApplication::processEvents();
    const QSize size = window->size();
    const int sidebarWidth = split->sizes().front();
    ASSERT_NE(sidebarWidth, 240);
    window->close();

    ui::MainWindow again(*context);
    again.show();
    QApplication::processEvents();
    EXPECT_EQ(again.size(), size);
    EXPECT_EQ(again.findChild<QSplitter*>(QStringLiteral("split"))->sizes().front(), sidebarWidth);

    // A damaged record leaves the window as it is made.
    writeFile(home.path() / "state" / "quillon" / "view-state.json", "{\"mainWindowGeometry\": 7, \"sidebarSplitterSizes\": [\"x\"]}");
    ui::MainWindow fresh(*context);
    fresh.show();
    QApplication::processEvents();
    EXPECT_NE(fresh.findChild<QSplitter*>(QStringLiteral("split"))->sizes().front(), sidebarWidth);
}

}  // namespace
}  // namespace quillon::testing
