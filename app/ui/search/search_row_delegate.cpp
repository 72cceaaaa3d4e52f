#include "app/ui/search/search_row_delegate.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>

#include "app/ui/search/search_results_model.h"
#include "app/ui/widgets/theme.h"

namespace quillon::ui {
namespace {

using RowKind = SearchResultsModel::Kind;

constexpr int pad = 4;

int indentOf(RowKind kind) {
    switch (kind) {
        case RowKind::session: return 0;
        case RowKind::window: return 14;
        case RowKind::pane: return 28;
        case RowKind::match: return 42;
        case RowKind::notRead: return 0;
    }
    return 0;
}

QFont monospace(const QFont& base) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(base.pointSizeF());
    return font;
}

// One line of plain text in rect, the match (start, length) on a highlight; a line too
// wide to show the match is shown from a little before it, marked with "…".
void drawMatchLine(QPainter* painter, const QRect& rect, QString line, int start, int length, const QColor& text,
                   const QColor& highlight) {
    const QFontMetrics metrics(painter->font());
    start = std::clamp(start, 0, int(line.size()));
    length = std::clamp(length, 0, int(line.size()) - start);
    if (metrics.horizontalAdvance(line.left(start + length)) > rect.width() && start > 12) {
        const int cut = start - 12;
        line = QStringLiteral("…") + line.mid(cut);
        start -= cut - 1;
    }
    const int before = metrics.horizontalAdvance(line.left(start));
    const int width = metrics.horizontalAdvance(line.mid(start, length));
    if (length > 0)
        painter->fillRect(QRect(rect.left() + before, rect.top(), width, rect.height()), highlight);
    painter->setPen(text);
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      metrics.elidedText(line, Qt::ElideRight, rect.width()));
}

}  // namespace

void SearchRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, option.widget);

    const auto kind = RowKind(index.data(SearchResultsModel::KindRole).toInt());
    const bool selected = option.state & QStyle::State_Selected;
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor dim = selected ? text : Theme::secondary(option.palette);
    QRect area = option.rect.adjusted(pad + indentOf(kind), pad, -pad, -pad);
    painter->save();
    if (kind == RowKind::match) {
        painter->setFont(monospace(option.font));
        const int lineHeight = QFontMetrics(painter->font()).height();
        const QRect previous(area.left(), area.top(), area.width(), lineHeight);
        const QRect own(area.left(), area.top() + lineHeight, area.width(), lineHeight);
        painter->setPen(dim);
        painter->drawText(previous, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          QFontMetrics(painter->font())
                              .elidedText(index.data(SearchResultsModel::PreviousRole).toString(), Qt::ElideRight,
                                          previous.width()));
        QColor highlight = Theme::orange();
        highlight.setAlpha(110);
        drawMatchLine(painter, own, index.data(Qt::DisplayRole).toString(),
                      index.data(SearchResultsModel::OffsetRole).toInt(),
                      index.data(SearchResultsModel::LengthRole).toInt(), text, highlight);
    } else {
        QFont font = option.font;
        font.setBold(kind == RowKind::session || kind == RowKind::window);
        painter->setFont(font);
        const QString count = index.data(SearchResultsModel::CountRole).toString();
        const int countWidth = count.isEmpty() ? 0 : QFontMetrics(font).horizontalAdvance(count) + 2 * pad;
        painter->setPen(kind == RowKind::notRead ? Theme::red() : text);
        painter->drawText(area.adjusted(0, 0, -countWidth, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                        area.width() - countWidth));
        if (!count.isEmpty()) {
            painter->setPen(dim);
            painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, count);
        }
    }
    painter->restore();
}

QSize SearchRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto kind = RowKind(index.data(SearchResultsModel::KindRole).toInt());
    if (kind == RowKind::match) return {200, 2 * QFontMetrics(monospace(option.font)).height() + 2 * pad};
    return {200, QFontMetrics(option.font).height() + 2 * pad};
}

}  // namespace quillon::ui

#include "moc_search_row_delegate.cpp"
