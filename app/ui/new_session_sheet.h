#pragma once
// The new-session sheet: a validated name, an optional start directory, and an attach right
// after creating.

#include <QDialog>

#include "app/ui/ui_context.h"

class QLineEdit;
class QPushButton;
class QLabel;

namespace quillon::ui {

class NewSessionSheet : public QDialog {
    Q_OBJECT
public:
    explicit NewSessionSheet(UiContext& context, QWidget* parent = nullptr);

private:
    void relabel();
    void create();

    UiContext& context_;
    QLabel* title_;
    QLineEdit* name_;
    QPushButton* cancel_;
    QPushButton* create_;
};

}  // namespace quillon::ui
