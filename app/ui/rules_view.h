#pragma once
// The rules screen: the auto-commands switch, the scan rules and their recent executions.

#include <QWidget>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class EmptyState;

class RulesView : public QWidget {
    Q_OBJECT
public:
    explicit RulesView(UiContext& context, QWidget* parent = nullptr);

private:
    void relabel();

    UiContext& context_;
    EmptyState* placeholder_;
};

}  // namespace quillon::ui
