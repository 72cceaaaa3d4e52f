#include "app/ui/settings_view.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/app_info.h"
#include "app/ui/icons.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

SettingsView::SettingsView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setWindowFlag(Qt::Window);
    setFixedSize(480, 360);
    tabs_ = new QTabWidget(this);
    for (int i = 0; i < 4; ++i) tabs_->addTab(new QWidget(tabs_), QString());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    relabel();
    connect(&context_.env, &AppEnvironment::languageChanged, this, &SettingsView::relabel);
}

void SettingsView::showPage(SettingsPage page) { tabs_->setCurrentIndex(int(page)); }

void SettingsView::relabel() {
    setWindowTitle(qL("Setări", "Settings"));
    tabs_->setTabText(0, qL("General", "General"));
    tabs_->setTabIcon(0, Icons::symbol("gearshape"));
    tabs_->setTabText(1, QStringLiteral("tmux"));
    tabs_->setTabIcon(1, Icons::symbol("terminal"));
    tabs_->setTabText(2, QStringLiteral("Scanner"));
    tabs_->setTabIcon(2, Icons::symbol("dot.radiowaves.left.and.right"));
    tabs_->setTabText(3, qL("Despre", "About"));
    tabs_->setTabIcon(3, Icons::symbol("info.circle"));
}

}  // namespace quillon::ui
