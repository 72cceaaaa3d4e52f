#include "app/ui/templates/templates_view.h"

#include <QLabel>
#include <QPushButton>

#include "app/app_environment.h"
#include "app/template_store.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/templates/template_cards.h"
#include "app/ui/templates/template_editor.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

TemplatesView::TemplatesView(UiContext& context, QWidget* parent) : ScrollingPage(parent), context_(context) {
    model_ = new TemplateListModel(context.templates, this);
    QWidget* content = page();

    heading_ = heading(content);
    newTemplate_ = new QPushButton(Icons::symbol("plus"), QString(), content);
    explanation_ = new SecondaryLabel({}, content);
    explanation_->setWordWrap(true);
    empty_ = new EmptyState("square.stack.3d.up", content);
    empty_->setMinimumHeight(180);
    delegate_ = new TemplateCardDelegate(context.env, this);
    cards_ = new CardListView(content);
    cards_->setModel(model_);
    cards_->setItemDelegate(delegate_);
    cards_->setGrowsWithRows(true);

    addSection(headingRow(heading_, newTemplate_));
    addSection(explanation_);
    addSection(empty_);
    addSection(cards_);

    connect(newTemplate_, &QPushButton::clicked, this, [this] { openEditor({newTemplateID(), {}, {}, {}}); });
    connect(delegate_, &CardDelegate::buttonClicked, this, &TemplatesView::act);
    cards_->useButtonMenu(delegate_);
    connect(cards_, &QListView::activated, this, [this](const QModelIndex& index) { act(index, TemplateCardDelegate::launch); });
    connect(&context.templates, &TemplateStore::templatesChanged, this, &TemplatesView::updateVisibility);
    // The badge and the primary button follow the live sessions and the client.
    for (auto signal : {&AppEnvironment::sessionsChanged, &AppEnvironment::serverChanged})
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
    setTitle(qL("Template-uri", "Templates"));
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
    setFocusProxy(none ? static_cast<QWidget*>(newTemplate_) : cards_);  // where the work is when the screen opens
}

}  // namespace quillon::ui

#include "moc_templates_view.cpp"
