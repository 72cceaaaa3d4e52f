#pragma once
// Sessions with their windows as a two-level model for the tray panel: column 0 is the row
// itself, column 1 its attach button. A refresh inserts, removes and updates rows in place,
// so the panel keeps which sessions are unfolded.

#include <QAbstractItemModel>

#include <unordered_map>
#include <vector>

#include "app/ui/widgets/keyed_list_model.h"
#include "core/tmux_model.h"

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class SessionTreeModel : public KeyedRowsModel<QAbstractItemModel> {
    Q_OBJECT
public:
    enum Column { rowColumn, attachColumn };

    explicit SessionTreeModel(AppEnvironment& env, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The session of a session row or of a window row's parent; nothing for an invalid index.
    const TmuxSession* sessionAt(const QModelIndex& index) const;
    // The window of a window row; nothing for a session row.
    const TmuxWindow* windowAt(const QModelIndex& index) const;
    QModelIndex indexOfSession(const std::string& name, int column = rowColumn) const;
    void setSessions(std::vector<TmuxSession> sessions);
    // Tooltips name the preferred terminal and follow the language.
    void relabel();

private:
    struct SessionRow {
        TmuxSession session;
        quintptr id = 0;  // stable while the row lives: window rows point at their session by it
        bool operator==(const SessionRow&) const = default;
    };
    int rowOfId(quintptr id) const;

    AppEnvironment& env_;
    std::vector<SessionRow> rows_;
    std::unordered_map<quintptr, int> rowOfId_;
    quintptr nextId_ = 1;
};

}  // namespace quillon::ui
