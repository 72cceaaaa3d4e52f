#pragma once
// The configuration screen: ~/.tmux.conf shown read-only, opened in the editor, reloaded on the server.

#include <QWidget>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class EmptyState;

class ConfigView : public QWidget {
    Q_OBJECT
public:
    explicit ConfigView(UiContext& context, QWidget* parent = nullptr);

private:
    void relabel();

    UiContext& context_;
    EmptyState* placeholder_;
};

}  // namespace quillon::ui
