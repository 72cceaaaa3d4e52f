#pragma once
// Panes as list rows: the model (keyed by target, so a refresh touches only changed rows)
// and the delegate that paints them, either as a window's pane card with its preview and
// export buttons, or as an activity row (target, command, path, pid).

#include <vector>

#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/keyed_list_model.h"
#include "core/tmux_model.h"

namespace quillon::ui {

class PaneListModel : public KeyedListModel<TmuxPane> {
    Q_OBJECT
public:
    using KeyedListModel::KeyedListModel;
    QVariant data(const QModelIndex& index, int role) const override;
    void setPanes(std::vector<TmuxPane> panes);
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
