#include "app/ui/templates_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/template_store.h"
#include "app/ui/components.h"
#include "app/ui/icons.h"
#include "app/ui/template_cards.h"
#include "app/ui/template_editor.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

TemplatesView::TemplatesView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    model_ = new TemplateListModel(context.templates, this);

    title_ = new QLabel(this);
    title_->setFont(Paint::titleFont(font()));
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll_);
    scroll_->setWidget(page);

    heading_ = new QLabel(page);
    QFont bold = heading_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    heading_->setFont(bold);
    newTemplate_ = new QPushButton(Icons::symbol("plus"), QString(), page);
    auto* header = new QHBoxLayout;
    header->addWidget(heading_, 1);
    header->addWidget(newTemplate_);
    explanation_ = new SecondaryLabel({}, page);
    explanation_->setWordWrap(true);

    empty_ = new EmptyState("square.stack.3d.up", page);
    empty_->setMinimumHeight(180);
    delegate_ = new TemplateCardDelegate(context.env, this);
    cards_ = new CardListView(page);
    cards_->setModel(model_);
    cards_->setItemDelegate(delegate_);
    cards_->setGrowsWithRows(true);

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 0, 20, 12);
    column->setSpacing(10);
    column->addLayout(header);
    column->addWidget(explanation_);
    column->addWidget(empty_);
    column->addWidget(cards_);
    column->addStretch(1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 16, 0, 0);
    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(20, 0, 20, 0);
    titleRow->addWidget(title_);
    outer->addLayout(titleRow);
    outer->addWidget(scroll_, 1);

    connect(newTemplate_, &QPushButton::clicked, this, [this] { openEditor({newTemplateID(), {}, {}, {}}); });
    connect(delegate_, &CardDelegate::buttonClicked, this, &TemplatesView::act);
    connect(cards_, &CardListView::menuRequested, this, [this](const QModelIndex& index, const QPoint& at) {
        QMenu menu(this);
        delegate_->addButtonsTo(menu, index);
        menu.exec(at);
    });
    connect(cards_, &QListView::activated, this, [this](const QModelIndex& index) { act(index, TemplateCardDelegate::launch); });
    connect(&context.templates, &TemplateStore::templatesChanged, this, &TemplatesView::updateVisibility);
    // The badge and the primary button follow the live sessions and the client.
    for (auto signal : {&AppEnvironment::sessionsChanged, &AppEnvironment::clientChanged})
        connect(&context.env, signal, cards_->viewport(), qOverload<>(&QWidget::update));
    connect(&context.env, &AppEnvironment::languageChanged, this, &TemplatesView::relabel);
    relabel();
}

TemplateEditor* TemplatesView::openEditor(const SessionTemplate& sessionTemplate) {
    auto* editor = new TemplateEditor(context_, sessionTemplate, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &TemplateEditor::saved, &context_.templates, &TemplateStore::upsert);
    editor->open();
    return editor;
}

void TemplatesView::act(const QModelIndex& index, int action) {
    if (!index.isValid()) return;
    const SessionTemplate t = model_->at(index.row());
    switch (action) {
        case TemplateCardDelegate::launch:
            if (context_.env.client() && !t.name.empty()) context_.env.launchTemplate(t, true);
            break;
        case TemplateCardDelegate::edit: openEditor(t); break;
        case TemplateCardDelegate::remove: context_.templates.remove(t); break;
    }
}

void TemplatesView::relabel() {
    title_->setText(qL("Template-uri", "Templates"));
    scroll_->setAccessibleName(title_->text());
    heading_->setText(qL("Template-uri de sesiuni", "Session templates"));
    newTemplate_->setText(qL("Template nou", "New template"));
    explanation_->setText(qL("Recreează un mediu cu un click: sesiune + ferestre + comenzi. Ideal pentru mediile în care revii "
                             "zilnic — proiectul de lucru, panoul de loguri, sesiunea unui agent.",
                             "Recreate an environment in one click: session + windows + commands. Ideal for the setups you "
                             "come back to daily — your working project, a log wall, an agent's session."));
    empty_->setTitle(qL("Niciun template", "No templates"));
    cards_->setAccessibleName(qL("Template-uri", "Templates"));
    cards_->setAccessibleDescription(qL("Enter lansează template-ul; tasta de meniu arată acțiunile lui.",
                                        "Enter launches the template; the menu key shows its actions."));
    updateVisibility();
    cards_->viewport()->update();
}

void TemplatesView::updateVisibility() {
    const bool none = context_.templates.templates().empty();
    empty_->setVisible(none);
    cards_->setVisible(!none);
}

}  // namespace quillon::ui
