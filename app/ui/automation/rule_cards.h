#pragma once
// The rules screen's cards: the rules as a list model that follows the store row by row, and
// the delegate that draws a rule (bolt icon, name, one-line summary) with its enable switch,
// edit and delete buttons.

#include "app/scan_rule.h"
#include "app/ui/widgets/card_delegate.h"
#include "app/ui/widgets/keyed_list_model.h"

namespace quillon {
class RuleStore;
}

namespace quillon::ui {

// "Pane command changed contains „vim” → Run shell command: say done".
QString ruleSummary(const ScanRule& rule);
// The name, or "(unnamed)".
QString ruleTitle(const ScanRule& rule);

class RuleListModel : public KeyedListModel<ScanRule> {
    Q_OBJECT
public:
    explicit RuleListModel(RuleStore& store, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;
};

class RuleCardDelegate : public CardDelegate {
    Q_OBJECT
public:
    enum Action { toggleEnabled, edit, remove };

    explicit RuleCardDelegate(QObject* parent = nullptr);
    std::vector<CardButton> buttons(const QModelIndex& index) const override;

protected:
    void paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const QRect& content) const override;
};

}  // namespace quillon::ui
