#pragma once
// The templates screen: the saved session templates as cards, launched, edited and deleted.

#include <QWidget>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class EmptyState;

class TemplatesView : public QWidget {
    Q_OBJECT
public:
    explicit TemplatesView(UiContext& context, QWidget* parent = nullptr);

private:
    void relabel();

    UiContext& context_;
    EmptyState* placeholder_;
};

}  // namespace quillon::ui
