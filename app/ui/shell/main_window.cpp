#include "app/ui/shell/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>

#include <algorithm>

#include "app/app_environment.h"
#include "app/ui/widgets/components.h"
#include "app/ui/settings/config_view.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/learn/learn_view.h"
#include "app/ui/automation/rules_view.h"
#include "app/ui/automation/scanner_view.h"
#include "app/ui/search/pane_search_panel.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/shell/sidebar_view.h"
#include "app/ui/templates/templates_view.h"
#include "app/ui/widgets/ui_text.h"
#include "core/platform_texts.h"

namespace quillon::ui {

MainWindow::MainWindow(UiContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Quillon"));
    setMinimumSize(860, 560);
    resize(1100, 720);

    sidebarModel_ = new SidebarModel(context.env, this);
    sidebar_ = new SidebarView(*sidebarModel_, this);
    sidebar_->setMinimumWidth(200);
    stack_ = new QStackedWidget(this);
    dashboard_ = new DashboardView(context, stack_);
    sessionGone_ = new EmptyState("rectangle.slash", stack_);
    stack_->addWidget(dashboard_);
    stack_->addWidget(sessionGone_);

    auto* split = new QSplitter(this);
    split->addWidget(sidebar_);
    split->addWidget(stack_);
    split->setStretchFactor(1, 1);
    split->setCollapsible(0, false);
    split->setSizes({240, 860});
    setCentralWidget(split);

    buildMenus();
    buildToolbar();
    relabel();
    sidebar_->showSelection(selection_);

    connect(sidebar_, &SidebarView::itemChosen, this, &MainWindow::select);
    connect(&context.env, &AppEnvironment::sessionsChanged, this, [this] {
        if (selection_.kind == SidebarItem::Kind::session) showScreen();
    });
    connect(&context.env, &AppEnvironment::languageChanged, this, &MainWindow::relabel);
    connect(&context.env, &AppEnvironment::preferredTerminalChanged, this, &MainWindow::syncTerminals);
}

void MainWindow::buildMenus() {
    fileMenu_ = menuBar()->addMenu(QString());
    newSessionAction_ = fileMenu_->addAction(Icons::symbol("plus"), QString());
    newSessionAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    connect(newSessionAction_, &QAction::triggered, this, [this] { context_.navigator.showNewSessionSheet(this); });
    settingsAction_ = fileMenu_->addAction(Icons::symbol("gearshape"), QString());
    settingsAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    settingsAction_->setMenuRole(QAction::PreferencesRole);
    connect(settingsAction_, &QAction::triggered, this, [this] { context_.navigator.showSettings(); });
    fileMenu_->addSeparator();
    quitAction_ = fileMenu_->addAction(Icons::symbol("power"), QString());
    quitAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quitAction_->setMenuRole(QAction::QuitRole);
    connect(quitAction_, &QAction::triggered, this, [this] { context_.navigator.quit(); });

    viewMenu_ = menuBar()->addMenu(QString());
    refreshAction_ = viewMenu_->addAction(Icons::symbol("arrow.clockwise"), QString());
    refreshAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    connect(refreshAction_, &QAction::triggered, this, [this] { context_.env.refresh(); });
    searchAction_ = viewMenu_->addAction(Icons::symbol("magnifyingglass"), QString());
    searchAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    connect(searchAction_, &QAction::triggered, this, &MainWindow::openSearch);
    panelAction_ = viewMenu_->addAction(Icons::symbol("terminal"), QString());
    connect(panelAction_, &QAction::triggered, this, [this] { context_.navigator.showPanel(); });

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
    newSessionAction_->setText(qL("Sesiune nouă", "New session"));
    newSessionAction_->setToolTip(qL("Creează o sesiune tmux nouă", "Create a new tmux session"));
    settingsAction_->setText(qL("Setări…", "Settings…"));
    quitAction_->setText(qL("Ieșire", "Quit"));
    refreshAction_->setText(qL("Refresh sesiuni", "Refresh sessions"));
    refreshAction_->setIconText(QStringLiteral("Refresh"));
    refreshAction_->setToolTip(qs(platformText(PlatformText::refreshTooltip)));
    searchAction_->setText(qL("Caută în pane-uri", "Search panes"));
    searchAction_->setToolTip(qL("Caută în toate pane-urile (Ctrl+K)", "Search every pane (Ctrl+K)"));
    panelAction_->setText(qL("Deschide panoul", "Open panel"));
    panelToolbarAction_->setText(panelAction_->text());
    panelToolbarAction_->setToolTip(panelAction_->text());
    aboutAction_->setText(qL("Despre Quillon", "About Quillon"));
    updatesAction_->setText(qL("Caută actualizări…", "Check for Updates…"));
    toolbar_->setWindowTitle(qL("Bară de unelte", "Toolbar"));
    terminalLabel_->setText(QStringLiteral("Terminal "));
    terminalPicker_->setToolTip(qL("Terminalul folosit la attach", "Terminal used for attach"));
    terminalPicker_->setAccessibleName(QStringLiteral("Terminal"));
    sidebar_->setAccessibleName(qL("Navigare", "Navigation"));
    sessionGone_->setTitle(qL("Sesiunea nu mai există", "Session no longer exists"));
    sessionGone_->setDescription(qL("A fost închisă sau redenumită.", "It was closed or renamed."));
    sidebarModel_->relabel();
}

void MainWindow::select(const SidebarItem& item) {
    if (item == selection_ && (screen_ || item.kind == SidebarItem::Kind::dashboard)) return;
    selection_ = item;
    sidebar_->showSelection(item);
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

void MainWindow::openSearch() { searchPanel()->open(); }

void MainWindow::openMatch(const SearchPane& pane, const LineMatch& match, std::int64_t lines) {
    select(SidebarItem::session(pane.sessionName));
    if (auto* detail = qobject_cast<SessionDetailView*>(screen_)) detail->showMatch(pane.paneID, pane.target(), lines, match);
    activateWindow();
}

QWidget* MainWindow::currentScreen() const { return stack_->currentWidget(); }

}  // namespace quillon::ui
