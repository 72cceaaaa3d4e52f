#pragma once
// The new-session sheet: a validated name, an optional start directory ("~" expanded, or
// chosen in a folder dialog), and an attach right after creating. It closes once the session
// exists; when tmux refuses, it stays open with tmux's message and attaches nothing.

#include <QDialog>

#include "app/ui/ui_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon::ui {

class StatusLine;

class NewSessionSheet : public QDialog {
    Q_OBJECT
public:
    explicit NewSessionSheet(UiContext& context, QWidget* parent = nullptr);

    QLineEdit* nameField() const noexcept { return name_; }
    QLineEdit* directoryField() const noexcept { return directory_; }
    QCheckBox* attachAfter() const noexcept { return attachAfter_; }
    QPushButton* createButton() const noexcept { return create_; }
    bool warningShown() const;
    // The failure of the last create, empty when none.
    QString errorText() const;
    // Creates when the name is valid; the sheet closes when it worked.
    void create();

private:
    void relabel();
    void validate();
    void chooseFolder();

    UiContext& context_;
    QLabel* title_;
    QLabel* nameLabel_;
    QLineEdit* name_;
    StatusLine* warning_;
    QLabel* directoryLabel_;
    QLineEdit* directory_;
    QPushButton* choose_;
    QCheckBox* attachAfter_;
    StatusLine* error_;
    QPushButton* cancel_;
    QPushButton* create_;
    bool creating_ = false;
};

}  // namespace quillon::ui
