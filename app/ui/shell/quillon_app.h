#pragma once
// The application shell: one instance per user, the three shared stores, the appearance, the
// main window, the tray with its panel and the settings window, and the ways between them.
// Closing the main window leaves Quillon in the tray; without a tray host it quits.

#include <QObject>
#include <QPointer>

#include <memory>

#include "app/ui/settings/settings_view.h"
#include "app/ui/ui_context.h"

namespace quillon {
class PaneAttention;
}

namespace quillon::ui {

class MainWindow;
class MenuBarView;
class SettingsView;
class TrayIcon;

class QuillonApp : public QObject, public Navigator {
    Q_OBJECT
public:
    // Uses the given stores (tests pass their own); start() shows the windows.
    explicit QuillonApp(UiContext::Stores stores, QObject* parent = nullptr);
    ~QuillonApp() override;

    void start();
    // Brings up a place by name: "main", "dashboard", "scanner", "templates", "rules", "learn",
    // "config", "session:<name>", "panel", "settings[:general|tmux|scanner|about]",
    // "new-session". False for a name it does not know (the main window is shown then).
    // A session asked for before the first snapshot is opened once it arrives; if it names
    // no session, stderr says so.
    bool show(const QString& place);
    // The session (and tab) show() keeps for the first snapshot; empty when none.
    const QString& pendingSession() const noexcept { return pendingSession_; }

    MainWindow* mainWindow() const noexcept { return main_; }
    MenuBarView* panel() const noexcept { return panel_; }
    TrayIcon* tray() const noexcept { return tray_; }
    PaneAttention* attention() const noexcept { return attention_; }
    SettingsView* settingsWindow() const noexcept { return settings_; }
    UiContext& context() noexcept { return context_; }

    void showMainWindow() override;
    void showSettings(SettingsPage page = SettingsPage::general) override;
    void showPanel() override;
    // The main window with the pane's preview, in its session (by id, else by name).
    void showPane(const std::string& sessionId, const std::string& sessionName, const std::string& paneId);
    void showNewSessionSheet(QWidget* parent) override;
    void quit() override;
    // Shows the tray icon when a host runs, else the panel button; runs every few seconds.
    void followTrayHost();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // "name[:tab]" of a session place.
    bool showSession(const QString& detail);
    // The dashboard, with the restore chooser open when it offers sessions to bring back.
    void showRestoreChooser();
    void showPendingSession();

    UiContext context_;
    QString pendingSession_;
    MainWindow* main_ = nullptr;
    MenuBarView* panel_ = nullptr;
    TrayIcon* tray_ = nullptr;
    PaneAttention* attention_ = nullptr;
    QPointer<SettingsView> settings_;
    bool reportFirstPaint_ = false;
};

}  // namespace quillon::ui
