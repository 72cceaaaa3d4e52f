#pragma once
// Panes as list rows: the model (keyed by target, so a refresh touches only changed rows)
// and the delegate that paints them, either as a window's pane card with its preview and
// export buttons, or as an activity row (target, command, path, pid). Each row shows its
// pane's state; a new reading of the states repaints only the rows whose state changed.

#include <QPointer>

#include <optional>
#include <vector>

#include "app/pane_attention.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/keyed_list_model.h"
#include "app/ui/widgets/state_badge.h"
#include "core/tmux_model.h"

namespace quillon::ui {

class PaneListModel : public KeyedListModel<TmuxPane> {
    Q_OBJECT
public:
    using KeyedListModel::KeyedListModel;
    QVariant data(const QModelIndex& index, int role) const override;
    void setPanes(std::vector<TmuxPane> panes);
    // Shows the states attention reads from now on; without it rows show none.
    void showStates(PaneAttention* attention);
    // The row's state: nothing before its pane was read, "state unknown" where it cannot be.
    std::optional<StateBadge> stateAt(int row) const;

private:
    void followStates();

    QPointer<PaneAttention> attention_;
    ShownStates shown_;
};

class PaneRowDelegate : public CardDelegate {
    Q_OBJECT
public:
    enum class Style { windowPane, process };
    enum Action { preview, exportScrollback };
    static constexpr int rowHeight = 44;

    explicit PaneRowDelegate(Style style, QObject* parent = nullptr);
    std::vector<CardButton> buttons(const QModelIndex& index) const override;
    // "80×24 · pid 4242"
    static QString sizeLine(const TmuxPane& pane);

protected:
    void paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const QRect& content) const override;

private:
    Style style_;
};

// A card list as tall as its rows: it lives inside a page that scrolls as a whole.
void fitListToRows(CardListView& list, int rowHeight);

}  // namespace quillon::ui
