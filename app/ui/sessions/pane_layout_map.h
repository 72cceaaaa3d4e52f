#pragma once
// A miniature of one window's panes, drawn to scale from the window's layout string alone:
// one box per pane, the active one highlighted, its index inside. Clicking a box (or Return
// on the focused one) selects the pane; its context menu previews, attaches the window,
// swaps the pane forward or back, or kills it: always the pane drawn, by its id, even when
// tmux has renumbered the panes since.
//
// The layout names panes by tmux's pane id, the targets by pane index. Leaves come in tmux's
// own pane order, which is the index order, so the n-th box is the pane of index order n.
// While the layout and the pane list disagree in count (a split between the two queries of a
// snapshot), the boxes are drawn but name no pane, so no action can reach the wrong one.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/tmux_model.h"

class QMenu;

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class PaneLayoutMap : public QWidget {
    Q_OBJECT
public:
    static constexpr int mapHeight = 56;
    static constexpr double inset = 2.0;
    static constexpr double gap = 3.0;  // taken off each box's width and height

    // Called with the pane's id ("%12"), which stays its own when tmux renumbers.
    using OnSelect = std::function<void(const std::string& paneID)>;

    struct Box {
        QRectF rect;         // in widget coordinates
        std::int64_t index;  // the pane's index in its window
        std::string target;  // empty while layout and panes disagree
        bool active = false;
        std::string paneID;  // what clicks and the menu's actions address; empty with target
    };

    PaneLayoutMap(AppEnvironment& env, TmuxSession session, TmuxWindow window, QWidget* parent = nullptr);

    // A newer snapshot of the same window; repaints only when what is drawn changed.
    void setWindow(const TmuxSession& session, const TmuxWindow& window);
    // Without it, clicks do nothing and boxes have no hover help.
    void setOnSelect(OnSelect onSelect);

    // The boxes at the current size, in the layout's order.
    std::vector<Box> boxes() const;
    std::optional<Box> boxAt(const QPointF& point) const;
    // The hover help over a point: "Preview pane N" when selecting is possible there.
    QString helpAt(const QPointF& point) const;
    // The context menu's actions for a box.
    void addActionsTo(QMenu& menu, const Box& box);

    QSize sizeHint() const override { return {240, mapHeight}; }
    QSize minimumSizeHint() const override { return {60, mapHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void select(const Box& box);
    void relabel();
    void describeFocus();

    AppEnvironment& env_;
    TmuxSession session_;
    TmuxWindow window_;
    OnSelect onSelect_;
    std::optional<std::int64_t> pressed_;  // index of the box under a press
    int focused_ = 0;                      // the box keyboard actions apply to
};

}  // namespace quillon::ui
