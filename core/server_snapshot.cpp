#include "core/server_snapshot.h"

#include <cstdint>
#include <regex>
#include <stdexcept>
#include <type_traits>

namespace quillon {
namespace {

// "/" and "%" escaped, and a leading "." so that "." and ".." stay names.
std::string encodeName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '/') out += "%2F";
        else if (c == '%') out += "%25";
        else if (c == '.' && i == 0) out += "%2E";
        else out += c;
    }
    return out;
}

// JSON's numbers are doubles to anyone: an index is read only when it is a whole number
// within int64 (nlohmann's conversion of 1e300 would be undefined).
std::int64_t integer(const nlohmann::json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= std::uint64_t{INT64_MAX})
        return static_cast<std::int64_t>(value.get<std::uint64_t>());
    throw std::invalid_argument("not an integer within int64: " + value.dump());
}

template <class T> T read(const nlohmann::json& value) {
    if constexpr (std::is_same_v<T, std::int64_t>) return integer(value);
    else return value.get<T>();
}

template <class T> T required(const nlohmann::json& object, const char* key) { return read<T>(object.at(key)); }

template <class T> T optional(const nlohmann::json& object, const char* key, T fallback) {
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? fallback : read<T>(*it);
}

const nlohmann::json& requiredArray(const nlohmann::json& object, const char* key) {
    const nlohmann::json& value = object.at(key);
    if (!value.is_array()) throw std::invalid_argument(std::string(key) + " is not an array");
    return value;
}

bool sameWindowStructure(const SnapshotWindow& a, const SnapshotWindow& b) {
    if (a.index != b.index || a.name != b.name || a.layout != b.layout || a.isZoomed != b.isZoomed ||
        a.panes.size() != b.panes.size())
        return false;
    for (std::size_t i = 0; i < a.panes.size(); ++i) {
        const SnapshotPane& p = a.panes[i];
        const SnapshotPane& q = b.panes[i];
        if (p.index != q.index || p.directory != q.directory || p.command != q.command) return false;
    }
    return true;
}

}  // namespace

std::int64_t SnapshotSession::paneCount() const noexcept {
    std::int64_t count = 0;
    for (const SnapshotWindow& window : windows) count += static_cast<std::int64_t>(window.panes.size());
    return count;
}

ServerSnapshot ServerSnapshot::capture(std::string server, const std::vector<TmuxSession>& sessions, TimePoint taken) {
    ServerSnapshot snapshot{std::move(server), taken, {}};
    snapshot.sessions.reserve(sessions.size());
    for (const TmuxSession& session : sessions) {
        SnapshotSession& saved = snapshot.sessions.emplace_back();
        saved.name = session.name;
        saved.directory = session.path;
        saved.created = session.created;
        saved.windows.reserve(session.windows.size());
        for (const TmuxWindow& window : session.windows) {
            SnapshotWindow& w = saved.windows.emplace_back();
            w.index = window.index;
            w.name = window.name;
            w.layout = window.layout;
            w.isActive = window.isActive;
            w.isZoomed = window.isZoomed;
            w.panes.reserve(window.panes.size());
            for (const TmuxPane& pane : window.panes)
                w.panes.push_back({pane.index, pane.path, pane.command, pane.isActive});
        }
    }
    return snapshot;
}

std::vector<std::string> ServerSnapshot::sessionNames() const {
    std::vector<std::string> names;
    names.reserve(sessions.size());
    for (const SnapshotSession& session : sessions) names.push_back(session.name);
    return names;
}

bool sameStructure(const ServerSnapshot& a, const ServerSnapshot& b) {
    if (a.sessions.size() != b.sessions.size()) return false;
    for (std::size_t s = 0; s < a.sessions.size(); ++s) {
        const SnapshotSession& x = a.sessions[s];
        const SnapshotSession& y = b.sessions[s];
        if (x.name != y.name || x.windows.size() != y.windows.size()) return false;
        for (std::size_t w = 0; w < x.windows.size(); ++w)
            if (!sameWindowStructure(x.windows[w], y.windows[w])) return false;
    }
    return true;
}

std::string serverDirectoryName(const std::vector<std::string>& socketArgs) {
    if (socketArgs.size() >= 2 && (socketArgs[0] == "-L" || socketArgs[0] == "-S") && !socketArgs[1].empty())
        return encodeName(socketArgs[1]);
    return "default";
}

std::string layoutShape(std::string_view layout) {
    static const std::regex checksum("^[0-9a-fA-F]{4},");
    static const std::regex paneID("(\\d+x\\d+,\\d+,\\d+),\\d+");
    const std::string withoutSum = std::regex_replace(std::string(layout), checksum, "");
    return std::regex_replace(withoutSum, paneID, "$1");
}

nlohmann::json toJson(const ServerSnapshot& snapshot) {
    nlohmann::json sessions = nlohmann::json::array();
    for (const SnapshotSession& session : snapshot.sessions) {
        nlohmann::json windows = nlohmann::json::array();
        for (const SnapshotWindow& window : session.windows) {
            nlohmann::json panes = nlohmann::json::array();
            for (const SnapshotPane& pane : window.panes)
                panes.push_back({{"index", pane.index},
                                 {"directory", pane.directory},
                                 {"command", pane.command},
                                 {"active", pane.isActive}});
            windows.push_back({{"index", window.index},
                               {"name", window.name},
                               {"layout", window.layout},
                               {"active", window.isActive},
                               {"zoomed", window.isZoomed},
                               {"panes", std::move(panes)}});
        }
        sessions.push_back({{"name", session.name},
                            {"directory", session.directory},
                            {"created", toEpochSeconds(session.created)},
                            {"windows", std::move(windows)}});
    }
    return {{"version", 1},
            {"server", snapshot.server},
            {"taken", toEpochSeconds(snapshot.taken)},
            {"sessions", std::move(sessions)}};
}

ServerSnapshot snapshotFromJson(const nlohmann::json& value) {
    if (!value.is_object()) throw std::invalid_argument("a snapshot is not an object");
    ServerSnapshot snapshot;
    snapshot.server = required<std::string>(value, "server");
    snapshot.taken = fromEpochSeconds(required<double>(value, "taken"));
    for (const nlohmann::json& s : requiredArray(value, "sessions")) {
        SnapshotSession& session = snapshot.sessions.emplace_back();
        session.name = required<std::string>(s, "name");
        session.directory = optional<std::string>(s, "directory", "");
        session.created = fromEpochSeconds(optional<double>(s, "created", 0));
        for (const nlohmann::json& w : requiredArray(s, "windows")) {
            SnapshotWindow& window = session.windows.emplace_back();
            window.index = required<std::int64_t>(w, "index");
            window.name = required<std::string>(w, "name");
            window.layout = optional<std::string>(w, "layout", "");
            window.isActive = optional<bool>(w, "active", false);
            window.isZoomed = optional<bool>(w, "zoomed", false);
            for (const nlohmann::json& p : requiredArray(w, "panes"))
                window.panes.push_back({required<std::int64_t>(p, "index"), optional<std::string>(p, "directory", ""),
                                        optional<std::string>(p, "command", ""), optional<bool>(p, "active", false)});
        }
    }
    return snapshot;
}

}  // namespace quillon
