#pragma once
// Search every pane of the shown server (Ctrl+K): a field, a "Regex" switch, the reason
// under the field when an expression is invalid, and the results grouped session → window
// → pane as the user types (debounced). Return or a click on a match asks to open that
// pane's preview at the match; Esc closes. tmux is read by the runner in the pool.
//
// Results belong to the server they were read from (its ServerIdentity): a switch of server
// cancels the search and clears them, the query runs again once the new server's sessions
// are known, and a match is never opened on a server other than its own.

#include <QDialog>

#include <chrono>
#include <cstdint>
#include <optional>

#include "app/ui/ui_context.h"
#include "core/pane_search.h"
#include "core/server_identity.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QTimer;

namespace quillon::ui {

class PaneSearchRunner;
class SearchResultsModel;

class PaneSearchPanel : public QDialog {
    Q_OBJECT
public:
    // Matches shown at most; the summary says when there were more.
    static constexpr std::size_t maxResults = 1000;
    static constexpr int debounceMs = 150;

    explicit PaneSearchPanel(UiContext& context, QWidget* parent = nullptr);

    // Reads the scrollback setting, shows the panel with the field focused and its text selected.
    void open() override;
    // The debounced search, now.
    void searchNow();
    // Opens the match of a row; false for a row that is no match or of another server.
    bool openRow(int row);
    // A search waits for the debounce or runs.
    bool busy() const;
    // Each batch's limit; the client's own when unset. A test shortens it.
    void setTimeLimit(std::optional<std::chrono::milliseconds> limit) { timeLimit_ = limit; }

    QLineEdit* field() const noexcept { return field_; }
    QCheckBox* regexSwitch() const noexcept { return regex_; }
    QLabel* errorLabel() const noexcept { return error_; }
    QLabel* summaryLabel() const noexcept { return summary_; }
    QListView* resultList() const noexcept { return list_; }
    SearchResultsModel* model() const noexcept { return model_; }
    PaneSearchRunner* runner() const noexcept { return runner_; }

signals:
    void matchChosen(const quillon::SearchPane& pane, const quillon::LineMatch& match, std::int64_t lines);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void relabel();
    void forgetServer();
    void showResult(const SearchResult& result);
    void showSummary();

    UiContext& context_;
    QLineEdit* field_;
    QCheckBox* regex_;
    QLabel* error_;
    QLabel* summary_;
    QListView* list_;
    SearchResultsModel* model_;
    PaneSearchRunner* runner_;
    QTimer* debounce_;
    std::int64_t lines_ = 0;  // of the search shown
    ServerIdentity searched_;  // the server of the search shown
    bool searchWhenKnown_ = false;  // the query of a server switched away from
    std::int64_t scrollback_ = 2000;  // the setting, read when the panel opens
    std::optional<std::chrono::milliseconds> timeLimit_;
};

}  // namespace quillon::ui
