#include "app/ui/shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "app/ui/widgets/components.h"
#include "app/ui/settings/config_view.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/learn/learn_view.h"
#include "app/ui/automation/rules_view.h"
#include "app/ui/automation/scanner_view.h"
#include "app/ui/search/pane_search_panel.h"
#include "app/ui/servers/servers_view.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/shell/needs_you_list.h"
#include "app/ui/shell/sidebar_view.h"
#include "app/ui/shell/window_state.h"
#include "app/ui/templates/templates_view.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"

namespace quillon::ui {
namespace {

// The desktop's keys for a standard action, or the fallback where the desktop has none.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, const char* fallback) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (keys.isEmpty()) keys << QKeySequence(QString::fromLatin1(fallback));
    return keys;
}

// "Create a new tmux session (Ctrl+N)": a tooltip names the action's key.
QString withShortcut(const QString& text, const QAction& action) {
    if (action.shortcut().isEmpty()) return text;
    return text + QStringLiteral(" (") + action.shortcut().toString(QKeySequence::NativeText) + QStringLiteral(")");
}

// How long a message stays in the status bar.
constexpr int messageMs = 8000;

bool isTabStop(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isVisible() && widget->isEnabled() &&
           !widget->focusProxy();
}

// Where the focus goes in a screen: its focus proxy, else its first control.
QWidget* entryOf(QWidget* screen) {
    if (!screen) return nullptr;
    if (QWidget* proxy = screen->focusProxy(); proxy && proxy->isVisible() && proxy->isEnabled()) return proxy;
    for (QWidget* w = screen->nextInFocusChain(); w != screen; w = w->nextInFocusChain())
        if (screen->isAncestorOf(w) && isTabStop(w)) return w;
    return nullptr;
}

}  // namespace

MainWindow::MainWindow(UiContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Quillon"));
    setMinimumSize(860, 560);
    resize(1100, 720);

    sidebarModel_ = new SidebarModel(context.env, this);
    sidebarModel_->showStates(context.attention);
    sidebar_ = new SidebarView(*sidebarModel_, this);
    sidebar_->setMinimumWidth(200);
    stack_ = new QStackedWidget(this);
    dashboard_ = new DashboardView(context, stack_);
    sessionGone_ = new EmptyState("rectangle.slash", stack_);
    stack_->addWidget(dashboard_);
    stack_->addWidget(sessionGone_);

    split_ = new QSplitter(this);
    split_->setObjectName(QStringLiteral("split"));
    split_->addWidget(sidebar_);
    split_->addWidget(stack_);
    split_->setStretchFactor(1, 1);
    split_->setCollapsible(0, false);
    split_->setSizes({240, 860});
    setCentralWidget(split_);

    buildMenus();
    buildToolbar();
    // A screen reader reads the status bar by the message it shows.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(), &QWidget::setAccessibleName);
    relabel();
    sidebar_->showSelection(selection_);

    // Moving through the sidebar shows each place and leaves the focus there; Return, a
    // double click or a shortcut opens the place with the focus in it.
    connect(sidebar_, &SidebarView::itemChosen, this, &MainWindow::showPlace);
    connect(sidebar_, &SidebarView::itemOpened, this, &MainWindow::select);
    restoreViewState();
    connect(&context.env, &AppEnvironment::sessionsChanged, this, [this] {
        if (selection_.kind == SidebarItem::Kind::session) showScreen();
    });
    connect(&context.env, &AppEnvironment::languageChanged, this, &MainWindow::relabel);
    connect(&context.env, &AppEnvironment::serverChanged, this, &MainWindow::showHostInTitle);
    showHostInTitle();
    connect(&context.env, &AppEnvironment::preferredTerminalChanged, this, &MainWindow::syncTerminals);
}

void MainWindow::buildMenus() {
    fileMenu_ = menuBar()->addMenu(QString());
    newSessionAction_ = fileMenu_->addAction(Icons::symbol("plus"), QString());
    newSessionAction_->setShortcuts(standardKeys(QKeySequence::New, "Ctrl+N"));
    connect(newSessionAction_, &QAction::triggered, this, [this] { context_.navigator.showNewSessionSheet(this); });
    settingsAction_ = fileMenu_->addAction(Icons::symbol("gearshape"), QString());
    settingsAction_->setShortcuts(standardKeys(QKeySequence::Preferences, "Ctrl+,"));
    settingsAction_->setMenuRole(QAction::PreferencesRole);
    connect(settingsAction_, &QAction::triggered, this, [this] { context_.navigator.showSettings(); });
    fileMenu_->addSeparator();
    quitAction_ = fileMenu_->addAction(Icons::symbol("power"), QString());
    quitAction_->setShortcuts(standardKeys(QKeySequence::Quit, "Ctrl+Q"));
    quitAction_->setMenuRole(QAction::QuitRole);
    connect(quitAction_, &QAction::triggered, this, [this] { context_.navigator.quit(); });

    viewMenu_ = menuBar()->addMenu(QString());
    refreshAction_ = viewMenu_->addAction(Icons::symbol("arrow.clockwise"), QString());
    // Ctrl+R is the one the texts name; the desktop's own refresh key works too.
    QList<QKeySequence> refreshKeys{QKeySequence(QStringLiteral("Ctrl+R"))};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Refresh))
        if (!refreshKeys.contains(key)) refreshKeys << key;
    refreshAction_->setShortcuts(refreshKeys);
    connect(refreshAction_, &QAction::triggered, this, [this] { context_.env.refresh(); });
    searchAction_ = viewMenu_->addAction(Icons::symbol("magnifyingglass"), QString());
    searchAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    connect(searchAction_, &QAction::triggered, this, [this] { openSearch(); });
    nextNeedAction_ = viewMenu_->addAction(Icons::symbol("bell"), QString());
    nextNeedAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+J")));
    connect(nextNeedAction_, &QAction::triggered, this, &MainWindow::openNextNeed);
    panelAction_ = viewMenu_->addAction(Icons::symbol("terminal"), QString());
    connect(panelAction_, &QAction::triggered, this, [this] { context_.navigator.showPanel(); });
    viewMenu_->addSeparator();
    using Kind = SidebarItem::Kind;
    const Kind places[] = {Kind::dashboard, Kind::scanner, Kind::templates, Kind::rules, Kind::learn, Kind::config};
    for (std::size_t i = 0; i < std::size(places); ++i) {
        const SidebarItem item{places[i], {}};
        QAction* action = viewMenu_->addAction(sidebarModel_->indexOf(item).data(Qt::DecorationRole).value<QIcon>(), QString());
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + int(i))));
        connect(action, &QAction::triggered, this, [this, item] { select(item); });
        placeActions_.emplace_back(item, action);
    }
    viewMenu_->addSeparator();
    nextRegionAction_ = viewMenu_->addAction(QString());
    nextRegionAction_->setShortcut(QKeySequence(Qt::Key_F6));
    connect(nextRegionAction_, &QAction::triggered, this, [this] { focusRegion(+1); });
    previousRegionAction_ = viewMenu_->addAction(QString());
    previousRegionAction_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(previousRegionAction_, &QAction::triggered, this, [this] { focusRegion(-1); });

    helpMenu_ = menuBar()->addMenu(QString());
    aboutAction_ = helpMenu_->addAction(Icons::symbol("info.circle"), QString());
    aboutAction_->setMenuRole(QAction::AboutRole);
    connect(aboutAction_, &QAction::triggered, this, [this] { context_.navigator.showSettings(SettingsPage::about); });
    // This build has no updater: the item stays, disabled, where users look for it.
    updatesAction_ = helpMenu_->addAction(QString());
    updatesAction_->setEnabled(false);
}

void MainWindow::buildToolbar() {
    toolbar_ = addToolBar(QString());
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    terminalLabel_ = new QLabel(toolbar_);
    terminalPicker_ = new QComboBox(toolbar_);
    toolbar_->addWidget(terminalLabel_);
    toolbar_->addWidget(terminalPicker_);
    toolbar_->addSeparator();
    toolbar_->addAction(newSessionAction_);
    toolbar_->addAction(refreshAction_);
    toolbar_->addAction(searchAction_);
    panelToolbarAction_ = toolbar_->addAction(Icons::symbol("terminal"), QString());
    connect(panelToolbarAction_, &QAction::triggered, this, [this] { context_.navigator.showPanel(); });
    panelToolbarAction_->setVisible(false);
    // Tool bar buttons take no focus by default; here Tab and F6 reach them like any control.
    for (QToolButton* button : toolbar_->findChildren<QToolButton*>()) button->setFocusPolicy(Qt::TabFocus);

    for (TerminalApp app : context_.env.availableTerminals())
        terminalPicker_->addItem(qs(displayName(app)), int(app));
    syncTerminals();
    connect(terminalPicker_, qOverload<int>(&QComboBox::activated), this, [this](int row) {
        context_.env.setPreferredTerminal(TerminalApp(terminalPicker_->itemData(row).toInt()));
    });
}

void MainWindow::syncTerminals() {
    const int row = terminalPicker_->findData(int(context_.env.preferredTerminal()));
    if (row >= 0) terminalPicker_->setCurrentIndex(row);
}

void MainWindow::setPanelButtonVisible(bool visible) { panelToolbarAction_->setVisible(visible); }

void MainWindow::relabel() {
    fileMenu_->setTitle(qL("&Fișier", "&File"));
    viewMenu_->setTitle(qL("&Vizualizare", "&View"));
    helpMenu_->setTitle(qL("&Ajutor", "&Help"));
    newSessionAction_->setText(qL("Sesiune &nouă", "&New session"));
    newSessionAction_->setIconText(qL("Sesiune nouă", "New session"));
    newSessionAction_->setToolTip(withShortcut(qL("Creează o sesiune tmux nouă", "Create a new tmux session"), *newSessionAction_));
    settingsAction_->setText(qL("&Setări…", "&Settings…"));
    quitAction_->setText(qL("&Ieșire", "&Quit"));
    refreshAction_->setText(qL("&Refresh sesiuni", "&Refresh sessions"));
    refreshAction_->setIconText(QStringLiteral("Refresh"));
    refreshAction_->setToolTip(qs(platformText(PlatformText::refreshTooltip)));
    searchAction_->setText(qL("&Caută în pane-uri", "&Search panes"));
    searchAction_->setIconText(qL("Caută în pane-uri", "Search panes"));
    searchAction_->setToolTip(withShortcut(qL("Caută în toate pane-urile", "Search every pane"), *searchAction_));
    nextNeedAction_->setText(qL("Următorul pane care te aș&teaptă", "&Next pane that needs you"));
    nextNeedAction_->setToolTip(withShortcut(qL("Deschide următorul pane care te așteaptă", "Open the next pane that needs you"),
                                             *nextNeedAction_));
    panelAction_->setText(qL("Deschide &panoul", "Open &panel"));
    panelToolbarAction_->setText(qL("Deschide panoul", "Open panel"));
    panelToolbarAction_->setToolTip(panelToolbarAction_->text());
    sidebarModel_->relabel();
    for (const auto& [item, action] : placeActions_) {
        const QString name = sidebarModel_->indexOf(item).data().toString();
        action->setText(QStringLiteral("&") + name);
        action->setToolTip(withShortcut(name, *action));
    }
    nextRegionAction_->setText(qL("Zona &următoare", "Ne&xt area"));
    previousRegionAction_->setText(qL("Zona p&recedentă", "Pre&vious area"));
    aboutAction_->setText(qL("&Despre Quillon", "&About Quillon"));
    updatesAction_->setText(qL("Caută &actualizări…", "Check for &Updates…"));
    toolbar_->setWindowTitle(qL("Bară de unelte", "Toolbar"));
    terminalLabel_->setText(QStringLiteral("Terminal "));
    terminalPicker_->setToolTip(qL("Terminalul folosit la attach", "Terminal used for attach"));
    terminalPicker_->setAccessibleName(QStringLiteral("Terminal"));
    sidebar_->setAccessibleName(qL("Navigare", "Navigation"));
    sessionGone_->setTitle(qL("Sesiunea nu mai există", "Session no longer exists"));
    sessionGone_->setDescription(qL("A fost închisă sau redenumită.", "It was closed or renamed."));
}

void MainWindow::select(const SidebarItem& item) {
    showPlace(item);
    focusScreen();
}

void MainWindow::showPlace(const SidebarItem& item) {
    if (item == selection_ && (screen_ || item.kind == SidebarItem::Kind::dashboard)) return;
    selection_ = item;
    sidebar_->showSelection(item);
    if (item.kind == SidebarItem::Kind::session) context_.env.watchSession(item.sessionName);
    if (screen_) {
        stack_->removeWidget(screen_);
        screen_->deleteLater();  // a scanner screen stops its engine as it goes
        screen_ = nullptr;
    }
    showScreen();
}

bool MainWindow::selectedSessionExists() const {
    const auto& sessions = context_.env.sessions();
    return std::any_of(sessions.begin(), sessions.end(),
                       [&](const TmuxSession& s) { return s.name == selection_.sessionName; });
}

void MainWindow::showScreen() {
    if (selection_.kind == SidebarItem::Kind::dashboard) return stack_->setCurrentWidget(dashboard_);
    if (selection_.kind == SidebarItem::Kind::session && !selectedSessionExists()) {
        if (screen_) {
            stack_->removeWidget(screen_);
            screen_->deleteLater();
            screen_ = nullptr;
        }
        return stack_->setCurrentWidget(sessionGone_);
    }
    if (!screen_) {
        screen_ = createScreen(selection_);
        stack_->addWidget(screen_);
    }
    stack_->setCurrentWidget(screen_);
}

QWidget* MainWindow::createScreen(const SidebarItem& item) {
    using Kind = SidebarItem::Kind;
    switch (item.kind) {
        case Kind::session: return new SessionDetailView(context_, item.sessionName, stack_);
        case Kind::scanner: return new ScannerView(context_, stack_);
        case Kind::templates: return new TemplatesView(context_, stack_);
        case Kind::rules: return new RulesView(context_, stack_);
        case Kind::learn: return new LearnView(context_, stack_);
        case Kind::config: return new ConfigView(context_, stack_);
        case Kind::servers: return new ServersView(context_, stack_);
        case Kind::dashboard: break;
    }
    return nullptr;
}

PaneSearchPanel* MainWindow::searchPanel() {
    if (!searchPanel_) {
        searchPanel_ = new PaneSearchPanel(context_, this);
        connect(searchPanel_, &PaneSearchPanel::matchChosen, this, &MainWindow::openMatch);
    }
    return searchPanel_;
}

void MainWindow::openSearch(const QString& text) {
    searchPanel()->open();
    if (!text.isEmpty()) searchPanel()->field()->setText(text);
}

void MainWindow::openMatch(const SearchPane& pane, const LineMatch& match, std::int64_t lines) {
    // The session by its id: renamed since the search, it is still the one the match is in.
    const auto& sessions = context_.env.sessions();
    const auto now = std::find_if(sessions.begin(), sessions.end(),
                                  [&](const TmuxSession& s) { return s.sessionID == pane.sessionID; });
    select(SidebarItem::session(now != sessions.end() ? now->name : pane.sessionName));
    if (auto* detail = qobject_cast<SessionDetailView*>(screen_)) detail->showMatch(pane.paneID, pane.target(), lines, match);
    activateWindow();
}

void MainWindow::openPane(const std::string& sessionId, const std::string& sessionName, const std::string& paneId) {
    const auto& sessions = context_.env.sessions();
    const auto now = std::find_if(sessions.begin(), sessions.end(),
                                  [&](const TmuxSession& s) { return s.sessionID == sessionId; });
    select(SidebarItem::session(now != sessions.end() ? now->name : sessionName));
    if (auto* detail = qobject_cast<SessionDetailView*>(screen_)) detail->loadPreview(paneId);
    activateWindow();
}

void MainWindow::openNextNeed() {
    if (!context_.attention || context_.attention->needsYou().empty()) {
        statusBar()->showMessage(qL("Nimic nu te așteaptă acum", "Nothing needs you now"), messageMs);
        return;
    }
    // Looked at, it leaves the list: the next time the next one comes first.
    const PaneAttention::Entry entry = context_.attention->needsYou().front();
    context_.attention->markSeen(entry.pane.paneId);
    openPane(entry.pane.sessionId, entry.pane.sessionName, entry.pane.paneId);
    statusBar()->showMessage(NeedsYouList::rowText(entry), messageMs);
}

void MainWindow::showHostInTitle() {
    const std::string& host = context_.env.socketHost();
    setWindowTitle(host.empty() ? QStringLiteral("Quillon") : QStringLiteral("Quillon — ") + qs(host));
}

QWidget* MainWindow::currentScreen() const { return stack_->currentWidget(); }

void MainWindow::restoreViewState() {
    WindowState::standard().restore(*this, *split_);
    // Quitting from a menu or the tray closes no window: keep the layout then too.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (isVisible()) saveViewState();
    });
}

void MainWindow::saveViewState() { WindowState::standard().save(*this, *split_); }

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A window that opens puts the focus where the work is, not on the first toolbar control.
    if (!focusWidget()) focusScreen();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveViewState();
    QMainWindow::closeEvent(event);
}

void MainWindow::focusScreen() {
    if (QWidget* entry = entryOf(stack_->currentWidget())) entry->setFocus(Qt::OtherFocusReason);
}

MainWindow::Region MainWindow::regionOf(const QWidget* widget) const {
    if (!widget) return Region::none;
    if (toolbar_ == widget || toolbar_->isAncestorOf(widget)) return Region::toolbar;
    if (sidebar_ == widget || sidebar_->isAncestorOf(widget)) return Region::sidebar;
    if (stack_ == widget || stack_->isAncestorOf(widget)) return Region::content;
    return Region::none;
}

std::vector<QWidget*> MainWindow::tabStops() const {
    // Qt's own chain follows the order widgets were made in, and screens are made late: the
    // regions put it back in the order the eye reads the window.
    std::vector<QWidget*> regions[3];
    const QWidget* screen = stack_->currentWidget();
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (!isTabStop(w)) continue;
        const Region region = regionOf(w);
        if (region == Region::none || (region == Region::content && !screen->isAncestorOf(w))) continue;
        regions[int(region)].push_back(w);
    }
    std::vector<QWidget*> stops;
    for (const auto& region : regions) stops.insert(stops.end(), region.begin(), region.end());
    return stops;
}

bool MainWindow::focusNextPrevChild(bool next) {
    const std::vector<QWidget*> stops = tabStops();
    if (stops.empty()) return QMainWindow::focusNextPrevChild(next);
    QWidget* focused = QApplication::focusWidget();
    auto at = std::find(stops.begin(), stops.end(), focused);
    // A control that is not a stop itself (a proxied one, a label) counts as its region's start.
    if (at == stops.end() && regionOf(focused) != Region::none) {
        const Region region = regionOf(focused);
        at = std::find_if(stops.begin(), stops.end(), [&](QWidget* w) { return regionOf(w) == region; });
        if (at != stops.end() && !next) at = at == stops.begin() ? stops.end() - 1 : at - 1;
        if (at != stops.end()) return (*at)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason), true;
    }
    const auto count = std::ptrdiff_t(stops.size());
    std::ptrdiff_t position = at == stops.end() ? (next ? -1 : 0) : at - stops.begin();
    position = ((position + (next ? 1 : -1)) % count + count) % count;
    stops[std::size_t(position)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void MainWindow::focusRegion(int step) {
    auto entry = [this](Region region) -> QWidget* {
        switch (region) {
            case Region::toolbar:
                for (QWidget* w : tabStops())
                    if (regionOf(w) == Region::toolbar) return w;
                return nullptr;
            case Region::sidebar: return sidebar_;
            case Region::content: return entryOf(stack_->currentWidget());
            case Region::none: break;
        }
        return nullptr;
    };
    const Region current = regionOf(QApplication::focusWidget());
    int region = current == Region::none ? (step > 0 ? -1 : 0) : int(current);
    for (int tries = 0; tries < 3; ++tries) {
        region = (region + step + 3) % 3;
        if (QWidget* target = entry(Region(region))) return target->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace quillon::ui

#include "moc_main_window.cpp"
