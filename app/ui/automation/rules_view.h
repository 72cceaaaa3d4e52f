#pragma once
// The rules screen: the auto-commands switch with its warning, the scan rules as cards (enable
// switch, edit, delete), the editor sheet for new and changed rules, and the recent
// executions with their Clear.

#include "app/scan_rule.h"
#include "app/ui/widgets/scrolling_page.h"
#include "app/ui/ui_context.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillon::ui {

class CardListView;
class EmptyState;
class RuleCardDelegate;
class RuleEditor;
class RuleListModel;
class RuleExecutionListModel;

class RulesView : public ScrollingPage {
    Q_OBJECT
public:
    explicit RulesView(UiContext& context, QWidget* parent = nullptr);

    // Opens the editor sheet on a rule; saving upserts it.
    RuleEditor* openEditor(const ScanRule& rule);
    QCheckBox* autoCommandsSwitch() const noexcept { return autoCommands_; }
    QPushButton* newRuleButton() const noexcept { return newRule_; }
    CardListView* cards() const noexcept { return cards_; }
    RuleCardDelegate* cardDelegate() const noexcept { return delegate_; }
    CardListView* executions() const noexcept { return executions_; }
    QPushButton* clearExecutionsButton() const noexcept { return clearExecutions_; }
    EmptyState* emptyState() const noexcept { return empty_; }

private:
    QWidget* buildMasterCard();
    void relabel();
    void updateVisibility();
    void act(const QModelIndex& index, int action);

    UiContext& context_;
    RuleListModel* model_;
    RuleExecutionListModel* executionModel_;
    QCheckBox* autoCommands_;
    QLabel* note_;
    QLabel* rulesHeading_;
    QPushButton* newRule_;
    EmptyState* empty_;
    CardListView* cards_;
    RuleCardDelegate* delegate_;
    QWidget* executionsSection_;
    QLabel* executionsHeading_;
    QPushButton* clearExecutions_;
    CardListView* executions_;
};

}  // namespace quillon::ui
