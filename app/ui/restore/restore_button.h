#pragma once
// The offer to bring sessions back: a button that shows "Restore N sessions from HH:MM" while
// the server lacks sessions of its newest snapshot, and opens the chooser. The dashboard and
// the tray panel each hold one.

#include <QPushButton>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class RestoreButton : public QPushButton {
    Q_OBJECT
public:
    RestoreButton(UiContext& context, QWidget* parent = nullptr);

    // Opens the chooser, window-modal on the button's window (the main window for the panel).
    void openChooser();

signals:
    // Before the chooser opens (the panel hides itself).
    void choosing();

private:
    void follow();

    UiContext& context_;
};

}  // namespace quillon::ui
