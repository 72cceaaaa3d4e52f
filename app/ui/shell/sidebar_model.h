#pragma once
// The main window's sidebar: the "Panel" section with the dashboard, "Active sessions" with
// one live row per session (or a line saying why there is none), and "Resources" with the
// tool screens. Session rows follow every refresh without disturbing the others, and show the
// most urgent state of their panes (StateBadge::role), repainted only where it changed.

#include <QAbstractItemModel>
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

struct SidebarItem {
    enum class Kind { session, dashboard, scanner, templates, rules, learn, config, servers };
    Kind kind = Kind::dashboard;
    std::string sessionName;  // for session

    static SidebarItem session(std::string name) { return {Kind::session, std::move(name)}; }
    bool operator==(const SidebarItem&) const = default;
};

class SidebarModel : public KeyedRowsModel<QAbstractItemModel> {
    Q_OBJECT
public:
    enum Section { panel, sessions, resources };
    // Painted by the sidebar's delegate on session rows.
    enum Role { AttachedRole = Qt::UserRole + 1, WindowCountRole, IsSessionRole, IsSectionRole };

    explicit SidebarModel(AppEnvironment& env, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // What a row stands for; nothing for section titles and the no-session line.
    std::optional<SidebarItem> itemAt(const QModelIndex& index) const;
    QModelIndex indexOf(const SidebarItem& item) const;
    // Texts follow the language: every row reports a change.
    void relabel();
    // Shows the states attention reads from now on; without it rows show none.
    void showStates(PaneAttention* attention);

signals:
    // Around every change of the session rows, so a view can tell its own moves from the user's.
    void sessionRowsChanging();
    void sessionRowsChanged();

private:
    void setSessions(std::vector<TmuxSession> sessions);
    bool showsPlaceholder() const { return placeholder_; }
    std::optional<StateBadge> stateOf(const TmuxSession& session) const;
    void followStates();

    AppEnvironment& env_;
    std::vector<TmuxSession> sessions_;
    // The "no sessions" line stands in the section while it is empty.
    bool placeholder_ = true;
    QPointer<PaneAttention> attention_;
    ShownStates shown_;
};

}  // namespace quillon::ui
