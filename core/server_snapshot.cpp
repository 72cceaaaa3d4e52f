#include "core/server_snapshot.h"

#include <cstdint>
#include <regex>
#include <stdexcept>
#include <type_traits>

#include "core/text.h"

namespace quillon {
namespace {

// The server of a document written before snapshots named their host: its local folder name,
// the -L name or the -S path with "%2F", "%25" and a leading "%2E" for "/", "%" and ".".
ServerIdentity serverOfFolderName(std::string_view name) {
    std::string decoded;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::string_view code = name.substr(i, 3);
        if (code == "%2F" || code == "%25" || code == "%2E") {
            decoded += code == "%2F" ? '/' : code == "%25" ? '%' : '.';
            i += 2;
        } else {
            decoded += name[i];
        }
    }
    return text::startsWith(decoded, "/") ? ServerIdentity::atPath(decoded) : ServerIdentity::named(decoded);
}

// A text JSON cannot hold (not UTF-8) also goes byte for byte, as hex, under key + "Bytes";
// readers prefer that copy, older ones ignore it.
void putText(nlohmann::json& object, const std::string& key, const std::string& value) {
    if (text::isValidUtf8(value)) {
        object[key] = value;
        return;
    }
    object[key] = text::toValidUtf8(value);
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : value) hex += {digits[c >> 4], digits[c & 15]};
    object[key + "Bytes"] = hex;
}

std::string bytesOfHex(const std::string& hex) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        throw std::invalid_argument("not a hex digit");
    };
    if (hex.size() % 2 != 0) throw std::invalid_argument("odd hex text");
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    return bytes;
}

std::optional<std::string> readText(const nlohmann::json& object, const std::string& key) {
    if (const auto bytes = object.find(key + "Bytes"); bytes != object.end() && bytes->is_string())
        return bytesOfHex(bytes->get<std::string>());
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::nullopt;
    return it->get<std::string>();
}

std::string requiredText(const nlohmann::json& object, const std::string& key) {
    if (auto value = readText(object, key)) return *value;
    throw std::invalid_argument("no " + key);
}

std::string optionalText(const nlohmann::json& object, const std::string& key) {
    return readText(object, key).value_or("");
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

ServerIdentity serverOf(const nlohmann::json& document) {
    const std::string host = optionalText(document, "host");
    if (auto path = readText(document, "socketPath")) return ServerIdentity::atPath(*path, host);
    if (auto name = readText(document, "socketName")) return ServerIdentity::named(*name, host);
    return serverOfFolderName(requiredText(document, "server"));
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

ServerSnapshot ServerSnapshot::capture(ServerIdentity server, const std::vector<TmuxSession>& sessions, TimePoint taken) {
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
            for (const SnapshotPane& pane : window.panes) {
                nlohmann::json p{{"index", pane.index}, {"active", pane.isActive}};
                putText(p, "directory", pane.directory);
                putText(p, "command", pane.command);
                panes.push_back(std::move(p));
            }
            nlohmann::json w{{"index", window.index}, {"active", window.isActive}, {"zoomed", window.isZoomed}};
            putText(w, "name", window.name);
            putText(w, "layout", window.layout);
            w["panes"] = std::move(panes);
            windows.push_back(std::move(w));
        }
        nlohmann::json s{{"created", toEpochSeconds(session.created)}};
        putText(s, "name", session.name);
        putText(s, "directory", session.directory);
        s["windows"] = std::move(windows);
        sessions.push_back(std::move(s));
    }
    const ServerIdentity& server = snapshot.server;
    // "server" as older versions wrote it, for them; the identity in full for this one.
    nlohmann::json document{{"version", 1}};
    putText(document, "server", server.folder().generic_string());
    putText(document, "host", server.host);
    putText(document, server.hasPath() ? "socketPath" : "socketName", server.socketText());
    document["taken"] = toEpochSeconds(snapshot.taken);
    document["sessions"] = std::move(sessions);
    return document;
}

ServerSnapshot snapshotFromJson(const nlohmann::json& value) {
    if (!value.is_object()) throw std::invalid_argument("a snapshot is not an object");
    ServerSnapshot snapshot;
    snapshot.server = serverOf(value);
    snapshot.taken = fromEpochSeconds(required<double>(value, "taken"));
    for (const nlohmann::json& s : requiredArray(value, "sessions")) {
        SnapshotSession& session = snapshot.sessions.emplace_back();
        session.name = requiredText(s, "name");
        session.directory = optionalText(s, "directory");
        session.created = fromEpochSeconds(optional<double>(s, "created", 0));
        for (const nlohmann::json& w : requiredArray(s, "windows")) {
            SnapshotWindow& window = session.windows.emplace_back();
            window.index = required<std::int64_t>(w, "index");
            window.name = requiredText(w, "name");
            window.layout = optionalText(w, "layout");
            window.isActive = optional<bool>(w, "active", false);
            window.isZoomed = optional<bool>(w, "zoomed", false);
            for (const nlohmann::json& p : requiredArray(w, "panes"))
                window.panes.push_back({required<std::int64_t>(p, "index"), optionalText(p, "directory"),
                                        optionalText(p, "command"), optional<bool>(p, "active", false)});
        }
    }
    return snapshot;
}

}  // namespace quillon
