#pragma once
// The home screen: six statistic tiles, the last error, the idle-session banner with its
// clean-up, and one card per session (badges, relative age, folder and attach buttons, and a
// context menu with the copy commands). Without tmux it shows only the install card.

#include <QWidget>

#include <memory>
#include <vector>

#include "app/ui/ui_context.h"
#include "core/tmux_model.h"

class QGridLayout;
class QLabel;
class QMenu;
class QMessageBox;
class QPushButton;
class QStackedWidget;
class QTimer;

namespace quillon::ui {

class CardListView;
class EmptyState;
class RestoreButton;
class SessionCardDelegate;
class SessionListModel;
class StatTile;
class StatusLine;

class DashboardView : public QWidget {
    Q_OBJECT
public:
    explicit DashboardView(UiContext& context, QWidget* parent = nullptr);

    const std::vector<StatTile*>& tiles() const noexcept { return tiles_; }
    CardListView* cards() const noexcept { return cards_; }
    RestoreButton* restoreButton() const noexcept { return restore_; }
    SessionListModel* cardModel() const noexcept { return model_; }
    // Opens the clean-up confirmation (window-modal, not blocking); accepting it kills the
    // idle sessions.
    QMessageBox* confirmIdleCleanup();
    // The actions of a card's context menu (also reached from the keyboard); nothing for a bad row.
    std::unique_ptr<QMenu> cardMenu(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildTiles();
    void buildBanner();
    void relabel();
    void refreshContents();
    void updateTiles();
    void updateBanner();
    void layoutTiles();

    UiContext& context_;
    QStackedWidget* pages_;
    QWidget* missingTmux_;
    QLabel* missingTitle_;
    QLabel* missingLine_;
    QLabel* missingCommand_;
    QWidget* content_;
    QGridLayout* tileGrid_;
    std::vector<StatTile*> tiles_;
    int tileColumns_ = 0;
    StatusLine* error_;
    RestoreButton* restore_;
    EmptyState* empty_;
    QPushButton* createFirst_;
    QWidget* sessionsArea_;
    QWidget* banner_;
    QLabel* bannerTitle_;
    QLabel* bannerDetail_;
    QPushButton* cleanIdle_;
    QLabel* sessionsHeading_;
    CardListView* cards_;
    SessionListModel* model_;
    SessionCardDelegate* delegate_;
    QTimer* clock_;
};

}  // namespace quillon::ui
