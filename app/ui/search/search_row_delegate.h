#pragma once
// Paints the rows of a search: headings indented by level with their counts on the right,
// and each match as two monospaced lines, the line before it dimmed and its own line with
// the match on a highlight. Everything is drawn as plain text; nothing from tmux is ever
// read as markup.

#include <QStyledItemDelegate>

namespace quillon::ui {

class SearchRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace quillon::ui
