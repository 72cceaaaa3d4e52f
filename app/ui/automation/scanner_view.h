#pragma once
// The scanner screen: starts and stops a scanner of its own and shows its event log, kept at
// the newest event and filtered by a text. The scanner lives exactly as long as the screen,
// so leaving the screen stops it (and its control-mode child) and discards its log.

#include <QWidget>

#include "app/ui/ui_context.h"

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;
class QStackedWidget;

namespace quillon {
class ScannerEngine;
}

namespace quillon::ui {

class EmptyState;
class ScanEventListModel;

class ScannerView : public QWidget {
    Q_OBJECT
public:
    explicit ScannerView(UiContext& context, QWidget* parent = nullptr);

    ScannerEngine& engine() const noexcept { return *engine_; }
    // The events as shown: filtered, oldest first.
    QSortFilterProxyModel* shownEvents() const noexcept { return filtered_; }
    QListView* log() const noexcept { return log_; }
    EmptyState* emptyState() const noexcept { return empty_; }
    QLineEdit* filterField() const noexcept { return filter_; }
    QPushButton* startStopButton() const noexcept { return startStop_; }
    QPushButton* clearButton() const noexcept { return clear_; }

private:
    void buildToolbar(QWidget* bar);
    void relabel();
    void updateStatus();
    // The log, or the empty state while there are no events.
    void updateLog();
    void updateEmptyState();

    UiContext& context_;
    ScannerEngine* engine_;
    ScanEventListModel* events_;
    QSortFilterProxyModel* filtered_;
    QLabel* title_;
    QLabel* dot_;
    QLabel* status_;         // while running
    QLabel* stoppedStatus_;  // in the secondary colour
    QLineEdit* filter_;
    QPushButton* startStop_;
    QPushButton* clear_;
    QStackedWidget* logArea_;
    EmptyState* empty_;
    QListView* log_;
};

}  // namespace quillon::ui
