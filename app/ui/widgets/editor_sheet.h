#pragma once
// A window-modal sheet that edits one value: a heading, its sections, and Cancel and Save
// (the default button) at the bottom. Save is offered only while the fields are valid;
// saving hands the value over (save()) and closes the sheet. Texts follow the language.

#include <QDialog>

#include "app/ui/ui_context.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace quillon::ui {

class EditorSheet : public QDialog {
    Q_OBJECT
public:
    QPushButton* saveButton() const noexcept { return save_; }
    virtual bool isValid() const = 0;

protected:
    EditorSheet(UiContext& context, QWidget* parent);

    // Sections go above the buttons, in order.
    void addSection(QWidget* section);
    // Offers Save while isValid(); call it when a field changes.
    void validate();
    // The heading (also the window title) and the buttons' texts, in the current language.
    void relabelSheet(const QString& heading);
    // Sets every text; run again when the language changes.
    virtual void relabel() = 0;
    // Hands the edited value over.
    virtual void save() = 0;

private:
    QLabel* heading_;
    QVBoxLayout* sections_;
    QPushButton* cancel_;
    QPushButton* save_;
};

}  // namespace quillon::ui
