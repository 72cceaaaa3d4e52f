#pragma once
// The Settings window: General, tmux, Scanner and About tabs, each control bound both ways
// to the environment's preferences.

#include <QTabWidget>
#include <QWidget>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(UiContext& context, QWidget* parent = nullptr);
    void showPage(SettingsPage page);

private:
    void relabel();

    UiContext& context_;
    QTabWidget* tabs_;
};

}  // namespace quillon::ui
