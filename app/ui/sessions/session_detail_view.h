#pragma once
// One session by name: a header with rename (F2), attach, more actions (Delete asks to kill)
// and three facts; and the windows, preview, send and activity tabs. The session is looked up
// by name on every refresh, so everything follows the polling loop; while no session has the
// name the screen says so. Its actions address the session, windows and panes shown by
// tmux's ids.

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/ui_context.h"
#include "core/pane_matcher.h"
#include "core/tmux_model.h"

class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace quillon::ui {

class CardListView;
class EmptyState;
class StatusLine;
class PaneListModel;
class PanePreview;
class SendPanel;
class SessionActions;
class StatusBadge;
class WindowGroup;

class SessionDetailView : public QWidget {
    Q_OBJECT
public:
    enum class Tab { windows, preview, send, activity };
    static constexpr int previewLines = 200;

    SessionDetailView(UiContext& context, std::string sessionName, QWidget* parent = nullptr);
    const std::string& sessionName() const noexcept { return sessionName_; }

    void showTab(Tab tab);
    Tab currentTab() const;
    // A tab by name ("windows", "preview" of the active pane, "send", "activity"), as
    // `quillon --show session:<name>:<tab>` asks; false for another word.
    bool showPlace(const QString& tab);

    // Rename: the field opens with the name; committing sends a valid, changed name only.
    void startRename();
    void commitRename();
    QLineEdit* renameField() const noexcept { return nameField_; }

    // Panes are given by id ("%12", as the screens pass them) or by readable target
    // ("dev:0.1", read once, now): either way the pane is then followed by its id, so a
    // renumbering by tmux never moves the preview or the export to another pane.
    // Captures the pane's visible text (and recent history) into the preview tab.
    void loadPreview(const std::string& pane);
    // The preview of a pane (by id) as the pane search read it, scrolled to the match and
    // with the match highlighted.
    void showMatch(const std::string& paneID, const std::string& paneTarget, std::int64_t lines,
                   const LineMatch& match);
    // Asks where to save, then exports; the proposed name is exportFileName(target).
    void chooseExport(const std::string& pane);
    // Captures the whole scrollback and writes it to path atomically; the outcome is shown.
    void exportScrollback(const std::string& pane, const QString& path);
    // "dev:1.0" → "dev-1-0.log".
    static QString exportFileName(const std::string& paneTarget);
    // Where chooseExport asks; it calls use with the chosen path, or never when cancelled.
    // A test puts its own answer here.
    using PathChooser = std::function<void(const QString& proposedName, std::function<void(const QString&)> use)>;
    void setExportPathChooser(PathChooser chooser) { chooseExportPath_ = std::move(chooser); }

    // The kill confirmations, shown window-modal; their destructive button acts.
    QMessageBox* confirmKillSession();
    QMessageBox* confirmKillWindow(const TmuxWindow& window);
    QMenu* moreActions() const;

    // The line under the header: export outcomes.
    QString statusMessage() const;
    PanePreview* preview() const noexcept { return preview_; }
    SendPanel* sendPanel() const noexcept { return send_; }
    const std::vector<WindowGroup*>& windowGroups() const noexcept { return groups_; }
    CardListView* activityList() const noexcept { return activity_; }

private:
    void buildHeader(QVBoxLayout* column);
    void buildWindowsTab();
    void buildActivityTab();
    void buildMoreMenu();
    void bindDeleteToKill();
    void relabel();
    void refresh();
    void showFacts(const TmuxSession& session);
    void syncWindowGroups(const TmuxSession& session);
    void showStatus(const QString& text, bool failure);
    void showRenameField(bool shown);
    std::optional<TmuxSession> session() const;
    // The shown session's pane with that id or readable target; a pane not (or no longer)
    // listed keeps what was given.
    TmuxPane paneOf(const std::string& pane) const;

    UiContext& context_;
    std::string sessionName_;
    std::uint64_t previewRequest_ = 0;
    PathChooser chooseExportPath_;

    QStackedWidget* pages_;
    EmptyState* gone_;
    QWidget* content_;
    QLabel* title_;
    QToolButton* renameButton_;
    StatusBadge* stateBadge_;
    QWidget* renameRow_;
    QLineEdit* nameField_;
    QPushButton* renameOk_;
    QPushButton* renameCancel_;
    QPushButton* attach_;
    QToolButton* more_;
    SessionActions* actions_;
    QLabel* factCaptions_[3];
    QLabel* factValues_[3];
    StatusLine* status_;
    QTabWidget* tabs_;
    QLabel* windowsHeading_;
    QVBoxLayout* groupsLayout_;
    std::vector<WindowGroup*> groups_;
    PanePreview* preview_;
    SendPanel* send_;
    QLabel* activityHeading_;
    QLabel* activityCount_;
    PaneListModel* activityModel_;
    CardListView* activity_;
    QTimer* clock_;
};

}  // namespace quillon::ui
