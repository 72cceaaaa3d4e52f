#include "app/ui/learn_view.h"

#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

LearnView::LearnView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    placeholder_ = new EmptyState("graduationcap", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeholder_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &LearnView::relabel);
}

void LearnView::relabel() { placeholder_->setTitle(qL("Învățare tmux", "Learn tmux")); }

}  // namespace quillon::ui
