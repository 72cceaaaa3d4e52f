#include "app/ui/automation/rule_execution_list.h"

#include <QPainter>

#include "app/rule_store.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

RuleExecutionListModel::RuleExecutionListModel(RuleStore& store, QObject* parent) : KeyedListModel(parent) {
    follow(store);
    connect(&store, &RuleStore::executionsChanged, this, [this, &store] { follow(store); });
}

void RuleExecutionListModel::follow(const RuleStore& store) {
    std::vector<RuleExecution> newestFirst(store.executions().rbegin(), store.executions().rend());
    replaceRows(std::move(newestFirst), [](const RuleExecution& e) -> const std::string& { return e.id; });
}

QVariant RuleExecutionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const RuleExecution& e = at(index.row());
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    return clockTime(e.timestamp) + QStringLiteral(" ") + qs(e.ruleName) + QStringLiteral(": ") + qs(e.action) +
           QStringLiteral(" — ") + qs(e.message);
}

QSize RuleExecutionDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {200, option.fontMetrics.height() + 10};
}

void RuleExecutionDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* model = static_cast<const RuleExecutionListModel*>(index.model());
    const RuleExecution& e = model->at(index.row());
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &base, painter, option.widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QColor primary = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? primary : Theme::secondary(palette);
    QFont medium = option.font;
    medium.setWeight(QFont::Medium);

    // Pieces left to right: the last one takes what is left and is elided.
    const struct {
        QString text;
        const QFont& font;
        QColor color;
    } pieces[] = {
        {clockTime(e.timestamp), option.font, secondary},
        {qs(e.ruleName), medium, primary},
        {qs(e.action), option.font, primary},
        {qs(e.message), option.font, secondary},
    };
    painter->save();
    int x = option.rect.left() + 6;
    const int right = option.rect.right() - 6;
    for (const auto& piece : pieces) {
        if (x >= right) break;
        const QFontMetrics metrics(piece.font);
        const QString shown = metrics.elidedText(piece.text, Qt::ElideRight, right - x);
        painter->setFont(piece.font);
        painter->setPen(piece.color);
        painter->drawText(QRect(x, option.rect.top(), right - x, option.rect.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
        x += metrics.horizontalAdvance(shown) + 12;
    }
    painter->restore();
}

}  // namespace quillon::ui

#include "moc_rule_execution_list.cpp"
