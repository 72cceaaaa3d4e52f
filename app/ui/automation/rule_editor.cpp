#include "app/ui/automation/rule_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

#include "app/ui/sessions/session_name_rule.h"
#include "app/ui/widgets/ui_text.h"
#include "core/pane_matcher.h"
#include "core/platform_texts.h"

namespace quillon::ui {

RuleEditor::RuleEditor(UiContext& context, ScanRule rule, QWidget* parent) : EditorSheet(context, parent), rule_(std::move(rule)) {
    setObjectName(QStringLiteral("ruleEditor"));

    general_ = new QGroupBox(this);
    name_ = new QLineEdit(qs(rule_.name), general_);
    name_->setObjectName(QStringLiteral("name"));
    enabled_ = new QCheckBox(general_);
    enabled_->setObjectName(QStringLiteral("enabled"));
    enabled_->setChecked(rule_.enabled);
    nameLabel_ = new QLabel(general_);
    auto* generalForm = new QFormLayout(general_);
    generalForm->addRow(nameLabel_, name_);
    generalForm->addRow(QString(), enabled_);

    triggerGroup_ = new QGroupBox(this);
    triggerLabel_ = new QLabel(triggerGroup_);
    trigger_ = new QComboBox(triggerGroup_);
    trigger_->setObjectName(QStringLiteral("trigger"));
    for (ScanRuleTrigger t : allScanRuleTriggers()) trigger_->addItem(QString(), int(t));
    trigger_->setCurrentIndex(trigger_->findData(int(rule_.trigger)));
    matchLabel_ = new QLabel(triggerGroup_);
    match_ = new QLineEdit(qs(rule_.match), triggerGroup_);
    match_->setObjectName(QStringLiteral("match"));
    quietLabel_ = new QLabel(triggerGroup_);
    quiet_ = new QSpinBox(triggerGroup_);
    quiet_->setObjectName(QStringLiteral("quietSeconds"));
    quiet_->setRange(1, 86400);
    quiet_->setSuffix(QStringLiteral(" s"));
    quiet_->setValue(int(std::clamp<double>(std::isfinite(rule_.quietSeconds) ? std::lround(rule_.quietSeconds) : 30, 1, 86400)));
    quietLabel_->setBuddy(quiet_);
    patternLabel_ = new QLabel(triggerGroup_);
    pattern_ = new QLineEdit(qs(rule_.pattern), triggerGroup_);
    pattern_->setObjectName(QStringLiteral("pattern"));
    pattern_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    patternLabel_->setBuddy(pattern_);
    regex_ = new QCheckBox(triggerGroup_);
    regex_->setObjectName(QStringLiteral("regex"));
    regex_->setChecked(rule_.patternIsRegex);
    patternError_ = new QLabel(triggerGroup_);
    patternError_->setObjectName(QStringLiteral("patternError"));
    patternError_->setTextFormat(Qt::PlainText);
    patternError_->setWordWrap(true);
    auto* triggerForm = new QFormLayout(triggerGroup_);
    triggerForm->addRow(triggerLabel_, trigger_);
    triggerForm->addRow(matchLabel_, match_);
    triggerForm->addRow(quietLabel_, quiet_);
    triggerForm->addRow(patternLabel_, pattern_);
    triggerForm->addRow(QString(), regex_);
    triggerForm->addRow(QString(), patternError_);

    actionGroup_ = new QGroupBox(this);
    kindLabel_ = new QLabel(actionGroup_);
    kind_ = new QComboBox(actionGroup_);
    kind_->setObjectName(QStringLiteral("kind"));
    for (ScanRuleActionKind k : allScanRuleActionKinds()) kind_->addItem(QString(), int(k));
    kind_->setCurrentIndex(kind_->findData(int(rule_.actionKind)));
    value_ = new QLineEdit(qs(rule_.actionValue), actionGroup_);
    value_->setObjectName(QStringLiteral("value"));
    value_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cooldown_ = new QSpinBox(actionGroup_);
    cooldown_->setObjectName(QStringLiteral("cooldown"));
    cooldown_->setRange(0, maxCooldown);
    cooldown_->setSingleStep(cooldownStep);
    cooldown_->setPrefix(QStringLiteral("Cooldown: "));
    cooldown_->setSuffix(QStringLiteral("s"));
    cooldown_->setValue(int(std::lround(rule_.cooldownSeconds)));
    shownCooldown_ = cooldown_->value();
    auto* actionForm = new QFormLayout(actionGroup_);
    actionForm->addRow(kindLabel_, kind_);
    actionForm->addRow(QString(), value_);
    actionForm->addRow(QString(), cooldown_);

    addSection(general_);
    addSection(triggerGroup_);
    addSection(actionGroup_);
    resize(480, sizeHint().height());

    connect(name_, &QLineEdit::textChanged, this, &RuleEditor::validate);
    connect(kind_, &QComboBox::currentIndexChanged, this, &RuleEditor::updatePlaceholder);
    connect(trigger_, &QComboBox::currentIndexChanged, this, [this] {
        showTriggerFields();
        validate();
    });
    connect(pattern_, &QLineEdit::textChanged, this, [this] {
        showTriggerFields();
        validate();
    });
    connect(regex_, &QCheckBox::toggled, this, [this] {
        showTriggerFields();
        validate();
    });
    validate();
    relabel();
}

bool RuleEditor::isValid() const {
    if (trimmedName(name_->text()).isEmpty()) return false;
    if (ScanRuleTrigger(trigger_->currentData().toInt()) != ScanRuleTrigger::outputMatches) return true;
    return PaneMatcher::compile({toStd(pattern_->text()), regex_->isChecked()}).ok();
}

void RuleEditor::showTriggerFields() {
    const auto trigger = ScanRuleTrigger(trigger_->currentData().toInt());
    const bool quiet = trigger == ScanRuleTrigger::paneQuiet, output = trigger == ScanRuleTrigger::outputMatches;
    for (QWidget* w : {static_cast<QWidget*>(quietLabel_), static_cast<QWidget*>(quiet_)}) w->setVisible(quiet);
    for (QWidget* w : {static_cast<QWidget*>(patternLabel_), static_cast<QWidget*>(pattern_), static_cast<QWidget*>(regex_)})
        w->setVisible(output);
    const auto matcher = PaneMatcher::compile({toStd(pattern_->text()), regex_->isChecked()});
    // An empty pattern is merely not written yet.
    const bool wrong = output && !pattern_->text().isEmpty() && !matcher.ok();
    patternError_->setText(wrong ? qs(*matcher.error()) : QString());
    patternError_->setAccessibleName(patternError_->text());
    patternError_->setVisible(wrong);
    matchLabel_->setText(isPaneTrigger(trigger) ? qL("Sesiune (numele conține…)", "Session (name contains…)")
                                                : qL("Filtru (mesajul conține…)", "Filter (message contains…)"));
    match_->setAccessibleName(matchLabel_->text());
}

void RuleEditor::save() { emit saved(editedRule()); }

ScanRule RuleEditor::editedRule() const {
    ScanRule rule = rule_;
    rule.name = toStd(trimmedName(name_->text()));
    rule.enabled = enabled_->isChecked();
    rule.trigger = ScanRuleTrigger(trigger_->currentData().toInt());
    rule.match = toStd(match_->text());
    rule.actionKind = ScanRuleActionKind(kind_->currentData().toInt());
    rule.actionValue = toStd(value_->text());
    rule.pattern = toStd(pattern_->text());
    rule.patternIsRegex = regex_->isChecked();
    if (quiet_->value() != std::lround(rule_.quietSeconds)) rule.quietSeconds = quiet_->value();
    // A stored value the stepper cannot show stays as it was until the stepper is moved.
    if (cooldown_->value() != shownCooldown_) rule.cooldownSeconds = cooldown_->value();
    return rule;
}

void RuleEditor::relabel() {
    relabelSheet(qL("Regulă scanner", "Scanner rule"));
    nameLabel_->setText(qL("Nume", "Name"));
    name_->setAccessibleName(nameLabel_->text());
    enabled_->setText(qL("Activă", "Enabled"));
    triggerGroup_->setTitle(qL("Declanșator", "Trigger"));
    triggerLabel_->setText(qL("La eveniment", "On event"));
    trigger_->setAccessibleName(triggerLabel_->text());
    for (int i = 0; i < trigger_->count(); ++i)
        trigger_->setItemText(i, qs(label(ScanRuleTrigger(trigger_->itemData(i).toInt()))));
    quietLabel_->setText(qL("Liniștit de", "Quiet for"));
    quiet_->setAccessibleName(qL("Liniștit de, în secunde", "Quiet for, in seconds"));
    if (auto* field = quiet_->findChild<QLineEdit*>()) field->setAccessibleName(quiet_->accessibleName());
    patternLabel_->setText(qL("Model", "Pattern"));
    pattern_->setAccessibleName(qL("Model căutat în liniile noi", "Pattern looked for in new lines"));
    pattern_->setPlaceholderText(qL("ex. error|failed", "e.g. error|failed"));
    regex_->setText(qL("Expresie regulată", "Regular expression"));
    showTriggerFields();
    actionGroup_->setTitle(qL("Acțiune", "Action"));
    kindLabel_->setText(qL("Tip", "Type"));
    kind_->setAccessibleName(kindLabel_->text());
    for (int i = 0; i < kind_->count(); ++i)
        kind_->setItemText(i, qs(displayText(ScanRuleActionKind(kind_->itemData(i).toInt()))));
    cooldown_->setAccessibleName(QStringLiteral("Cooldown"));
    if (auto* field = cooldown_->findChild<QLineEdit*>()) field->setAccessibleName(cooldown_->accessibleName());
    // One label column across the three sections.
    int column = 0;
    for (QLabel* label : {nameLabel_, triggerLabel_, matchLabel_, quietLabel_, patternLabel_, kindLabel_})
        column = std::max(column, label->sizeHint().width());
    for (QLabel* label : {nameLabel_, triggerLabel_, matchLabel_, quietLabel_, patternLabel_, kindLabel_})
        label->setMinimumWidth(column);
    updatePlaceholder();
}

void RuleEditor::updatePlaceholder() {
    switch (ScanRuleActionKind(kind_->currentData().toInt())) {
        case ScanRuleActionKind::notify:
            value_->setPlaceholderText(qL("(notificarea folosește mesajul evenimentului)", "(the notification uses the event message)"));
            break;
        case ScanRuleActionKind::sendKeys:
            value_->setPlaceholderText(qL("comandă trimisă în sesiune (ex. clear)", "command sent to the session (e.g. clear)"));
            break;
        case ScanRuleActionKind::runShell: value_->setPlaceholderText(qs(platformText(PlatformText::shellCommandExample))); break;
    }
    value_->setAccessibleName(value_->placeholderText());
}

}  // namespace quillon::ui

#include "moc_rule_editor.cpp"
