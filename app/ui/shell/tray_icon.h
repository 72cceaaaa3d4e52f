#pragma once
// The application's face in the desktop's tray: the terminal symbol with the session count
// drawn on it (and in the tooltip), a click that opens the panel, and a small menu.

#include <QIcon>
#include <QObject>

#include "app/ui/ui_context.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

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

private:
    void refresh();
    void relabel();

    UiContext& context_;
    QSystemTrayIcon* tray_;
    QMenu* menu_;
    QAction* openPanel_;
    QAction* settings_;
    QAction* quit_;
};

}  // namespace quillon::ui
