#pragma once
// The sidebar list: section titles, tool rows with their symbols, and live session rows with
// a status dot and the window count. Reports the user's choice; the window keeps the selection.

#include <QTreeView>

#include <optional>

#include "app/ui/shell/sidebar_model.h"

namespace quillon::ui {

class SidebarView : public QTreeView {
    Q_OBJECT
public:
    SidebarView(SidebarModel& model, QWidget* parent = nullptr);
    // Highlights the row of the item, or none when it has no row (a closed session).
    void showSelection(const SidebarItem& item);

signals:
    // The current row moved to a place (arrows, a click, a screen reader selecting it).
    void itemChosen(const quillon::ui::SidebarItem& item);
    // Return or a double click on a place: open it with the focus in it.
    void itemOpened(const quillon::ui::SidebarItem& item);

protected:
    // Section titles are not places: the arrow keys pass over them.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    SidebarModel& model_;
    SidebarItem shown_;
    // Set while the model or this view moves the current row, not the user.
    bool updating_ = false;
};

}  // namespace quillon::ui
