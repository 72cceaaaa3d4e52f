#include "app/ui/shell/menu_bar_view.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>


#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "app/ui/shell/needs_you_list.h"
#include "app/template_store.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/restore/restore_button.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/widgets/relative_time.h"
#include "app/ui/sessions/session_name_rule.h"
#include "app/ui/sessions/session_tree_model.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"

namespace quillon::ui {
namespace {

constexpr int sessionRowHeight = 40;
constexpr int windowRowHeight = 24;

// Session rows: chevron, dot, name and "N windows · <age>"; window rows: icon and "i: name".
class PanelRowDelegate : public QStyledItemDelegate {
public:
    PanelRowDelegate(const SessionTreeModel& model, QTreeView& tree)
        : QStyledItemDelegate(&tree), model_(model), tree_(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool window = model_.windowAt(index) != nullptr;
        return {option.rect.width(), window ? windowRowHeight : sessionRowHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem base = option;
        initStyleOption(&base, index);
        base.text.clear();
        base.icon = {};
        base.widget->style()->drawControl(QStyle::CE_ItemViewItem, &base, painter, base.widget);
        if (index.column() == SessionTreeModel::attachColumn) {
            const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
            icon.paint(painter, option.rect.adjusted(4, 0, -4, 0), Qt::AlignCenter);
            return;
        }
        if (const TmuxWindow* window = model_.windowAt(index)) return paintWindow(painter, option, *window);
        paintSession(painter, option, index, *model_.sessionAt(index));
    }

private:
    void paintSession(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                      const TmuxSession& session) const {
        const QRect r = option.rect.adjusted(4, 0, -4, 0);
        if (!session.windows.empty()) {
            const QIcon chevron = Icons::symbol(tree_.isExpanded(index) ? "chevron.down" : "chevron.right");
            chevron.paint(painter, QRect(r.left(), r.center().y() - 6, 12, 12));
        }
        Paint::statusDot(*painter, QRectF(r.left() + 14, r.top(), 12, r.height()), session.isAttached, option.palette);
        const int x = r.left() + 32;
        const QFontMetrics metrics(option.font);
        const QFont caption = Paint::captionFont(option.font);
        const QFontMetrics captionMetrics(caption);
        const int top = r.center().y() - (metrics.height() + captionMetrics.height()) / 2;
        painter->save();
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(QRect(x, top, r.right() - x, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(qs(session.name), Qt::ElideRight, r.right() - x));
        painter->setFont(caption);
        painter->setPen(Theme::secondary(option.palette));
        const QString detail = windowCountText(session.windowCount) + QStringLiteral(" · ") + RelativeTime::format(session.created);
        painter->drawText(QRect(x, top + metrics.height(), r.right() - x, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          captionMetrics.elidedText(detail, Qt::ElideRight, r.right() - x));
        painter->restore();
    }

    static void paintWindow(QPainter* painter, const QStyleOptionViewItem& option, const TmuxWindow& window) {
        const QRect r = option.rect.adjusted(20, 0, -4, 0);
        const QIcon icon = window.isActive ? Icons::tinted("macwindow.badge.plus", Theme::green(), 14)
                                           : Icons::tinted("macwindow", Theme::secondary(option.palette), 14);
        icon.paint(painter, QRect(r.left(), r.center().y() - 7, 14, 14));
        painter->save();
        painter->setFont(Paint::captionFont(option.font));
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(r.adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          QString::number(window.index) + QStringLiteral(": ") + qs(window.name));
        painter->restore();
    }

    const SessionTreeModel& model_;
    QTreeView& tree_;
};

QPushButton* footerButton(const char* symbol, QWidget* parent) {
    auto* button = new QPushButton(Icons::symbol(symbol), QString(), parent);
    button->setFlat(true);
    return button;
}

}  // namespace

MenuBarView::MenuBarView(UiContext& context, QWidget* parent) : QFrame(parent, Qt::Popup), context_(context) {
    setObjectName(QStringLiteral("panel"));
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(panelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);
    buildHeader(layout);
    buildSummary(layout);
    restore_ = new RestoreButton(context, this);
    connect(restore_, &RestoreButton::choosing, this, &QWidget::hide);
    layout->addWidget(restore_);
    buildSessions(layout);
    templates_ = new QToolButton(this);
    templates_->setIcon(Icons::symbol("square.stack.3d.up"));
    templates_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    templates_->setPopupMode(QToolButton::InstantPopup);
    templates_->setMenu(new QMenu(templates_));
    layout->addWidget(templates_);
    buildNewSession(layout);
    buildFooter(layout);

    auto& env = context.env;
    for (auto signal : {&AppEnvironment::sessionsChanged, &AppEnvironment::serverRunningChanged,
                        &AppEnvironment::tmuxVersionChanged, &AppEnvironment::prefixChanged, &AppEnvironment::serverChanged})
        connect(&env, signal, this, &MenuBarView::refreshSummary);
    connect(&context.templates, &TemplateStore::templatesChanged, this, &MenuBarView::refreshTemplates);
    connect(&env, &AppEnvironment::languageChanged, this, &MenuBarView::relabel);
    relabel();
}

void MenuBarView::showAttention(PaneAttention& attention) {
    if (needsYou_) return;
    needsYou_ = new NeedsYouList(attention, this);
    // First, under the title and its line.
    static_cast<QVBoxLayout*>(layout())->insertWidget(2, needsYou_);
    connect(needsYou_, &NeedsYouList::paneChosen, this, [this](const PaneAttention::Entry& entry) {
        hide();
        emit paneChosen(entry.pane.sessionId, entry.pane.sessionName, entry.pane.paneId);
    });
    connect(&attention, &PaneAttention::changed, this, [this] {
        if (isVisible()) adjustSize();
    });
}

void MenuBarView::buildHeader(QVBoxLayout* layout) {
    title_ = new QLabel(QStringLiteral("Quillon"), this);
    QFont bold = font();
    bold.setBold(true);
    title_->setFont(bold);
    refresh_ = new QToolButton(this);
    refresh_->setIcon(Icons::symbol("arrow.clockwise"));
    refresh_->setAutoRaise(true);
    refresh_->setToolTip(QStringLiteral("Refresh"));
    refresh_->setAccessibleName(QStringLiteral("Refresh"));
    connect(refresh_, &QToolButton::clicked, this, [this] { context_.env.refresh(); });
    auto* row = new QHBoxLayout;
    row->addWidget(title_, 1);
    row->addWidget(refresh_);
    layout->addLayout(row);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
}

void MenuBarView::buildSummary(QVBoxLayout* layout) {
    dot_ = new StatusDot(false, this);
    serverLabel_ = new QLabel(this);
    serverLabel_->setTextFormat(Qt::PlainText);
    countsLabel_ = new SecondaryLabel({}, this);
    countsLabel_->setFont(Paint::captionFont(font()));
    versionLabel_ = new SecondaryLabel({}, this);
    prefixLabel_ = new SecondaryLabel({}, this);
    for (QLabel* small : {versionLabel_, prefixLabel_}) {
        small->setFont(Paint::captionFont(font()));
        small->setAlignment(Qt::AlignRight);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(serverLabel_);
    texts->addWidget(countsLabel_);
    auto* facts = new QVBoxLayout;
    facts->setSpacing(0);
    facts->addWidget(versionLabel_);
    facts->addWidget(prefixLabel_);
    auto* row = new QHBoxLayout;
    row->addWidget(dot_, 0, Qt::AlignTop | Qt::AlignLeft);
    row->addLayout(texts, 1);
    row->addLayout(facts);
    layout->addLayout(row);
}

void MenuBarView::buildSessions(QVBoxLayout* layout) {
    sessionsPages_ = new QStackedWidget(this);
    emptyLabel_ = new SecondaryLabel({}, sessionsPages_);
    emptyLabel_->setAlignment(Qt::AlignCenter);
    emptyLabel_->setWordWrap(true);
    emptyLabel_->setMinimumHeight(48);
    tree_ = new QTreeView(sessionsPages_);
    model_ = new SessionTreeModel(context_.env, this);
    tree_->setModel(model_);
    tree_->setItemDelegate(new PanelRowDelegate(*model_, *tree_));
    tree_->header()->hide();
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(SessionTreeModel::rowColumn, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(SessionTreeModel::attachColumn, QHeaderView::Fixed);
    tree_->header()->resizeSection(SessionTreeModel::attachColumn, 30);
    tree_->setRootIsDecorated(false);
    tree_->setIndentation(0);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setUniformRowHeights(false);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setMaximumHeight(listMaximumHeight);
    sessionsPages_->addWidget(emptyLabel_);
    sessionsPages_->addWidget(tree_);
    layout->addWidget(sessionsPages_);
    connect(tree_, &QTreeView::clicked, this, &MenuBarView::rowClicked);
    connect(tree_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        // Return on a session row unfolds it; on its button column, or on a window, it attaches.
        if (index.column() == SessionTreeModel::rowColumn && !model_->windowAt(index)) return rowClicked(index);
        rowClicked(index.siblingAtColumn(SessionTreeModel::attachColumn));
    });
    for (auto signal : {&QTreeView::expanded, &QTreeView::collapsed})
        connect(tree_, signal, this, [this] { fitList(); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { fitList(); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { fitList(); });
    // Ages move with the clock while the panel is open.
    auto* clock = new QTimer(this);
    clock->setInterval(30'000);
    connect(clock, &QTimer::timeout, tree_->viewport(), qOverload<>(&QWidget::update));
    clock->start();
}

void MenuBarView::buildNewSession(QVBoxLayout* layout) {
    newSession_ = new QPushButton(Icons::symbol("plus"), QString(), this);
    newSession_->setFlat(true);
    newRow_ = new QWidget(this);
    newName_ = new QLineEdit(newRow_);
    create_ = new QPushButton(newRow_);
    create_->setEnabled(false);
    auto* row = new QHBoxLayout(newRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(newName_, 1);
    row->addWidget(create_);
    newRow_->hide();
    layout->addWidget(newSession_, 0, Qt::AlignLeft);
    layout->addWidget(newRow_);
    connect(newSession_, &QPushButton::clicked, this, [this] { showNewField(true); });
    connect(newName_, &QLineEdit::textChanged, this, [this](const QString& text) { create_->setEnabled(isValidSessionName(text)); });
    connect(newName_, &QLineEdit::returnPressed, this, &MenuBarView::submitNewSession);
    connect(create_, &QPushButton::clicked, this, &MenuBarView::submitNewSession);
}

void MenuBarView::buildFooter(QVBoxLayout* layout) {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    openMain_ = footerButton("macwindow", this);
    settings_ = footerButton("gearshape", this);
    quit_ = footerButton("power", this);
    auto* row = new QHBoxLayout;
    row->addWidget(openMain_);
    row->addWidget(settings_);
    row->addStretch(1);
    row->addWidget(quit_);
    layout->addLayout(row);
    connect(openMain_, &QPushButton::clicked, this, [this] {
        hide();
        context_.navigator.showMainWindow();
    });
    connect(settings_, &QPushButton::clicked, this, [this] {
        hide();
        context_.navigator.showSettings();
    });
    connect(quit_, &QPushButton::clicked, this, [this] { context_.navigator.quit(); });
}

void MenuBarView::relabel() {
    setAccessibleName(QStringLiteral("Quillon"));
    tree_->setAccessibleName(qL("Sesiuni", "Sessions"));
    templates_->setText(qL("Lansează template", "Launch template"));
    newSession_->setText(qL("Sesiune nouă", "New session"));
    newName_->setPlaceholderText(qL("nume sesiune", "session name"));
    newName_->setAccessibleName(newName_->placeholderText());
    create_->setText(qL("Creează", "Create"));
    openMain_->setText(qL("Deschide panoul", "Open panel"));
    settings_->setText(qL("Setări…", "Settings…"));
    quit_->setText(qL("Ieșire", "Quit"));
    model_->relabel();
    if (needsYou_) needsYou_->relabel();
    refreshSummary();
    refreshTemplates();
}

void MenuBarView::refreshSummary() {
    const auto& env = context_.env;
    const auto& sessions = env.sessions();
    dot_->setActive(env.serverRunning());
    dot_->setAccessibleName(env.serverRunning() ? qL("Server activ", "Server running") : qL("Server oprit", "Server stopped"));
    serverLabel_->setText(!env.client()         ? qL("tmux nu este instalat", "tmux is not installed")
                          : env.serverRunning() ? qL("Server activ", "Server running")
                                                : qL("Server oprit", "Server stopped"));
    const std::int64_t windows = totalWindows(sessions);
    const std::int64_t panes = totalPanes(sessions);
    countsLabel_->setText(sessionCountText(std::int64_t(sessions.size())) + QStringLiteral(" · ") + windowCountText(windows) +
                          QStringLiteral(" · ") + paneCountText(panes));
    versionLabel_->setText(env.tmuxVersion().empty() ? QStringLiteral("—") : qs(env.tmuxVersion()));
    prefixLabel_->setText(QStringLiteral("prefix ") + qs(env.prefix()));
    emptyLabel_->setText(env.client() ? qL("Nicio sesiune activă.", "No active sessions.")
                                      : qs(platformText(PlatformText::installTmuxWith)));
    sessionsPages_->setCurrentWidget(sessions.empty() ? static_cast<QWidget*>(emptyLabel_) : tree_);
    templates_->setEnabled(env.client().has_value());
    fitList();
}

void MenuBarView::refreshTemplates() {
    QMenu* menu = templates_->menu();
    menu->clear();
    const auto& all = context_.templates.templates();
    templates_->setVisible(!all.empty());
    for (const SessionTemplate& t : all) {
        const QString title = t.name.empty() ? qL("(fără nume)", "(unnamed)") : plainMenuText(qs(t.name));
        menu->addAction(title, this, [this, t] {
            hide();
            context_.env.launchTemplate(t, true);
        });
    }
}

void MenuBarView::showNewField(bool shown) {
    newSession_->setVisible(!shown);
    newRow_->setVisible(shown);
    if (shown) newName_->setFocus();
    adjustSize();
}

void MenuBarView::submitNewSession() {
    if (!isValidSessionName(newName_->text())) return;
    const std::string name = toStd(trimmedName(newName_->text()));
    QPointer<MenuBarView> self(this);
    context_.env.createSession(name, std::nullopt, [self] {
        if (!self) return;
        self->newName_->clear();
        self->showNewField(false);
    });
}

void MenuBarView::rowClicked(const QModelIndex& index) {
    const TmuxSession* session = model_->sessionAt(index);
    if (!session) return;
    if (index.column() == SessionTreeModel::attachColumn) {
        const TmuxWindow* window = model_->windowAt(index);
        context_.env.attach(*session, window ? std::optional<TmuxWindow>(*window) : std::nullopt);
        return;
    }
    if (!model_->windowAt(index) && !session->windows.empty()) tree_->setExpanded(index, !tree_->isExpanded(index));
}

void MenuBarView::fitList() {
    // As tall as its rows, up to the limit; the panel follows.
    int height = 0;
    for (QModelIndex row = model_->index(0, 0); row.isValid() && height < listMaximumHeight; row = tree_->indexBelow(row))
        height += tree_->visualRect(row).height() > 0 ? tree_->visualRect(row).height()
                                                      : (model_->windowAt(row) ? windowRowHeight : sessionRowHeight);
    tree_->setFixedHeight(std::min(std::max(height, sessionRowHeight), listMaximumHeight) + 2);
    // The stack is as tall as the page it shows, not as its tallest page.
    sessionsPages_->setFixedHeight(sessionsPages_->currentWidget() == tree_ ? tree_->height()
                                                                            : std::max(48, emptyLabel_->heightForWidth(panelWidth - 24)));
    if (isVisible()) adjustSize();
}

void MenuBarView::popUp(const QRect& anchor) {
    adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    QPoint at(anchor.center().x() - width() / 2, anchor.bottom() + 4);
    if (at.y() + height() > area.bottom()) at.setY(anchor.top() - height() - 4);  // a tray at the bottom
    at.setX(std::clamp(at.x(), area.left() + 4, std::max(area.left() + 4, area.right() - width() - 4)));
    at.setY(std::clamp(at.y(), area.top() + 4, std::max(area.top() + 4, area.bottom() - height() - 4)));
    move(at);
    show();
    raise();
    activateWindow();
}

}  // namespace quillon::ui

#include "moc_menu_bar_view.cpp"
