#include "app/ui/shell/quillon_app.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/app_environment.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "app/ui/sessions/new_session_sheet.h"
#include "app/ui/restore/restore_button.h"
#include "app/ui/sessions/dashboard_view.h"
#include "app/ui/sessions/session_detail_view.h"
#include "app/ui/settings/settings_view.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/shell/tray_icon.h"
#include "app/pane_attention.h"
#include "app/pane_notices.h"
#include "app/pane_triggers.h"
#include "app/platform/desktop_notices.h"

namespace quillon::ui {

QuillonApp::QuillonApp(UiContext::Stores stores, QObject* parent)
    : QObject(parent), context_{stores.env, stores.templates, stores.rules, stores.notifier, *this, nullptr} {}

QuillonApp::~QuillonApp() {
    delete settings_;
    delete panel_;
    delete main_;
}

void QuillonApp::start() {
    Theme::applyAppearance(context_.env.appearance());
    connect(&context_.env, &AppEnvironment::appearanceChanged, this,
            [this] { Theme::applyAppearance(context_.env.appearance()); });

    // The screens show the panes' states from their first paint.
    attention_ = new PaneAttention(context_.env, this);
    context_.attention = attention_;
    main_ = new MainWindow(context_);
    connect(&context_.env, &AppEnvironment::refreshFinished, this, &QuillonApp::showPendingSession);
    main_->installEventFilter(this);
    reportFirstPaint_ = qEnvironmentVariableIsSet("QUILLON_REPORT_FIRST_PAINT");
    if (reportFirstPaint_) qApp->installEventFilter(this);
    panel_ = new MenuBarView(context_);
    tray_ = new TrayIcon(context_, this);
    panel_->showAttention(*attention_);
    connect(panel_, &MenuBarView::paneChosen, this, &QuillonApp::showPane);
    tray_->followAttention(*attention_);
    connect(new PaneNotices(context_.env, *attention_, DesktopNotices::session(), this), &PaneNotices::paneChosen, this, &QuillonApp::showPane);
    new PaneTriggers(context_.env, *attention_, context_.rules, this);
    attention_->start();
    followTrayHost();
    // A tray host may start after us, or go away.
    auto* watch = new QTimer(this);
    watch->setInterval(5000);
    connect(watch, &QTimer::timeout, this, &QuillonApp::followTrayHost);
    watch->start();
    main_->show();
}

bool QuillonApp::show(const QString& place) {
    using Kind = SidebarItem::Kind;
    static const std::pair<const char*, Kind> screens[] = {{"dashboard", Kind::dashboard}, {"scanner", Kind::scanner},
                                                           {"templates", Kind::templates}, {"rules", Kind::rules},
                                                           {"learn", Kind::learn},         {"config", Kind::config},
                                                           {"servers", Kind::servers}};
    static const std::pair<const char*, SettingsPage> pages[] = {{"general", SettingsPage::general}, {"tmux", SettingsPage::tmux},
                                                                 {"scanner", SettingsPage::scanner}, {"hosts", SettingsPage::hosts},
                                                                 {"about", SettingsPage::about}};
    const QString name = place.section(QLatin1Char(':'), 0, 0);
    const QString detail = place.section(QLatin1Char(':'), 1);
    if (name == QLatin1String("panel")) return showPanel(), true;
    if (name == QLatin1String("new-session")) return showMainWindow(), showNewSessionSheet(main_), true;
    if (name == QLatin1String("settings")) {
        for (const auto& [key, page] : pages)
            if (detail == QLatin1String(key)) return showSettings(page), true;
        return showSettings(), detail.isEmpty();
    }
    showMainWindow();
    if (name == QLatin1String("search")) return main_->openSearch(detail), true;
    if (name == QLatin1String("restore")) return showRestoreChooser(), true;
    if (name == QLatin1String("session") && !detail.isEmpty()) {
        // At a fresh start no session is known yet: the first snapshot decides.
        if (!context_.env.sessionsKnown()) return pendingSession_ = detail, true;
        pendingSession_.clear();
        return showSession(detail);
    }
    for (const auto& [key, kind] : screens)
        if (name == QLatin1String(key)) return main_->select({kind, {}}), true;
    return name.isEmpty() || name == QLatin1String("main");
}

bool QuillonApp::showSession(const QString& detail) {
    const std::string name = detail.section(QLatin1Char(':'), 0, 0).toStdString();
    main_->select(SidebarItem::session(name));
    const QString tab = detail.section(QLatin1Char(':'), 1);
    auto* screen = qobject_cast<SessionDetailView*>(main_->currentScreen());
    return tab.isEmpty() || (screen && screen->showPlace(tab));
}

void QuillonApp::showRestoreChooser() {
    main_->select({SidebarItem::Kind::dashboard, {}});
    auto* dashboard = qobject_cast<DashboardView*>(main_->currentScreen());
    if (dashboard && !dashboard->restoreButton()->isHidden()) dashboard->restoreButton()->openChooser();
}

void QuillonApp::showPendingSession() {
    if (pendingSession_.isEmpty() || !context_.env.sessionsKnown()) return;
    const QString detail = std::exchange(pendingSession_, QString());
    const std::string name = detail.section(QLatin1Char(':'), 0, 0).toStdString();
    const auto& sessions = context_.env.sessions();
    if (std::none_of(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == name; }))
        std::fprintf(stderr, "quillon: there is no session named \"%s\"\n", name.c_str());
    if (!showSession(detail)) std::fprintf(stderr, "quillon: unknown place: session:%s\n", qPrintable(detail));
}

void QuillonApp::followTrayHost() {
    const bool host = TrayIcon::hostAvailable();
    if (host && !tray_->isVisible()) tray_->show();
    main_->setPanelButtonVisible(!host);
    QApplication::setQuitOnLastWindowClosed(!host);
}

bool QuillonApp::eventFilter(QObject* watched, QEvent* event) {
    // The start-up benchmark waits for this line: the main window painted with the sessions in it.
    if (reportFirstPaint_ && event->type() == QEvent::Paint && !context_.env.sessions().empty()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && main_->isAncestorOf(widget)) {
            reportFirstPaint_ = false;
            qApp->removeEventFilter(this);
            std::fprintf(stderr, "quillon: painted %zu sessions\n", context_.env.sessions().size());
            std::fflush(stderr);
        }
    }
    // Without a tray, the main window is the only way back: closing it quits.
    if (watched == main_ && event->type() == QEvent::Close && !TrayIcon::hostAvailable()) quit();
    return QObject::eventFilter(watched, event);
}

void QuillonApp::showMainWindow() {
    main_->showNormal();
    main_->raise();
    main_->activateWindow();
}

void QuillonApp::showSettings(SettingsPage page) {
    if (!settings_) settings_ = new SettingsView(context_);
    settings_->showPage(page);
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

void QuillonApp::showPanel() {
    QRect anchor = tray_->isVisible() ? tray_->geometry() : QRect();
    if (anchor.isEmpty()) {
        // No tray position: drop from the top of the main window, where its toolbar sits.
        if (!main_->isVisible()) showMainWindow();
        const QRect frame = main_->frameGeometry();
        anchor = QRect(frame.right() - MenuBarView::panelWidth, frame.top() + 40, MenuBarView::panelWidth, 1);
    }
    panel_->popUp(anchor);
}

void QuillonApp::showPane(const std::string& sessionId, const std::string& sessionName, const std::string& paneId) {
    showMainWindow();
    main_->openPane(sessionId, sessionName, paneId);
}

void QuillonApp::showNewSessionSheet(QWidget* parent) {
    auto* sheet = new NewSessionSheet(context_, parent ? parent->window() : main_);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void QuillonApp::quit() { QApplication::quit(); }

}  // namespace quillon::ui

#include "moc_quillon_app.cpp"
