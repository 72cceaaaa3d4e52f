#pragma once
// The templates screen: the saved session templates as cards that launch (or attach to) their
// session, the editor sheet for new and changed templates, and delete.

#include "app/session_template.h"
#include "app/ui/widgets/scrolling_page.h"
#include "app/ui/ui_context.h"

class QLabel;
class QPushButton;

namespace quillon::ui {

class CardListView;
class EmptyState;
class TemplateCardDelegate;
class TemplateEditor;
class TemplateListModel;

class TemplatesView : public ScrollingPage {
    Q_OBJECT
public:
    explicit TemplatesView(UiContext& context, QWidget* parent = nullptr);

    // Opens the editor sheet on a template; saving upserts it.
    TemplateEditor* openEditor(const SessionTemplate& sessionTemplate);
    QPushButton* newTemplateButton() const noexcept { return newTemplate_; }
    CardListView* cards() const noexcept { return cards_; }
    TemplateCardDelegate* cardDelegate() const noexcept { return delegate_; }
    EmptyState* emptyState() const noexcept { return empty_; }

private:
    void relabel();
    void updateVisibility();
    void act(const QModelIndex& index, int action);

    UiContext& context_;
    TemplateListModel* model_;
    QLabel* heading_;
    QPushButton* newTemplate_;
    QLabel* explanation_;
    EmptyState* empty_;
    CardListView* cards_;
    TemplateCardDelegate* delegate_;
};

}  // namespace quillon::ui
