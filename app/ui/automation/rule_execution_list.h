#pragma once
// The rules screen's "Recent executions": the store's log newest first, as a list model that
// follows the store row by row, and the delegate that draws one firing on one line (time,
// rule name, action, event message).

#include <QStyledItemDelegate>

#include "app/scan_rule.h"
#include "app/ui/widgets/keyed_list_model.h"

namespace quillon {
class RuleStore;
}

namespace quillon::ui {

class RuleExecutionListModel : public KeyedListModel<RuleExecution> {
    Q_OBJECT
public:
    explicit RuleExecutionListModel(RuleStore& store, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void follow(const RuleStore& store);
};

class RuleExecutionDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace quillon::ui
