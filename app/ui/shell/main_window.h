#pragma once
// The main window: menus, the toolbar (terminal picker, new session, refresh, and the panel
// when no tray exists), the sidebar and the detail area of the selected screen. A session
// stays selected by name; while it is gone the detail area says so.

#include <QMainWindow>

#include <utility>
#include <vector>

#include "app/ui/shell/sidebar_model.h"
#include "app/ui/ui_context.h"
#include "core/pane_search.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;

namespace quillon::ui {

class DashboardView;
class PaneSearchPanel;
class EmptyState;
class SidebarView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(UiContext& context, QWidget* parent = nullptr);

    const SidebarItem& selection() const noexcept { return selection_; }
    // Shows the place and hands its screen the focus, as Return in the sidebar or Ctrl+1…6 do.
    void select(const SidebarItem& item);
    // Shows the place and leaves the focus where it is, as moving through the sidebar does.
    void showPlace(const SidebarItem& item);
    // Gives the shown screen the focus: its focus proxy, else its first control.
    void focusScreen();
    // The toolbar, the sidebar and the screen, in turn (F6 forwards, Shift+F6 back).
    void focusRegion(int step);
    // The screen the detail area shows now.
    QWidget* currentScreen() const;
    DashboardView* dashboard() const noexcept { return dashboard_; }
    // The toolbar's way to the panel, for desktops without a tray.
    void setPanelButtonVisible(bool visible);
    // The pane search (Ctrl+K), made on first use; openSearch shows it with the field focused,
    // searching for the text when one is given.
    PaneSearchPanel* searchPanel();
    void openSearch(const QString& text = {});
    QAction* searchAction() const noexcept { return searchAction_; }
    // Selects the pane's session and shows its preview at the match.
    void openMatch(const SearchPane& pane, const LineMatch& match, std::int64_t lines);
    // Selects the pane's session (by id, else by name) and shows the pane's preview.
    void openPane(const std::string& sessionId, const std::string& sessionName, const std::string& paneId);
    // The newest pane that needs the user (Ctrl+J): its preview, and it counts as seen, so the
    // next one comes next. The status bar names it, or says that nothing needs the user.
    void openNextNeed();
    QAction* nextNeedAction() const noexcept { return nextNeedAction_; }

protected:
    // Tab runs toolbar → sidebar → screen and back to the toolbar.
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Region { toolbar, sidebar, content, none };
    Region regionOf(const QWidget* widget) const;
    std::vector<QWidget*> tabStops() const;
    void restoreViewState();
    void saveViewState();
    void buildMenus();
    void buildToolbar();
    void relabel();
    // "Quillon — <host>" while a remote server is shown.
    void showHostInTitle();
    void syncTerminals();
    void showScreen();
    QWidget* createScreen(const SidebarItem& item);
    bool selectedSessionExists() const;

    UiContext& context_;
    SidebarItem selection_;
    SidebarModel* sidebarModel_;
    SidebarView* sidebar_;
    QSplitter* split_;
    QStackedWidget* stack_;
    DashboardView* dashboard_;
    EmptyState* sessionGone_;
    QWidget* screen_ = nullptr;  // the screen built for the selection (not the dashboard)

    QMenu* fileMenu_;
    QMenu* viewMenu_;
    QMenu* helpMenu_;
    QAction* newSessionAction_;
    QAction* settingsAction_;
    QAction* quitAction_;
    QAction* refreshAction_;
    QAction* searchAction_;
    QAction* nextNeedAction_;
    PaneSearchPanel* searchPanel_ = nullptr;
    QAction* panelAction_;
    QAction* aboutAction_;
    QAction* updatesAction_;
    QAction* nextRegionAction_;
    QAction* previousRegionAction_;
    std::vector<std::pair<SidebarItem, QAction*>> placeActions_;
    QToolBar* toolbar_;
    QLabel* terminalLabel_;
    QComboBox* terminalPicker_;
    QAction* panelToolbarAction_;
};

}  // namespace quillon::ui
