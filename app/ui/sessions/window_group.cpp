#include "app/ui/sessions/window_group.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/sessions/pane_layout_map.h"
#include "app/ui/sessions/pane_rows.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

WindowGroup::WindowGroup(AppEnvironment& env, PaneAttention* attention, const TmuxSession& session, const TmuxWindow& window,
                         QWidget* parent)
    : QFrame(parent), env_(env), window_(window) {
    icon_ = new QLabel(this);
    title_ = new QLabel(this);
    title_->setTextFormat(Qt::PlainText);
    QFont bold = font();
    bold.setBold(true);
    title_->setFont(bold);
    activeBadge_ = new StatusBadge({}, Theme::green(), this);
    close_ = new QToolButton(this);
    close_->setIcon(Icons::symbol("xmark.circle"));
    close_->setAutoRaise(true);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(icon_);
    header->addWidget(title_);
    header->addWidget(activeBadge_);
    header->addStretch(1);
    header->addWidget(close_);

    map_ = new PaneLayoutMap(env, session, window, this);
    map_->setOnSelect([this](const std::string& target) { emit previewRequested(target); });

    model_ = new PaneListModel(this);
    model_->setPanes(window.panes);
    model_->showStates(attention);
    delegate_ = new PaneRowDelegate(PaneRowDelegate::Style::windowPane, this);
    panes_ = new CardListView(this);
    panes_->setModel(model_);
    panes_->setItemDelegate(delegate_);
    panes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panes_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fitListToRows(*panes_, PaneRowDelegate::rowHeight);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 6, 0, 6);
    column->setSpacing(6);
    column->addLayout(header);
    column->addWidget(map_);
    column->addWidget(panes_);

    connect(close_, &QToolButton::clicked, this, [this] { emit closeRequested(window_); });
    connect(delegate_, &CardDelegate::buttonClicked, this, [this](const QModelIndex& index, int action) {
        const std::string pane = model_->at(index.row()).address();
        if (action == PaneRowDelegate::preview) emit previewRequested(pane);
        else emit exportRequested(pane);
    });
    connect(panes_, &CardListView::menuRequested, this, [this](const QModelIndex& index, const QPoint& at) {
        // Not exec(): a refresh may remove this group while the menu is open.
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        delegate_->addButtonsTo(*menu, index);
        menu->popup(at);
    });
    connect(panes_, &CardListView::activated, this,
            [this](const QModelIndex& index) { emit previewRequested(model_->at(index.row()).address()); });
    auto fit = [this] { fitListToRows(*panes_, PaneRowDelegate::rowHeight); };
    connect(model_, &QAbstractItemModel::rowsInserted, this, fit);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, fit);
    connect(model_, &QAbstractItemModel::modelReset, this, fit);
    connect(&env, &AppEnvironment::languageChanged, this, &WindowGroup::relabel);
    showHeader();
    relabel();
}

void WindowGroup::setWindow(const TmuxSession& session, const TmuxWindow& window) {
    const bool headerChanged = window.name != window_.name || window.isActive != window_.isActive || window.index != window_.index;
    window_ = window;
    map_->setWindow(session, window);
    model_->setPanes(window.panes);
    if (headerChanged) showHeader();
}

void WindowGroup::showHeader() {
    const QColor tint = window_.isActive ? Theme::green() : Theme::secondary(palette());
    icon_->setPixmap(Icons::tinted("macwindow", tint, 16).pixmap(16, 16));
    title_->setText(QString::number(window_.index) + QStringLiteral(": ") + qs(window_.name));
    activeBadge_->setVisible(window_.isActive);
}

void WindowGroup::relabel() {
    activeBadge_->setText(qL("activă", "active"));
    close_->setToolTip(qL("Închide fereastra", "Close window"));
    close_->setAccessibleName(close_->toolTip());
    panes_->setAccessibleName(qL("Pane-uri", "Panes"));
    panes_->setAccessibleDescription(qL("Enter arată conținutul; tasta de meniu arată exportul.",
                                        "Enter shows the content; the menu key offers the export."));
    panes_->viewport()->update();
}

void WindowGroup::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) showHeader();
    QFrame::changeEvent(event);
}

}  // namespace quillon::ui

#include "moc_window_group.cpp"
