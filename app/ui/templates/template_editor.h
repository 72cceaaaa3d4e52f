#pragma once
// The sheet that edits one session template: its session name (a valid tmux name), an
// optional start directory with a folder chooser, and its windows, each with a name and an
// optional start-up command, added, removed and edited in place. Save trims the name and the
// directory.

#include <vector>

#include "app/session_template.h"
#include "app/ui/widgets/editor_sheet.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace quillon::ui {

class TemplateEditor : public EditorSheet {
    Q_OBJECT
public:
    TemplateEditor(UiContext& context, SessionTemplate sessionTemplate, QWidget* parent = nullptr);

    // The template as the fields describe it now, name and directory trimmed.
    SessionTemplate editedTemplate() const;
    bool isValid() const override;
    void addWindow();
    void removeWindow(int row);
    // The fields of one window row.
    QLineEdit* windowNameField(int row) const { return rows_.at(std::size_t(row)).name; }
    QLineEdit* windowCommandField(int row) const { return rows_.at(std::size_t(row)).command; }
    int windowCount() const noexcept { return int(rows_.size()); }

signals:
    void saved(const quillon::SessionTemplate& sessionTemplate);

private:
    struct WindowRow {
        std::string id;
        QWidget* row;
        QLineEdit* name;
        QLineEdit* command;
        QToolButton* remove;
    };

    void appendRow(const TemplateWindow& window);
    void chooseDirectory();
    void relabel() override;
    void save() override;
    void relabelRow(const WindowRow& row);

    SessionTemplate template_;
    std::vector<WindowRow> rows_;
    QLineEdit* name_;
    QLineEdit* directory_;
    QPushButton* choose_;
    QGroupBox* windowsGroup_;
    QVBoxLayout* windowRows_;
    QPushButton* addWindow_;
};

}  // namespace quillon::ui
