#include "app/ui/sessions/session_list_model.h"

#include "app/app_environment.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

std::vector<TmuxSession> sessionOutlines(const std::vector<TmuxSession>& sessions, bool withWindows) {
    std::vector<TmuxSession> outlines;
    outlines.reserve(sessions.size());
    for (const TmuxSession& s : sessions) {
        TmuxSession outline{s.name, s.sessionID, s.created, s.isAttached, s.windowCount, s.lastAttached, s.path, {}};
        if (withWindows) {
            outline.windows.reserve(s.windows.size());
            for (const TmuxWindow& w : s.windows)
                outline.windows.push_back({w.index, w.name, w.isActive, w.paneCount, {}, {}, w.target});
        }
        outlines.push_back(std::move(outline));
    }
    return outlines;
}

SessionListModel::SessionListModel(AppEnvironment& env, QObject* parent) : KeyedListModel(parent) {
    rows_ = sessionOutlines(env.sessions(), false);
    connect(&env, &AppEnvironment::sessionsChanged, this, [this, &env] { setSessions(sessionOutlines(env.sessions(), false)); });
}

QVariant SessionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TmuxSession& s = at(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return qs(s.name);
        case Qt::AccessibleTextRole: {
            QString text = qs(s.name) + QStringLiteral(", ") + (s.isAttached ? qL("atașată", "attached") : qL("detașată", "detached"));
            if (const auto state = stateAt(index.row())) text += QStringLiteral(", ") + state->text();
            return text;
        }
        case Qt::ToolTipRole: {
            const auto state = stateAt(index.row());
            return state ? state->text() : QVariant();
        }
        case StateBadge::role: {
            const auto state = stateAt(index.row());
            return state ? QVariant::fromValue(*state) : QVariant();
        }
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

void SessionListModel::showStates(PaneAttention* attention) {
    if (attention_) disconnect(attention_, nullptr, this, nullptr);
    attention_ = attention;
    if (attention_) connect(attention_, &PaneAttention::statesChanged, this, &SessionListModel::followStates);
    followStates();
}

std::optional<StateBadge> SessionListModel::stateAt(int row) const {
    if (!attention_ || row < 0 || row >= rowCount()) return std::nullopt;
    return StateBadge::of(attention_->sessionStatus(at(row).sessionID), false);
}

void SessionListModel::followStates() {
    shown_.follow(
        rowCount(), [this](int row) -> const std::string& { return at(row).name; }, [this](int row) { return stateAt(row); },
        [this](int first, int last) { emit dataChanged(index(first), index(last)); });
}

}  // namespace quillon::ui

#include "moc_session_list_model.cpp"
