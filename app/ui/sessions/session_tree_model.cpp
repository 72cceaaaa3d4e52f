#include "app/ui/sessions/session_tree_model.h"

#include "app/app_environment.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

constexpr quintptr sessionLevel = 0;

}  // namespace

SessionTreeModel::SessionTreeModel(AppEnvironment& env, QObject* parent) : KeyedRowsModel(parent), env_(env) {
    setSessions(sessionOutlines(env.sessions(), true));
    connect(&env, &AppEnvironment::sessionsChanged, this, [this] { setSessions(sessionOutlines(env_.sessions(), true)); });
    connect(&env, &AppEnvironment::preferredTerminalChanged, this, &SessionTreeModel::relabel);
}

int SessionTreeModel::rowOfId(quintptr id) const {
    auto found = rowOfId_.find(id);
    return found == rowOfId_.end() ? -1 : found->second;
}

QModelIndex SessionTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column > attachColumn || row < 0 || row >= rowCount(parent)) return {};
    if (!parent.isValid()) return createIndex(row, column, sessionLevel);
    return createIndex(row, column, rows_[std::size_t(parent.row())].id);
}

QModelIndex SessionTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == sessionLevel) return {};
    const int row = rowOfId(child.internalId());
    return row < 0 ? QModelIndex() : createIndex(row, 0, sessionLevel);
}

int SessionTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(rows_.size());
    if (parent.internalId() != sessionLevel || parent.column() != 0) return 0;
    return int(rows_[std::size_t(parent.row())].session.windows.size());
}

int SessionTreeModel::columnCount(const QModelIndex&) const { return 2; }

const TmuxSession* SessionTreeModel::sessionAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    const int row = index.internalId() == sessionLevel ? index.row() : rowOfId(index.internalId());
    return row < 0 ? nullptr : &rows_[std::size_t(row)].session;
}

const TmuxWindow* SessionTreeModel::windowAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == sessionLevel) return nullptr;
    const TmuxSession* session = sessionAt(index);
    if (!session || index.row() >= int(session->windows.size())) return nullptr;
    return &session->windows[std::size_t(index.row())];
}

QModelIndex SessionTreeModel::indexOfSession(const std::string& name, int column) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].session.name == name) return index(int(i), column);
    return {};
}

QVariant SessionTreeModel::data(const QModelIndex& index, int role) const {
    const TmuxSession* session = sessionAt(index);
    if (!session) return {};
    const TmuxWindow* window = windowAt(index);
    if (index.column() == attachColumn) {
        const QString tip = window ? qL("Attach direct pe fereastra", "Attach directly to window") + QStringLiteral(" ") +
                                         QString::number(window->index)
                                   : qL("Attach sesiunea în", "Attach session in") + QStringLiteral(" ") +
                                         qs(displayName(env_.preferredTerminal()));
        switch (role) {
            case Qt::DecorationRole: return Icons::symbol(window ? "arrow.up.forward" : "arrow.up.forward.app");
            case Qt::ToolTipRole:
            case Qt::AccessibleTextRole: return tip;
            default: return {};
        }
    }
    if (role == Qt::DisplayRole)
        return window ? QString::number(window->index) + QStringLiteral(": ") + qs(window->name) : qs(session->name);
    if (role == Qt::AccessibleTextRole) {
        if (window) return QString::number(window->index) + QStringLiteral(": ") + qs(window->name);
        return qs(session->name) + QStringLiteral(", ") + windowCountText(session->windowCount) + QStringLiteral(", ") +
               (session->isAttached ? qL("atașată", "attached") : qL("detașată", "detached"));
    }
    return {};
}

void SessionTreeModel::setSessions(std::vector<TmuxSession> incoming) {
    // First the session rows, each keeping the windows it shows; then each session's windows.
    std::unordered_map<std::string, std::vector<TmuxWindow>> fresh;
    std::unordered_map<std::string, const SessionRow*> current;
    for (const SessionRow& row : rows_) current.emplace(row.session.name, &row);
    std::vector<SessionRow> heads;
    heads.reserve(incoming.size());
    for (TmuxSession& session : incoming) {
        auto kept = current.find(session.name);
        if (kept == current.end()) {
            heads.push_back({std::move(session), nextId_++});
            continue;
        }
        fresh.emplace(session.name, std::move(session.windows));
        session.windows = kept->second->session.windows;
        heads.push_back({std::move(session), kept->second->id});
    }
    auto reindex = [this] {
        rowOfId_.clear();
        for (std::size_t i = 0; i < rows_.size(); ++i) rowOfId_[rows_[i].id] = int(i);
    };
    syncRows({}, rows_, std::move(heads), [](const SessionRow& r) -> const std::string& { return r.session.name; }, reindex);
    reindex();

    for (std::size_t i = 0; i < rows_.size(); ++i) {
        auto found = fresh.find(rows_[i].session.name);
        if (found == fresh.end()) continue;  // a new row came with its windows
        syncRows(index(int(i), 0), rows_[i].session.windows, std::move(found->second), [](const TmuxWindow& w) { return w.index; });
    }
}

void SessionTreeModel::relabel() {
    if (rows_.empty()) return;
    emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, attachColumn));
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (const int n = rowCount(index(int(i), 0))) emit dataChanged(index(0, 0, index(int(i), 0)), index(n - 1, attachColumn, index(int(i), 0)));
}

}  // namespace quillon::ui

#include "moc_session_tree_model.cpp"
