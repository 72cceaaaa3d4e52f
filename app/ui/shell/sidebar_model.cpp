#include "app/ui/shell/sidebar_model.h"

#include <array>

#include "app/app_environment.h"
#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/sessions/session_list_model.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {
namespace {

// Section rows have internal id 0; a child row carries its section + 1.
constexpr quintptr sectionId = 0;

struct Tool {
    SidebarItem::Kind kind;
    const char* symbol;
    const char* ro;
    const char* en;
};

constexpr std::array<Tool, 1> panelRows{{{SidebarItem::Kind::dashboard, "gauge.with.dots.needle.50percent", "Dashboard", "Dashboard"}}};
constexpr std::array<Tool, 6> resourceRows{{
    {SidebarItem::Kind::scanner, "dot.radiowaves.left.and.right", "Scanner", "Scanner"},
    {SidebarItem::Kind::templates, "square.stack.3d.up", "Template-uri", "Templates"},
    {SidebarItem::Kind::rules, "bolt.badge.automatic", "Reguli scanner", "Scanner rules"},
    {SidebarItem::Kind::learn, "graduationcap", "Învățare", "Learn"},
    {SidebarItem::Kind::config, "doc.text", "Config", "Config"},
    {SidebarItem::Kind::servers, "server.rack", "Servere", "Servers"},
}};

const Tool* toolAt(int section, int row) {
    if (section == SidebarModel::panel && row >= 0 && row < int(panelRows.size())) return &panelRows[std::size_t(row)];
    if (section == SidebarModel::resources && row >= 0 && row < int(resourceRows.size()))
        return &resourceRows[std::size_t(row)];
    return nullptr;
}

}  // namespace

SidebarModel::SidebarModel(AppEnvironment& env, QObject* parent) : KeyedRowsModel(parent), env_(env) {
    sessions_ = sessionOutlines(env.sessions(), false);
    placeholder_ = sessions_.empty();
    connect(&env, &AppEnvironment::sessionsChanged, this, [this] { setSessions(sessionOutlines(env_.sessions(), false)); });
    connect(&env, &AppEnvironment::serverRunningChanged, this, [this] {
        if (showsPlaceholder()) emit dataChanged(index(0, 0, index(sessions, 0)), index(0, 0, index(sessions, 0)));
    });
}

QModelIndex SidebarModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
    if (!parent.isValid()) return createIndex(row, 0, sectionId);
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex SidebarModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == sectionId) return {};
    return createIndex(int(child.internalId()) - 1, 0, sectionId);
}

int SidebarModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 3;
    if (parent.internalId() != sectionId) return 0;
    switch (parent.row()) {
        case panel: return int(panelRows.size());
        case sessions: return showsPlaceholder() ? 1 : int(sessions_.size());
        case resources: return int(resourceRows.size());
    }
    return 0;
}

int SidebarModel::columnCount(const QModelIndex&) const { return 1; }

QVariant SidebarModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.internalId() == sectionId) {
        if (role == IsSectionRole) return true;
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
        switch (index.row()) {
            case panel: return qL("Panou", "Panel");
            case sessions: return qL("Sesiuni active", "Active sessions");
            case resources: return qL("Resurse", "Resources");
        }
        return {};
    }
    const int section = int(index.internalId()) - 1;
    if (const Tool* tool = toolAt(section, index.row())) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return qL(tool->ro, tool->en);
        if (role == Qt::DecorationRole) return Icons::symbol(tool->symbol);
        return {};
    }
    if (showsPlaceholder()) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return env_.serverRunning() ? qL("Nicio sesiune", "No sessions") : qL("Server oprit", "Server stopped");
        return {};
    }
    const TmuxSession& s = sessions_.at(std::size_t(index.row()));
    switch (role) {
        case Qt::DisplayRole: return qs(s.name);
        case Qt::AccessibleTextRole: {
            QString text = qs(s.name) + QStringLiteral(", ") + windowCountText(s.windowCount) + QStringLiteral(", ") +
                           (s.isAttached ? qL("atașată", "attached") : qL("detașată", "detached"));
            if (const auto state = stateOf(s)) text += QStringLiteral(", ") + state->text();
            return text;
        }
        case Qt::ToolTipRole: {
            const auto state = stateOf(s);
            return state ? state->text() : QVariant();
        }
        case StateBadge::role: {
            const auto state = stateOf(s);
            return state ? QVariant::fromValue(*state) : QVariant();
        }
        case AttachedRole: return s.isAttached;
        case WindowCountRole: return qlonglong(s.windowCount);
        case IsSessionRole: return true;
        default: return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const {
    if (!itemAt(index)) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

std::optional<SidebarItem> SidebarModel::itemAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == sectionId) return std::nullopt;
    const int section = int(index.internalId()) - 1;
    if (const Tool* tool = toolAt(section, index.row())) return SidebarItem{tool->kind, {}};
    if (section == sessions && !showsPlaceholder() && index.row() < int(sessions_.size()))
        return SidebarItem::session(sessions_[std::size_t(index.row())].name);
    return std::nullopt;
}

QModelIndex SidebarModel::indexOf(const SidebarItem& item) const {
    if (item.kind == SidebarItem::Kind::session) {
        for (std::size_t i = 0; i < sessions_.size(); ++i)
            if (sessions_[i].name == item.sessionName) return index(int(i), 0, index(sessions, 0));
        return {};
    }
    for (int section : {int(panel), int(resources)})
        for (int row = 0; row < rowCount(index(section, 0)); ++row)
            if (toolAt(section, row)->kind == item.kind) return index(row, 0, index(section, 0));
    return {};
}

void SidebarModel::relabel() {
    for (int section = 0; section < 3; ++section) {
        const QModelIndex parent = index(section, 0);
        emit dataChanged(parent, parent);
        if (const int rows = rowCount(parent)) emit dataChanged(index(0, 0, parent), index(rows - 1, 0, parent));
    }
}

void SidebarModel::showStates(PaneAttention* attention) {
    if (attention_) disconnect(attention_, nullptr, this, nullptr);
    attention_ = attention;
    if (attention_) connect(attention_, &PaneAttention::statesChanged, this, &SidebarModel::followStates);
    followStates();
}

std::optional<StateBadge> SidebarModel::stateOf(const TmuxSession& session) const {
    if (!attention_) return std::nullopt;
    return StateBadge::of(attention_->sessionStatus(session.sessionID), false);
}

void SidebarModel::followStates() {
    const QModelIndex parent = index(sessions, 0);
    const int rows = showsPlaceholder() ? 0 : int(sessions_.size());
    shown_.follow(
        rows, [this](int row) -> const std::string& { return sessions_[std::size_t(row)].name; },
        [this](int row) { return stateOf(sessions_[std::size_t(row)]); },
        [this, &parent](int first, int last) { emit dataChanged(index(first, 0, parent), index(last, 0, parent)); });
}

void SidebarModel::setSessions(std::vector<TmuxSession> incoming) {
    emit sessionRowsChanging();
    const QModelIndex parent = index(sessions, 0);
    if (placeholder_ && !incoming.empty()) {
        beginRemoveRows(parent, 0, 0);
        placeholder_ = false;
        endRemoveRows();
    }
    syncRows(parent, sessions_, std::move(incoming), [](const TmuxSession& s) -> const std::string& { return s.name; });
    if (!placeholder_ && sessions_.empty()) {
        beginInsertRows(parent, 0, 0);
        placeholder_ = true;
        endInsertRows();
    }
    emit sessionRowsChanged();
}

}  // namespace quillon::ui

#include "moc_sidebar_model.cpp"
