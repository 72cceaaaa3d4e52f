#include "app/ui/templates_view.h"

#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

TemplatesView::TemplatesView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    placeholder_ = new EmptyState("square.stack.3d.up", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeholder_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &TemplatesView::relabel);
}

void TemplatesView::relabel() { placeholder_->setTitle(qL("Template-uri", "Templates")); }

}  // namespace quillon::ui
