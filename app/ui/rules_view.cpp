#include "app/ui/rules_view.h"

#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

RulesView::RulesView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    placeholder_ = new EmptyState("bolt.badge.automatic", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeholder_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &RulesView::relabel);
}

void RulesView::relabel() { placeholder_->setTitle(qL("Reguli scanner", "Scanner rules")); }

}  // namespace quillon::ui
