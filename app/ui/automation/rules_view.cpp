#include "app/ui/automation/rules_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/rule_store.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/automation/rule_cards.h"
#include "app/ui/automation/rule_editor.h"
#include "app/ui/automation/rule_execution_list.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

// Text with **bold** parts as rich text; everything else is shown literally.
QString boldMarkup(const QString& text) {
    const QStringList parts = text.split(QStringLiteral("**"));
    QString html;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString escaped = parts[i].toHtmlEscaped();
        html += i % 2 ? QStringLiteral("<b>") + escaped + QStringLiteral("</b>") : escaped;
    }
    return html;
}

}  // namespace

RulesView::RulesView(UiContext& context, QWidget* parent) : ScrollingPage(parent), context_(context) {
    model_ = new RuleListModel(context.rules, this);
    executionModel_ = new RuleExecutionListModel(context.rules, this);
    QWidget* content = page();

    rulesHeading_ = heading(content);
    newRule_ = new QPushButton(Icons::symbol("plus"), QString(), content);
    empty_ = new EmptyState("bolt.slash", content);
    empty_->setMinimumHeight(160);
    delegate_ = new RuleCardDelegate(this);
    cards_ = new CardListView(content);
    cards_->setModel(model_);
    cards_->setItemDelegate(delegate_);
    cards_->setGrowsWithRows(true);

    executionsSection_ = new QWidget(content);
    executionsHeading_ = heading(executionsSection_);
    clearExecutions_ = new QPushButton(Icons::symbol("trash"), QString(), executionsSection_);
    executions_ = new CardListView(executionsSection_);
    executions_->setModel(executionModel_);
    executions_->setItemDelegate(new RuleExecutionDelegate(executions_));
    executions_->setGrowsWithRows(true);
    auto* executionsLayout = new QVBoxLayout(executionsSection_);
    executionsLayout->setContentsMargins(0, 8, 0, 0);
    executionsLayout->addLayout(headingRow(executionsHeading_, clearExecutions_));
    executionsLayout->addWidget(executions_);

    addSection(buildMasterCard());
    addSection(headingRow(rulesHeading_, newRule_));
    addSection(empty_);
    addSection(cards_);
    addSection(executionsSection_);

    connect(newRule_, &QPushButton::clicked, this, [this] { openEditor(ScanRule{}); });
    connect(clearExecutions_, &QPushButton::clicked, &context.rules, &RuleStore::clearExecutions);
    connect(delegate_, &CardDelegate::buttonClicked, this, &RulesView::act);
    cards_->useButtonMenu(delegate_);
    connect(cards_, &QListView::activated, this, [this](const QModelIndex& index) { act(index, RuleCardDelegate::edit); });
    connect(&context.rules, &RuleStore::rulesChanged, this, &RulesView::updateVisibility);
    connect(&context.rules, &RuleStore::executionsChanged, this, &RulesView::updateVisibility);
    connect(&context.env, &AppEnvironment::autoCommandsEnabledChanged, this,
            [this] { autoCommands_->setChecked(context_.env.autoCommandsEnabled()); });
    connect(&context.env, &AppEnvironment::languageChanged, this, &RulesView::relabel);
    relabel();
}

QWidget* RulesView::buildMasterCard() {
    auto* card = new QFrame(page());
    card->setFrameShape(QFrame::StyledPanel);
    autoCommands_ = new QCheckBox(card);
    autoCommands_->setIcon(Icons::tinted("exclamationmark.triangle.fill", Theme::orange()));
    autoCommands_->setChecked(context_.env.autoCommandsEnabled());
    connect(autoCommands_, &QCheckBox::toggled, this, [this](bool on) { context_.env.setAutoCommandsEnabled(on); });
    note_ = new SecondaryLabel({}, card);
    note_->setTextFormat(Qt::RichText);
    note_->setWordWrap(true);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(autoCommands_);
    layout->addWidget(note_);
    return card;
}

RuleEditor* RulesView::openEditor(const ScanRule& rule) {
    auto* editor = new RuleEditor(context_, rule, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &RuleEditor::saved, &context_.rules, &RuleStore::upsert);
    editor->open();
    return editor;
}

void RulesView::act(const QModelIndex& index, int action) {
    if (!index.isValid()) return;
    ScanRule rule = model_->at(index.row());
    switch (action) {
        case RuleCardDelegate::toggleEnabled:
            rule.enabled = !rule.enabled;
            context_.rules.upsert(rule);
            break;
        case RuleCardDelegate::edit: openEditor(rule); break;
        case RuleCardDelegate::remove: context_.rules.remove(rule); break;
    }
}

void RulesView::relabel() {
    setTitle(qL("Reguli scanner", "Scanner rules"));
    autoCommands_->setText(qL("Activează auto-comenzile", "Enable auto-commands"));
    note_->setText(boldMarkup(qL("Când e activ și scanner-ul rulează, regulile pot **rula comenzi automat** (send-keys sau shell). "
                                 "Folosește cu grijă. Implicit oprit.",
                                 "When on and the scanner is running, rules can **run commands automatically** (send-keys or "
                                 "shell). Use with care. Off by default.")));
    rulesHeading_->setText(qL("Reguli", "Rules"));
    newRule_->setText(qL("Regulă nouă", "New rule"));
    empty_->setTitle(qL("Nicio regulă", "No rules"));
    cards_->setAccessibleName(qL("Reguli", "Rules"));
    cards_->setAccessibleDescription(qL("Enter editează regula; tasta de meniu arată acțiunile ei.",
                                        "Enter edits the rule; the menu key shows its actions."));
    executionsHeading_->setText(qL("Execuții recente", "Recent executions"));
    clearExecutions_->setText(qL("Curăță", "Clear"));
    executions_->setAccessibleName(executionsHeading_->text());
    updateVisibility();
    cards_->viewport()->update();
}

void RulesView::updateVisibility() {
    const bool none = context_.rules.rules().empty();
    empty_->setVisible(none);
    cards_->setVisible(!none);
    setFocusProxy(none ? static_cast<QWidget*>(newRule_) : cards_);  // where the work is when the screen opens
    executionsSection_->setVisible(!context_.rules.executions().empty());
}

}  // namespace quillon::ui

#include "moc_rules_view.cpp"
