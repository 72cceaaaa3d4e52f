#include "app/ui/session_list_model.h"

#include "app/app_environment.h"
#include "app/ui/ui_text.h"

namespace quillon::ui {

SessionListModel::SessionListModel(AppEnvironment& env, QObject* parent) : KeyedListModel(parent) {
    rows_ = env.sessions();
    connect(&env, &AppEnvironment::sessionsChanged, this, [this, &env] { setSessions(env.sessions()); });
}

QVariant SessionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TmuxSession& s = at(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return qs(s.name);
        case Qt::AccessibleTextRole:
            return qs(s.name) + QStringLiteral(", ") +
                   (s.isAttached ? qL("atașată", "attached") : qL("detașată", "detached"));
        default: return {};
    }
}

int SessionListModel::rowOf(const std::string& name) const {
    for (int i = 0; i < rowCount(); ++i)
        if (at(i).name == name) return i;
    return -1;
}

void SessionListModel::setSessions(std::vector<TmuxSession> sessions) {
    replaceRows(std::move(sessions), [](const TmuxSession& s) -> const std::string& { return s.name; });
}

}  // namespace quillon::ui
