#pragma once
// The learn screen: the searchable tmux cheat sheet with the live prefix.

#include <QWidget>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class EmptyState;

class LearnView : public QWidget {
    Q_OBJECT
public:
    explicit LearnView(UiContext& context, QWidget* parent = nullptr);

private:
    void relabel();

    UiContext& context_;
    EmptyState* placeholder_;
};

}  // namespace quillon::ui
