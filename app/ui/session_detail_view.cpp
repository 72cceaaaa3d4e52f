#include "app/ui/session_detail_view.h"

#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

SessionDetailView::SessionDetailView(UiContext& context, std::string sessionName, QWidget* parent)
    : QWidget(parent), context_(context), sessionName_(std::move(sessionName)) {
    placeholder_ = new EmptyState("macwindow", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeholder_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &SessionDetailView::relabel);
}

void SessionDetailView::relabel() { placeholder_->setTitle(qs(sessionName_)); }

}  // namespace quillon::ui
