#pragma once
// The application's face in the desktop's tray: the terminal symbol with the session count
// drawn on it (and in the tooltip), a click that opens the panel, and a small menu. While
// panes need the user, their count is drawn instead, in the warning colour.

#include <QIcon>
#include <QObject>

#include "app/ui/ui_context.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quillon {
class PaneAttention;
}

namespace quillon::ui {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(UiContext& context, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether a tray host is running now.
    static bool hostAvailable();
    void show();
    bool isVisible() const;
    // Where the icon sits on screen; empty when the host does not say.
    QRect geometry() const;
    QString toolTip() const;
    QMenu* menu() const noexcept { return menu_; }

    // The terminal symbol, with the count on a badge when it is above zero.
    static QIcon badgeIcon(std::size_t sessions);
    static QIcon badgeIcon(std::size_t count, const QColor& badge);
    // The count of panes that need the user replaces the sessions' while above zero.
    void followAttention(PaneAttention& attention);
    // What the badge shows now: the number and whether it is the warning.
    std::size_t badgeCount() const noexcept { return badgeCount_; }
    bool badgeWarns() const noexcept { return badgeWarns_; }

private:
    void refresh();
    void relabel();

    UiContext& context_;
    QSystemTrayIcon* tray_;
    QMenu* menu_;
    QAction* openPanel_;
    QAction* settings_;
    QAction* quit_;
    PaneAttention* attention_ = nullptr;
    std::size_t badgeCount_ = 0;
    bool badgeWarns_ = false;
};

}  // namespace quillon::ui
