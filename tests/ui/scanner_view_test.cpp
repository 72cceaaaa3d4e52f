// The scanner screen against a private server: the filter, Clear and the empty states; the
// log follows the engine row by row with the newest in sight; the scanner follows the
// settings, and leaving the screen ends its control-mode child.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStackedWidget>

#include "app/scanner_engine.h"
#include "app/ui/widgets/components.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/automation/scanner_view.h"
#include "tests/support/control_clients.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

class ScannerViewTest : public UiFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        startStores();
    }

    static std::vector<std::string> shown(const ui::ScannerView& view) {
        std::vector<std::string> rows;
        for (int row = 0; row < view.shownEvents()->rowCount(); ++row)
            rows.push_back(view.shownEvents()->index(row, 0).data().toString().toStdString());
        return rows;
    }
    static bool logShown(const ui::ScannerView& view) {
        return qobject_cast<QStackedWidget*>(view.log()->parentWidget())->currentWidget() == view.log();
    }
};

TEST_F(ScannerViewTest, FilterClearAndEmptyStates) {
    env->setScannerInterval(30);
    ui::ScannerView view(*context);
    view.show();
    EXPECT_FALSE(logShown(view));
    EXPECT_EQ(view.emptyState()->title(), "Empty log");
    EXPECT_EQ(view.emptyState()->description(), "Start the scanner to monitor session, window and pane changes.");

    QTest::mouseClick(view.startStopButton(), Qt::LeftButton);
    sandbox.newWindow(server, "main", "logs");
    view.engine().timerTick();
    ASSERT_TRUE(waitUntil([&] { return view.engine().events().size() == 2; }));
    sandbox.newSession(server, "build");
    view.engine().timerTick();
    ASSERT_TRUE(waitUntil([&] { return view.engine().events().size() == 3; }));
    EXPECT_TRUE(logShown(view));

    const struct {
        const char* filter;
        std::vector<std::string> rows;
    } filters[] = {
        {"WINDOW", {"main: window opened 1:logs", "Session opened: build (1 windows)"}},
        {"nothing like this", {}},
        {"", {"Scanner started — Polling (interval), baseline: 1 sessions.", "main: window opened 1:logs",
              "Session opened: build (1 windows)"}},
    };
    for (const auto& f : filters) {
        view.filterField()->clear();
        QTest::keyClicks(view.filterField(), f.filter);
        EXPECT_EQ(shown(view), f.rows) << f.filter;
        EXPECT_TRUE(logShown(view)) << "a filter that matches nothing still shows the (empty) list";
    }

    QTest::mouseClick(view.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(view.engine().running());
    EXPECT_FALSE(logShown(view));
    EXPECT_EQ(view.emptyState()->description(), "Waiting for changes… create/close a session to see events.");

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(view.emptyState()->description(), "Aștept modificări… creează/închide o sesiune ca să vezi evenimente.");
    EXPECT_EQ(view.startStopButton()->text(), "Oprește");
}

TEST_F(ScannerViewTest, TheLogFollowsTheEngineRowByRowAndStaysAtTheNewest) {
    env->setScannerInterval(30);
    ui::ScannerView view(*context);
    view.resize(700, 400);
    view.show();
    int inserted = 0, resets = 0;
    QObject::connect(view.shownEvents(), &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QObject::connect(view.shownEvents(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    for (int i = 0; i < 260; ++i) {
        view.engine().start();
        view.engine().stop();
    }
    QApplication::processEvents();
    ASSERT_EQ(view.shownEvents()->rowCount(), int(ScannerEngine::maxEvents));
    for (int row : {0, 250, 499})
        EXPECT_EQ(view.shownEvents()->index(row, 0).data().toString().toStdString(), view.engine().events()[std::size_t(row)].message);
    EXPECT_EQ(inserted, 520);
    EXPECT_EQ(resets, 0);
    const QScrollBar* bar = view.log()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ScannerViewTest, FollowsTheSettingsAndLeavingTheScreenEndsItsControlChild) {
    env->setScannerInterval(1);
    ui::MainWindow window(*context);
    window.select({ui::SidebarItem::Kind::scanner, {}});
    auto* view = qobject_cast<ui::ScannerView*>(window.currentScreen());
    ASSERT_NE(view, nullptr);
    const auto captioned = [&](const QString& caption) {
        const auto labels = view->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->isVisibleTo(view) && l->text() == caption; });
    };
    QTest::mouseClick(view->startStopButton(), Qt::LeftButton);
    EXPECT_EQ(view->startStopButton()->text(), "Stop");
    EXPECT_TRUE(captioned("polling la 1.0s"));
    EXPECT_EQ(view->engine().timerInterval(), 1000ms);
    env->setScannerInterval(2.5);
    EXPECT_EQ(view->engine().timerInterval(), 2500ms);

    env->setScannerMode(ScannerMode::controlMode);
    EXPECT_EQ(view->engine().timerInterval(), 5000ms);
    EXPECT_TRUE(captioned("control mode (push)"));
    const auto& events = view->engine().events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 3].message, "Scanner stopped.");
    EXPECT_EQ(events[events.size() - 2].message, "Scanner started — Control mode (push), baseline: 1 sessions.");
    ASSERT_TRUE(waitForControlClients(sandbox, server, 1));

    const pid_t child = view->engine().controlPid().value_or(-1);
    window.select({ui::SidebarItem::Kind::dashboard, {}});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(waitUntil([&] { return processGone(child); }, 3s));
    EXPECT_TRUE(waitForControlClients(sandbox, server, 0));
}

}  // namespace
}  // namespace quillon::testing
