#include "app/ui/scanner_view.h"

#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/components.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

ScannerView::ScannerView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    placeholder_ = new EmptyState("dot.radiowaves.left.and.right", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(placeholder_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &ScannerView::relabel);
}

void ScannerView::relabel() { placeholder_->setTitle(qL("Scanner", "Scanner")); }

}  // namespace quillon::ui
