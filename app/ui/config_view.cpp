#include "app/ui/config_view.h"

#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

ConfigView::ConfigView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    placeholder_ = new EmptyState("doc.text", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeholder_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &ConfigView::relabel);
}

void ConfigView::relabel() { placeholder_->setTitle(qL("Config tmux", "tmux config")); }

}  // namespace quillon::ui
