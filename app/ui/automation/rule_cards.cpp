#include "app/ui/automation/rule_cards.h"

#include <QPainter>

#include "app/rule_store.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

const ScanRule& ruleAt(const QModelIndex& index) { return static_cast<const RuleListModel*>(index.model())->at(index.row()); }

}  // namespace

QString ruleSummary(const ScanRule& rule) {
    QString summary = qs(label(rule.trigger));
    // The trigger's own value in place of its generic wording.
    if (rule.trigger == ScanRuleTrigger::paneQuiet)
        summary = qL("Liniștit de ", "Quiet for ") + QString::number(rule.quietSeconds) + QStringLiteral(" s");
    if (rule.trigger == ScanRuleTrigger::outputMatches) summary += QStringLiteral(" /") + qs(rule.pattern) + QStringLiteral("/");
    if (!rule.match.empty())
        summary += QStringLiteral(" ") + qL("conține", "contains") + QStringLiteral(" „") + qs(rule.match) + QStringLiteral("”");
    summary += QStringLiteral(" → ") + qs(displayText(rule.actionKind));
    if (!rule.actionValue.empty()) summary += QStringLiteral(": ") + qs(rule.actionValue);
    return summary;
}

QString ruleTitle(const ScanRule& rule) { return rule.name.empty() ? qL("(fără nume)", "(unnamed)") : qs(rule.name); }

RuleListModel::RuleListModel(RuleStore& store, QObject* parent) : KeyedListModel(parent) {
    rows_ = store.rules();
    connect(&store, &RuleStore::rulesChanged, this, [this, &store] {
        replaceRows(store.rules(), [](const ScanRule& rule) -> const std::string& { return rule.id; });
    });
}

QVariant RuleListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ScanRule& rule = at(index.row());
    switch (role) {
        case Qt::DisplayRole: return ruleTitle(rule);
        case Qt::AccessibleTextRole:
            return ruleTitle(rule) + QStringLiteral(", ") + (rule.enabled ? qL("activă", "enabled") : qL("inactivă", "disabled")) +
                   QStringLiteral(": ") + ruleSummary(rule);
        default: return {};
    }
}

RuleCardDelegate::RuleCardDelegate(QObject* parent) : CardDelegate(58, parent) {}

std::vector<CardButton> RuleCardDelegate::buttons(const QModelIndex& index) const {
    const ScanRule& rule = ruleAt(index);
    CardButton enabled{toggleEnabled, {}, {}, qL("Activă", "Enabled"), CardButton::Style::toggle};
    enabled.checked = rule.enabled;
    return {
        enabled,
        {edit, "pencil", {}, qL("Editează", "Edit"), CardButton::Style::flat},
        {remove, "trash", {}, qL("Șterge", "Delete"), CardButton::Style::flat},
    };
}

void RuleCardDelegate::paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                                    const QRect& content) const {
    const ScanRule& rule = ruleAt(index);
    const QColor tint = rule.enabled ? Theme::orange() : Theme::secondary(option.palette);
    paintText(painter, option, content,
              {Icons::tinted(rule.enabled ? "bolt.fill" : "bolt.slash", tint, 18).pixmap(18, 18), ruleTitle(rule), ruleSummary(rule), {}});
}

}  // namespace quillon::ui

#include "moc_rule_cards.cpp"
