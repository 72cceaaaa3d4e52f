#pragma once
// One window on the session detail's windows tab: its header (active mark, "index: name",
// close button), its pane layout map and one card per pane with preview and export.
// A refresh updates it in place.

#include <QFrame>

#include <string>

#include "core/tmux_model.h"

class QLabel;
class QToolButton;

namespace quillon {
class AppEnvironment;
class PaneAttention;
}

namespace quillon::ui {

class CardListView;
class PaneLayoutMap;
class PaneListModel;
class PaneRowDelegate;
class StatusBadge;

class WindowGroup : public QFrame {
    Q_OBJECT
public:
    // The pane cards show the states attention reads, when given.
    WindowGroup(AppEnvironment& env, PaneAttention* attention, const TmuxSession& session, const TmuxWindow& window,
                QWidget* parent = nullptr);

    void setWindow(const TmuxSession& session, const TmuxWindow& window);
    const TmuxWindow& window() const noexcept { return window_; }
    PaneLayoutMap* map() const noexcept { return map_; }
    CardListView* paneList() const noexcept { return panes_; }
    PaneRowDelegate* paneDelegate() const noexcept { return delegate_; }
    QToolButton* closeButton() const noexcept { return close_; }

signals:
    // With the pane's id ("%12"), taken when the user chose it.
    void previewRequested(const std::string& pane);
    void exportRequested(const std::string& pane);
    void closeRequested(const quillon::TmuxWindow& window);

protected:
    void changeEvent(QEvent* event) override;

private:
    void relabel();
    void showHeader();

    AppEnvironment& env_;
    TmuxWindow window_;
    QLabel* icon_;
    QLabel* title_;
    StatusBadge* activeBadge_;
    QToolButton* close_;
    PaneLayoutMap* map_;
    PaneListModel* model_;
    PaneRowDelegate* delegate_;
    CardListView* panes_;
};

}  // namespace quillon::ui
