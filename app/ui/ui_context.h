#pragma once
// What every screen is given: the three shared stores, the notifier the scanner posts
// through, and the shell's navigation (windows, sheets, the panel), so screens never reach
// for globals.

#include <QWidget>

namespace quillon {
class AppEnvironment;
class TemplateStore;
class RuleStore;
class Notifier;
class PaneAttention;
}  // namespace quillon

namespace quillon::ui {

enum class SettingsPage { general, tmux, scanner, hosts, about };

// Moves between the application's windows; the shell implements it.
class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void showMainWindow() = 0;
    virtual void showSettings(SettingsPage page = SettingsPage::general) = 0;
    virtual void showPanel() = 0;
    // The new-session sheet, window-modal on parent.
    virtual void showNewSessionSheet(QWidget* parent) = 0;
    virtual void quit() = 0;
};

struct UiContext {
    // The shared stores, as the shell receives them.
    struct Stores {
        AppEnvironment& env;
        TemplateStore& templates;
        RuleStore& rules;
        Notifier& notifier;
    };

    AppEnvironment& env;
    TemplateStore& templates;
    RuleStore& rules;
    Notifier& notifier;
    Navigator& navigator;
    // The states of the shown server's panes, for the screens that show them; none in
    // screens built without it.
    PaneAttention* attention = nullptr;
};

}  // namespace quillon::ui
