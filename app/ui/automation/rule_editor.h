#pragma once
// The sheet that edits one scan rule: name and enabled, the trigger and its message filter,
// the action, its value and the cooldown. A quiet trigger shows its seconds, an output
// trigger its pattern and whether it is a regular expression (checked as the search checks it). Save trims the name and is offered only while the
// name is not blank.

#include "app/scan_rule.h"
#include "app/ui/widgets/editor_sheet.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace quillon::ui {

class RuleEditor : public EditorSheet {
    Q_OBJECT
public:
    static constexpr int maxCooldown = 600;
    static constexpr int cooldownStep = 5;

    RuleEditor(UiContext& context, ScanRule rule, QWidget* parent = nullptr);

    // The rule as the fields describe it now, name trimmed.
    ScanRule editedRule() const;
    bool isValid() const override;

signals:
    void saved(const quillon::ScanRule& rule);

private:
    void relabel() override;
    void save() override;
    void updatePlaceholder();
    // The trigger's own fields shown for it alone; the filter's label names what it filters.
    void showTriggerFields();

    ScanRule rule_;
    QGroupBox* general_;
    QLabel* nameLabel_;
    QLineEdit* name_;
    QCheckBox* enabled_;
    QGroupBox* triggerGroup_;
    QLabel* triggerLabel_;
    QComboBox* trigger_;
    QLabel* matchLabel_;
    QLineEdit* match_;
    QLabel* quietLabel_;
    QSpinBox* quiet_;
    QLabel* patternLabel_;
    QLineEdit* pattern_;
    QCheckBox* regex_;
    QLabel* patternError_;
    QGroupBox* actionGroup_;
    QLabel* kindLabel_;
    QComboBox* kind_;
    QLineEdit* value_;
    QSpinBox* cooldown_;
    int shownCooldown_ = 0;
};

}  // namespace quillon::ui
