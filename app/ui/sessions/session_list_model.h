#pragma once
// The published sessions as a list model: one row per session in tmux's order, with the most
// urgent state of its panes. A refresh, or a new reading of the states, touches only the rows
// that changed.

#include <QPointer>

#include <optional>
#include <string>
#include <vector>

#include "app/pane_attention.h"
#include "app/ui/widgets/keyed_list_model.h"
#include "app/ui/widgets/state_badge.h"
#include "core/tmux_model.h"

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

// What a list shows of the sessions: their own fields, and their windows only when asked (never
// the panes), so a refresh of a large server copies little.
std::vector<TmuxSession> sessionOutlines(const std::vector<TmuxSession>& sessions, bool withWindows);

class SessionListModel : public KeyedListModel<TmuxSession> {
    Q_OBJECT
public:
    // Follows env's sessions from now on.
    explicit SessionListModel(AppEnvironment& env, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
    // The session's own fields; its windows are left out.
    const TmuxSession& session(int row) const { return at(row); }
    // The row of the session with that exact name, or -1.
    int rowOf(const std::string& name) const;
    void setSessions(std::vector<TmuxSession> sessions);
    // Shows the states attention reads from now on; without it rows show none.
    void showStates(PaneAttention* attention);
    // The most urgent state of the session's panes; nothing while none is known.
    std::optional<StateBadge> stateAt(int row) const;

private:
    void followStates();

    QPointer<PaneAttention> attention_;
    ShownStates shown_;
};

}  // namespace quillon::ui
