#include "app/ui/sessions/dashboard_view.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>


#include "app/app_environment.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/restore/restore_button.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/sessions/session_actions.h"
#include "app/ui/sessions/session_card_delegate.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"
#include "core/text.h"

namespace quillon::ui {

DashboardView::DashboardView(UiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    pages_ = new QStackedWidget(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pages_);

    // Without tmux: only the install card.
    missingTmux_ = new QWidget(pages_);
    auto* card = new QFrame(missingTmux_);
    card->setFrameShape(QFrame::StyledPanel);
    missingTitle_ = new QLabel(card);
    missingTitle_->setFont(Paint::titleFont(font()));
    missingLine_ = new QLabel(card);
    missingCommand_ = new QLabel(card);
    missingCommand_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    missingCommand_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(symbolLabel("exclamationmark.triangle.fill", Theme::orange(), 18, card));
    titleRow->addWidget(missingTitle_, 1);
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->addLayout(titleRow);
    cardLayout->addWidget(missingLine_);
    cardLayout->addWidget(missingCommand_);
    auto* missingLayout = new QVBoxLayout(missingTmux_);
    missingLayout->setContentsMargins(24, 24, 24, 24);
    missingLayout->addWidget(card);
    missingLayout->addStretch(1);
    pages_->addWidget(missingTmux_);

    content_ = new QWidget(pages_);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(20, 16, 20, 12);
    column->setSpacing(12);
    auto* title = new QLabel(QStringLiteral("Dashboard"), content_);
    title->setFont(Paint::titleFont(font()));
    column->addWidget(title);
    tileGrid_ = new QGridLayout;
    tileGrid_->setSpacing(10);
    column->addLayout(tileGrid_);
    buildTiles();

    error_ = new StatusLine("exclamationmark.triangle", Theme::orange(), content_);
    column->addWidget(error_);
    restore_ = new RestoreButton(context_, content_);
    column->addWidget(restore_, 0, Qt::AlignLeft);

    empty_ = new EmptyState("moon.zzz", content_);
    createFirst_ = new QPushButton(Icons::symbol("plus"), QString(), empty_);
    static_cast<QVBoxLayout*>(empty_->layout())->insertWidget(4, createFirst_, 0, Qt::AlignHCenter);
    connect(createFirst_, &QPushButton::clicked, this, [this] { context_.navigator.showNewSessionSheet(this); });
    column->addWidget(empty_, 1);

    sessionsArea_ = new QWidget(content_);
    auto* sessionsLayout = new QVBoxLayout(sessionsArea_);
    sessionsLayout->setContentsMargins(0, 0, 0, 0);
    buildBanner();
    sessionsLayout->addWidget(banner_);
    sessionsHeading_ = new QLabel(sessionsArea_);
    QFont heading = font();
    heading.setBold(true);
    sessionsHeading_->setFont(heading);
    sessionsLayout->addWidget(sessionsHeading_);
    model_ = new SessionListModel(context.env, this);
    model_->showStates(context.attention);
    delegate_ = new SessionCardDelegate(context.env, this);
    cards_ = new CardListView(sessionsArea_);
    cards_->setModel(model_);
    cards_->setItemDelegate(delegate_);
    sessionsLayout->addWidget(cards_, 1);
    column->addWidget(sessionsArea_, 1);
    pages_->addWidget(content_);

    connect(delegate_, &CardDelegate::buttonClicked, this, [this](const QModelIndex& index, int action) {
        const TmuxSession session = model_->session(index.row());
        if (action == SessionCardDelegate::folder) context_.env.openInFinder(session.path);
        else context_.env.attach(session);
    });
    connect(cards_, &CardListView::menuRequested, this,
            [this](const QModelIndex& index, const QPoint& at) {
                // Not exec(): a menu's own event loop would outlive a screen deleted meanwhile.
                if (auto menu = cardMenu(index.row())) {
                    menu->setAttribute(Qt::WA_DeleteOnClose);
                    menu.release()->popup(at);
                }
            });
    connect(cards_, &QListView::activated, this, [this](const QModelIndex& index) { context_.env.attach(model_->session(index.row())); });

    // Relative ages and the idle flag move with the clock, not only with refreshes.
    clock_ = new QTimer(this);
    clock_->setInterval(30'000);
    connect(clock_, &QTimer::timeout, this, [this] {
        cards_->viewport()->update();
        updateBanner();
    });
    clock_->start();

    auto& env = context.env;
    for (auto signal : {&AppEnvironment::sessionsChanged, &AppEnvironment::serverRunningChanged, &AppEnvironment::tmuxVersionChanged,
                        &AppEnvironment::prefixChanged, &AppEnvironment::lastErrorChanged, &AppEnvironment::serverChanged})
        connect(&env, signal, this, &DashboardView::refreshContents);
    connect(&env, &AppEnvironment::idleThresholdHoursChanged, this, [this] {
        cards_->viewport()->update();
        updateBanner();
    });
    connect(&env, &AppEnvironment::languageChanged, this, &DashboardView::relabel);
    relabel();
}

void DashboardView::buildTiles() {
    const struct {
        const char* symbol;
    } specs[] = {{"power"}, {"rectangle.stack"}, {"macwindow.on.rectangle"}, {"rectangle.split.2x2"}, {"number"}, {"keyboard"}};
    for (const auto& spec : specs) tiles_.push_back(new StatTile({}, {}, spec.symbol, Theme::green(), content_));
    layoutTiles();
}

void DashboardView::layoutTiles() {
    const int columns = width() >= 980 ? 6 : 3;
    if (columns == tileColumns_) return;
    tileColumns_ = columns;
    for (StatTile* tile : tiles_) tileGrid_->removeWidget(tile);
    for (std::size_t i = 0; i < tiles_.size(); ++i) tileGrid_->addWidget(tiles_[i], int(i) / columns, int(i) % columns);
}

void DashboardView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutTiles();
}

void DashboardView::buildBanner() {
    banner_ = new QFrame(sessionsArea_);
    banner_->setObjectName(QStringLiteral("idleBanner"));
    QColor fill = Theme::orange();
    fill.setAlphaF(0.12f);
    banner_->setStyleSheet(QStringLiteral("#idleBanner { background: %1; border: 1px solid %2; border-radius: 8px; }")
                               .arg(fill.name(QColor::HexArgb), Theme::orange().name()));
    bannerTitle_ = new QLabel(banner_);
    bannerTitle_->setTextFormat(Qt::PlainText);
    QFont bold = font();
    bold.setBold(true);
    bannerTitle_->setFont(bold);
    bannerDetail_ = new QLabel(banner_);
    bannerDetail_->setTextFormat(Qt::PlainText);
    bannerDetail_->setWordWrap(true);
    cleanIdle_ = new QPushButton(Icons::symbol("trash"), QString(), banner_);
    connect(cleanIdle_, &QPushButton::clicked, this, &DashboardView::confirmIdleCleanup);
    auto* texts = new QVBoxLayout;
    texts->addWidget(bannerTitle_);
    texts->addWidget(bannerDetail_);
    auto* row = new QHBoxLayout(banner_);
    row->addWidget(symbolLabel("moon.zzz.fill", Theme::orange(), 18, banner_));
    row->addLayout(texts, 1);
    row->addWidget(cleanIdle_);
}

void DashboardView::relabel() {
    missingTitle_->setText(qL("tmux nu este instalat", "tmux is not installed"));
    missingLine_->setText(qs(platformText(PlatformText::installThenReopen)));
    missingCommand_->setText(qs(platformText(PlatformText::installCommand)));
    empty_->setTitle(qL("Niciun server tmux nu rulează", "No tmux server is running"));
    empty_->setDescription(qL("Creează prima sesiune de aici sau dintr-un terminal cu „tmux new -s lucru”.",
                              "Create the first session here or from a terminal with “tmux new -s work”."));
    createFirst_->setText(qL("Creează prima sesiune", "Create the first session"));
    cleanIdle_->setText(qL("Curăță idle", "Clean idle"));
    sessionsHeading_->setText(qL("Sesiuni", "Sessions"));
    cards_->setAccessibleName(qL("Sesiuni", "Sessions"));
    cards_->setAccessibleDescription(qL("Enter deschide un terminal atașat; tasta de meniu arată acțiunile sesiunii.",
                                        "Enter opens an attached terminal; the menu key shows the session's actions."));
    refreshContents();
    cards_->viewport()->update();
}

void DashboardView::refreshContents() {
    const auto& env = context_.env;
    pages_->setCurrentWidget(env.client() ? content_ : missingTmux_);
    updateTiles();
    error_->setVisible(env.lastError().has_value());
    if (env.lastError()) error_->setText(qs(*env.lastError()));
    const bool none = env.sessions().empty();
    empty_->setVisible(none);
    sessionsArea_->setVisible(!none);
    // Where the work is when the screen opens: the cards, or the button that makes the first.
    setFocusProxy(!env.client() ? nullptr : none ? static_cast<QWidget*>(createFirst_) : cards_);
    updateBanner();
}

void DashboardView::updateTiles() {
    const auto& env = context_.env;
    const QColor accent = palette().color(QPalette::Highlight);
    const QString values[] = {
        env.serverRunning() ? qL("Activ", "Running") : qL("Oprit", "Stopped"),
        QString::number(env.sessions().size()),
        QString::number(totalWindows(env.sessions())),
        QString::number(totalPanes(env.sessions())),
        env.tmuxVersion().empty() ? QStringLiteral("—") : qs(env.tmuxVersion()),
        qs(env.prefix()),
    };
    // A remote server's tile names its host.
    const QString server = env.socketHost().empty() ? qL("Server", "Server")
                                                    : qL("Server pe ", "Server on ") + qs(env.socketHost());
    const QString titles[] = {server,                     qL("Sesiuni", "Sessions"),   qL("Ferestre", "Windows"),
                              qL("Pane-uri", "Panes"),    qL("Versiune", "Version"),   QStringLiteral("Prefix")};
    const QColor tints[] = {env.serverRunning() ? Theme::green() : Theme::secondary(palette()), accent, accent, accent, accent,
                            Theme::green()};
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        tiles_[i]->setTitle(titles[i]);
        tiles_[i]->setValue(values[i]);
        tiles_[i]->setTint(tints[i]);
    }
}

void DashboardView::updateBanner() {
    const auto idle = context_.env.idleSessions();
    banner_->setVisible(!idle.empty());
    if (idle.empty()) return;
    bannerTitle_->setText(pluralText(std::int64_t(idle.size()),
                                     "{0, plural, one {# sesiune idle} few {# sesiuni idle} other {# de sesiuni idle}}",
                                     "{0, plural, one {# idle session} other {# idle sessions}}"));
    std::vector<std::string> names;
    for (const TmuxSession& s : idle) names.push_back(s.name);
    const auto hours = static_cast<long long>(context_.env.idleThresholdHours());
    bannerDetail_->setText(qL("neatașate de peste", "detached for over") + QStringLiteral(" ") + QString::number(hours) +
                           QStringLiteral("h: ") + qs(text::join(names, ", ")));
    banner_->setAccessibleName(bannerTitle_->text());
    banner_->setAccessibleDescription(bannerDetail_->text());
}

QMessageBox* DashboardView::confirmIdleCleanup() {
    const auto n = std::int64_t(context_.env.idleSessions().size());
    // Window-modal and not blocking, like every confirmation: nothing may run a nested loop.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quillon"),
                                pluralText(n, "{0, plural, one {Închizi # sesiune idle?} few {Închizi # sesiuni idle?} "
                                              "other {Închizi # de sesiuni idle?}}",
                                           "{0, plural, one {Close # idle session?} other {Close # idle sessions?}}"),
                                QMessageBox::NoButton, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("idleCleanupConfirmation"));
    box->setInformativeText(qL("Sesiunile neatașate de mult vor fi terminate.",
                               "Sessions detached for a long time will be terminated."));
    QPushButton* kill = box->addButton(QStringLiteral("Kill ") + sessionCountText(n), QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(qL("Anulează", "Cancel"), QMessageBox::RejectRole));
    keepPlain(*box);
    connect(kill, &QPushButton::clicked, this, [this] { context_.env.killIdleSessions(); });
    box->open();
    return box;
}

std::unique_ptr<QMenu> DashboardView::cardMenu(int row) {
    if (row < 0 || row >= model_->rowCount()) return nullptr;
    // The session taken with the menu, followed by its id: the rows may move while it is open,
    // and once the session is gone its actions are off.
    auto current = [&env = context_.env, taken = model_->session(row)]() -> std::optional<TmuxSession> {
        for (const TmuxSession& s : env.sessions())
            if (taken.sessionID.empty() ? s.name == taken.name : s.sessionID == taken.sessionID) return s;
        return std::nullopt;
    };
    auto menu = std::make_unique<QMenu>(this);
    auto* actions = new SessionActions(context_, std::move(current), menu.get());
    using Id = SessionActions::Id;
    actions->addTo(*menu, {Id::attach, Id::openFolder, Id::copyAttach, Id::copyKill});
    return menu;
}

}  // namespace quillon::ui

#include "moc_dashboard_view.cpp"
