// The pane search against a private server: Ctrl+K opens it, results grouped session →
// window → pane with counts by the plural rules, an invalid expression said under the
// field, Return opening the session's preview at the highlighted match, Esc closing, and a
// new query replacing the old one's results.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

#include "app/app_environment.h"
#include "app/ui/search/pane_search_panel.h"
#include "app/ui/search/pane_search_runner.h"
#include "app/ui/search/search_results_model.h"
#include "app/ui/sessions/pane_preview.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/widgets/ui_text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

using RowKind = ui::SearchResultsModel::Kind;

class PaneSearchTest : public UiFixture {
protected:
    void SetUp() override {
        // Old lines scrolled into history, so the preview must show the scrollback too.
        run("build", "for i in $(seq 1 60); do echo compile step $i; done; echo 'error: Linker failed'; echo done-b",
            "done-b");
        run("logs", "echo 'GET /index 200'; echo 'linker ok'; echo done-l", "done-l");
        tmux({"split-window", "-t", "=logs:0", "echo 'second pane LINKER'; sleep 600"});
        startStores();
    }
    void run(const std::string& session, const std::string& script, const std::string& waitFor) {
        const std::string id = sandbox.newSession(server, session, std::nullopt, "main") + ":";
        tmux({"respawn-pane", "-k", "-t", id, script + "; sleep 600"});
        ASSERT_TRUE(waitUntil([&] { return text::contains(tmux({"capture-pane", "-p", "-t", id}), waitFor); }));
    }
    // Types the query, waits for the debounced search to land.
    void search(ui::PaneSearchPanel& panel, const QString& query) {
        if (panel.field()->text() == query) panel.searchNow();
        else panel.field()->setText(query);
        ASSERT_TRUE(waitUntil([&] { return !panel.busy(); }));
    }
    std::vector<std::pair<RowKind, QString>> rows(const ui::PaneSearchPanel& panel) {
        std::vector<std::pair<RowKind, QString>> out;
        for (int i = 0; i < panel.model()->rowCount(); ++i) {
            const auto& row = panel.model()->row(i);
            out.emplace_back(row.kind, row.kind == RowKind::match ? row.text : row.text + " | " + row.count);
        }
        return out;
    }
};

TEST_F(PaneSearchTest, ResultsAreGroupedAndCountedAndReturnOpensThePreviewAtTheMatch) {
    ui::MainWindow window(*context);
    window.show();
    EXPECT_EQ(window.searchAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
    window.searchAction()->trigger();
    ui::PaneSearchPanel* panel = window.searchPanel();
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }));
    EXPECT_EQ(window.searchAction()->iconText(), "Search panes");
    search(*panel, "linker");
    EXPECT_EQ(panel->summaryLabel()->text(), "3 matches in 3 panes");
    const auto& sessions = env->sessions();
    const std::string buildPane = find(sessions, "build")->windows[0].panes[0].paneID;
    const std::string logsPane = find(sessions, "logs")->windows[0].panes[1].paneID;
    EXPECT_EQ(rows(*panel), (std::vector<std::pair<RowKind, QString>>{
                                {RowKind::session, "build | 1 match"},
                                {RowKind::window, "0: main | 1 match"},
                                {RowKind::pane, ui::qs("Pane build:0.0 (" + buildPane + ") | 1 match")},
                                {RowKind::match, "error: Linker failed"},
                                {RowKind::session, "logs | 2 matches"},
                                {RowKind::window, "0: main | 2 matches"},
                                {RowKind::pane, ui::qs("Pane logs:0.0 (" + find(sessions, "logs")->windows[0].panes[0].paneID +
                                                ") | 1 match")},
                                {RowKind::match, "linker ok"},
                                {RowKind::pane, ui::qs("Pane logs:0.1 (" + logsPane + ") | 1 match")},
                                {RowKind::match, "second pane LINKER"},
                            }));
    const auto& first = panel->model()->row(3);
    EXPECT_EQ(panel->model()->data(panel->model()->index(3), ui::SearchResultsModel::PreviousRole).toString(),
              QStringLiteral("compile step 60"));
    EXPECT_EQ(first.offset, 7);
    EXPECT_EQ(first.length, 6);

    // Return in the field opens the current (first) match: its session, the preview at the line;
    // a session renamed since the search is still the one the match is in.
    tmux({"rename-session", "-t", "=build", "build-2"});
    refreshNow();
    QTest::keyClick(panel->field(), Qt::Key_Return);
    EXPECT_FALSE(panel->isVisible());
    auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->sessionName(), "build-2");
    EXPECT_EQ(detail->currentTab(), ui::SessionDetailView::Tab::preview);
    ASSERT_TRUE(waitUntil([&] { return !detail->preview()->highlightedText().isEmpty(); }));
    EXPECT_EQ(detail->preview()->highlightedText(), "Linker");
    const int line = detail->preview()->highlightedLine();
    EXPECT_EQ(detail->preview()->shownText().split('\n').value(line), "error: Linker failed");
    EXPECT_EQ(detail->preview()->shownText().split('\n').value(0), "compile step 1");
}

// Two servers whose first session and pane are both $0 and %0: the results of one are
// cleared the moment the other is shown, are never opened there, and the query runs again on
// the new server once its sessions are known.
TEST_F(PaneSearchTest, ResultsBelongToTheServerTheyCameFrom) {
    const std::string other = TmuxSandbox::uniqueName("other");
    const std::string id = sandbox.newSession(other, "elsewhere", std::nullopt, "main") + ":";
    sandbox.tmux(other, {"respawn-pane", "-k", "-t", id, "echo 'linker far away'; sleep 600"});
    ASSERT_TRUE(waitUntil([&] { return text::contains(sandbox.tmux(other, {"capture-pane", "-p", "-t", id}), "far away"); }));
    ui::MainWindow window(*context);
    window.show();
    window.searchAction()->trigger();
    ui::PaneSearchPanel* panel = window.searchPanel();
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }));
    search(*panel, "linker");
    EXPECT_EQ(panel->summaryLabel()->text(), "3 matches in 3 panes");
    ASSERT_EQ(panel->model()->result().hits[0].pane.paneID, "%0");
    const int stale = panel->model()->matchRowFrom(0);
    std::vector<std::string> opened;
    QObject::connect(panel, &ui::PaneSearchPanel::matchChosen,
                     [&](const SearchPane& pane, const LineMatch&, std::int64_t) { opened.push_back(pane.sessionName); });

    env->useServer(std::nullopt, other, sandbox.socketPath(other));
    EXPECT_EQ(panel->model()->rowCount(), 0);
    EXPECT_FALSE(panel->openRow(stale));
    EXPECT_TRUE(opened.empty());
    ASSERT_TRUE(waitUntil([&] { return !panel->busy() && panel->model()->rowCount() > 0; }));
    EXPECT_EQ(panel->summaryLabel()->text(), "1 match in 1 pane");
    const int fresh = panel->model()->matchRowFrom(0);
    EXPECT_EQ(panel->model()->row(fresh).text, "linker far away");
    EXPECT_TRUE(panel->openRow(fresh));
    EXPECT_EQ(opened, std::vector<std::string>{"elsewhere"});
    auto* detail = qobject_cast<ui::SessionDetailView*>(window.currentScreen());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->sessionName(), "elsewhere");
}

TEST_F(PaneSearchTest, ABadExpressionIsSaidUnderTheFieldAndANewQueryReplacesTheOld) {
    ui::PaneSearchPanel panel(*context);
    panel.open();
    panel.regexSwitch()->setChecked(true);
    search(panel, "link(");
    EXPECT_TRUE(panel.errorLabel()->isVisible());
    EXPECT_EQ(panel.errorLabel()->text(), "Invalid expression: missing ): link(");
    EXPECT_EQ(panel.model()->rowCount(), 0);
    search(panel, "^(get|done)-?");
    EXPECT_FALSE(panel.errorLabel()->isVisible());
    EXPECT_EQ(panel.summaryLabel()->text(), "3 matches in 2 panes");
    // A query started while another runs: only the last one's results are shown.
    panel.field()->setText("compile");
    panel.searchNow();
    panel.field()->setText("second pane");
    search(panel, "second pane");
    EXPECT_EQ(panel.summaryLabel()->text(), "1 match in 1 pane");

    env->setLanguage(AppLanguage::ro);
    search(panel, "compile");
    EXPECT_EQ(panel.summaryLabel()->text(), "60 de potriviri în 1 pane");
    search(panel, "step 1");
    EXPECT_EQ(panel.summaryLabel()->text(), "11 potriviri în 1 pane");
    search(panel, "linker");
    EXPECT_EQ(panel.summaryLabel()->text(), "3 potriviri în 3 pane-uri");
    EXPECT_TRUE(unnamedControls(&panel).empty());
    QTest::keyClick(panel.field(), Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(PaneSearchTest, AScreenReaderReadsTheErrorAndTheSummaryThemselvesInBothLanguages) {
    ui::PaneSearchPanel panel(*context);
    panel.open();
    const auto spoken = [](QWidget* label) { return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name); };
    panel.regexSwitch()->setChecked(true);
    search(panel, "link(");
    EXPECT_EQ(spoken(panel.errorLabel()), "Invalid expression: missing ): link(");
    search(panel, "^(get|done)-?");
    EXPECT_EQ(spoken(panel.summaryLabel()), "3 matches in 2 panes");
    env->setLanguage(AppLanguage::ro);
    search(panel, "link(");
    EXPECT_EQ(spoken(panel.errorLabel()), "Expresie invalidă: missing ): link(");
    search(panel, "linker");
    EXPECT_EQ(spoken(panel.summaryLabel()), "3 potriviri în 3 pane-uri");
}

TEST_F(PaneSearchTest, AStoppedServerListsItsPanesAsNotReadWithinTheLimit) {
    ui::PaneSearchPanel panel(*context);
    panel.setTimeLimit(std::chrono::milliseconds(400));
    panel.open();
    sandbox.stopServer(server);
    const auto start = std::chrono::steady_clock::now();
    search(panel, "linker");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400 + 150 + 1000));
    EXPECT_EQ(panel.summaryLabel()->text(), "0 matches in 0 panes · not read: 3");
    EXPECT_EQ(panel.model()->row(0).kind, RowKind::notRead);
    sandbox.continueServer(server);
}

}  // namespace
}  // namespace quillon::testing
