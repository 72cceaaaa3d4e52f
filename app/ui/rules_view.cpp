#include "app/ui/rules_view.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/rule_store.h"
#include "app/ui/components.h"
#include "app/ui/icons.h"
#include "app/ui/rule_cards.h"
#include "app/ui/rule_editor.h"
#include "app/ui/rule_execution_list.h"
#include "app/ui/theme.h"
#include "app/ui/ui_text.h"

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

QLabel* heading(QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    label->setFont(bold);
    return label;
}

}  // namespace

RulesView::RulesView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    model_ = new RuleListModel(context.rules, this);
    executionModel_ = new RuleExecutionListModel(context.rules, this);

    title_ = new QLabel(this);
    title_->setFont(Paint::titleFont(font()));
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll_);
    scroll_->setWidget(page);

    rulesHeading_ = heading(page);
    newRule_ = new QPushButton(Icons::symbol("plus"), QString(), page);
    auto* header = new QHBoxLayout;
    header->addWidget(rulesHeading_, 1);
    header->addWidget(newRule_);

    empty_ = new EmptyState("bolt.slash", page);
    empty_->setMinimumHeight(160);
    delegate_ = new RuleCardDelegate(this);
    cards_ = new CardListView(page);
    cards_->setModel(model_);
    cards_->setItemDelegate(delegate_);
    cards_->setGrowsWithRows(true);

    executionsSection_ = new QWidget(page);
    executionsHeading_ = heading(executionsSection_);
    clearExecutions_ = new QPushButton(Icons::symbol("trash"), QString(), executionsSection_);
    executions_ = new CardListView(executionsSection_);
    executions_->setModel(executionModel_);
    executions_->setItemDelegate(new RuleExecutionDelegate(executions_));
    executions_->setGrowsWithRows(true);
    auto* executionsHeader = new QHBoxLayout;
    executionsHeader->addWidget(executionsHeading_, 1);
    executionsHeader->addWidget(clearExecutions_);
    auto* executionsLayout = new QVBoxLayout(executionsSection_);
    executionsLayout->setContentsMargins(0, 8, 0, 0);
    executionsLayout->addLayout(executionsHeader);
    executionsLayout->addWidget(executions_);

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 0, 20, 12);
    column->setSpacing(10);
    column->addWidget(buildMasterCard(page));
    column->addLayout(header);
    column->addWidget(empty_);
    column->addWidget(cards_);
    column->addWidget(executionsSection_);
    column->addStretch(1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 16, 0, 0);
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(20, 0, 20, 0);
    titleRow->addWidget(title_);
    outer->addLayout(titleRow);
    outer->addWidget(scroll_, 1);

    connect(newRule_, &QPushButton::clicked, this, [this] { openEditor(ScanRule{}); });
    connect(clearExecutions_, &QPushButton::clicked, &context.rules, &RuleStore::clearExecutions);
    connect(delegate_, &CardDelegate::buttonClicked, this, &RulesView::act);
    connect(cards_, &CardListView::menuRequested, this, [this](const QModelIndex& index, const QPoint& at) {
        QMenu menu(this);
        delegate_->addButtonsTo(menu, index);
        menu.exec(at);
    });
    connect(cards_, &QListView::activated, this, [this](const QModelIndex& index) { act(index, RuleCardDelegate::edit); });
    connect(&context.rules, &RuleStore::rulesChanged, this, &RulesView::updateVisibility);
    connect(&context.rules, &RuleStore::executionsChanged, this, &RulesView::updateVisibility);
    connect(&context.env, &AppEnvironment::autoCommandsEnabledChanged, this,
            [this] { autoCommands_->setChecked(context_.env.autoCommandsEnabled()); });
    connect(&context.env, &AppEnvironment::languageChanged, this, &RulesView::relabel);
    relabel();
}

QWidget* RulesView::buildMasterCard(QWidget* page) {
    auto* card = new QFrame(page);
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
    title_->setText(qL("Reguli scanner", "Scanner rules"));
    scroll_->setAccessibleName(title_->text());
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
    executionsSection_->setVisible(!context_.rules.executions().empty());
}

}  // namespace quillon::ui
