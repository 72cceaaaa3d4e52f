#pragma once
// The tray panel (320 wide): first the panes that need the user (when something does), then
// the server summary, sessions with their windows to unfold and attach, the template menu, a
// session created by name, and the ways to the main window, the settings and quitting.

#include <QFrame>

#include <string>

#include "app/ui/ui_context.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTreeView;
class QVBoxLayout;

namespace quillon {
class PaneAttention;
}

namespace quillon::ui {

class NeedsYouList;
class RestoreButton;
class SessionTreeModel;
class StatusDot;

class MenuBarView : public QFrame {
    Q_OBJECT
public:
    static constexpr int panelWidth = 320;
    static constexpr int listMaximumHeight = 280;

    explicit MenuBarView(UiContext& context, QWidget* parent = nullptr);

    // Shows the panel beside anchor (a tray icon's or a button's global rectangle), on screen.
    void popUp(const QRect& anchor);

    // Reached by tests and the screenshot script.
    QTreeView* sessionTree() const noexcept { return tree_; }
    SessionTreeModel* sessionModel() const noexcept { return model_; }
    QLineEdit* newNameField() const noexcept { return newName_; }
    QPushButton* createButton() const noexcept { return create_; }
    QPushButton* newSessionButton() const noexcept { return newSession_; }
    QToolButton* templatesButton() const noexcept { return templates_; }
    QLabel* serverLabel() const noexcept { return serverLabel_; }
    QLabel* countsLabel() const noexcept { return countsLabel_; }
    QLabel* emptyLabel() const noexcept { return emptyLabel_; }
    RestoreButton* restoreButton() const noexcept { return restore_; }
    // Runs create-session for the typed name when it is valid.
    void submitNewSession();
    // Puts the "Needs you" section first; a pane chosen there opens its preview.
    void showAttention(PaneAttention& attention);
    NeedsYouList* needsYou() const noexcept { return needsYou_; }

signals:
    // A pane chosen in "Needs you": the shell opens its preview.
    void paneChosen(const std::string& sessionId, const std::string& sessionName, const std::string& paneId);

private:
    void buildHeader(QVBoxLayout* layout);
    void buildSummary(QVBoxLayout* layout);
    void buildSessions(QVBoxLayout* layout);
    void buildNewSession(QVBoxLayout* layout);
    void buildFooter(QVBoxLayout* layout);
    void relabel();
    void refreshSummary();
    void refreshTemplates();
    void showNewField(bool shown);
    void rowClicked(const QModelIndex& index);
    void fitList();

    UiContext& context_;
    QToolButton* refresh_;
    QLabel* title_;
    StatusDot* dot_;
    QLabel* serverLabel_;
    QLabel* countsLabel_;
    QLabel* versionLabel_;
    QLabel* prefixLabel_;
    QStackedWidget* sessionsPages_;
    QLabel* emptyLabel_;
    QTreeView* tree_;
    SessionTreeModel* model_;
    QToolButton* templates_;
    QPushButton* newSession_;
    QWidget* newRow_;
    QLineEdit* newName_;
    QPushButton* create_;
    QPushButton* openMain_;
    QPushButton* settings_;
    QPushButton* quit_;
    RestoreButton* restore_;
    NeedsYouList* needsYou_ = nullptr;
};

}  // namespace quillon::ui
