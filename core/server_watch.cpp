#include "core/server_watch.h"

#include <array>
#include <unordered_map>
#include <unordered_set>

#include "core/text.h"

namespace quillon::ServerWatch {
namespace {

// Fields and records of the subscription's value: control characters no id or count holds,
// and no command or path in practice (one that does reads as another shape: a snapshot).
constexpr char fieldSep = '\x1f';
constexpr char recordSep = '\x1e';

// Notifications after which the tree, a name or a client may differ.
constexpr std::array<std::string_view, 13> structureHeads = {
    "%sessions-changed",     "%session-renamed",        "%session-window-changed", "%window-add",
    "%window-close",         "%window-renamed",         "%unlinked-window-add",    "%unlinked-window-close",
    "%unlinked-window-renamed", "%layout-change",       "%window-pane-changed",    "%client-session-changed",
    "%client-detached",
};

bool isFlag(std::string_view field) { return field == "0" || field == "1"; }

// Whether the sessions hold exactly the windows listed, each as the values say it is now.
// By id, not order: the app may sort, and a window linked into two sessions is listed twice.
bool sameWindows(const std::vector<TmuxSession>& sessions, const std::vector<LiveValues::Window>& windows) {
    std::unordered_map<std::string_view, const LiveValues::Window*> byID;
    for (const auto& window : windows) byID.emplace(window.id, &window);
    std::size_t count = 0;
    for (const auto& session : sessions)
        for (const auto& window : session.windows) {
            ++count;
            const auto found = byID.find(window.windowID);
            if (found == byID.end()) return false;
            const LiveValues::Window& live = *found->second;
            if (live.layout != window.layout || live.isZoomed != window.isZoomed || live.isActive != window.isActive)
                return false;
        }
    return count == windows.size();
}

bool headIs(std::string_view line, std::string_view head) {
    return text::startsWith(line, head) && (line.size() == head.size() || line[head.size()] == ' ');
}

}  // namespace

const std::string& clientFlags() {
    static const std::string flags = "read-only,ignore-size,no-output";
    return flags;
}

const std::string& subscriptionName() {
    static const std::string name = "quillon-live";
    return name;
}

std::string subscribeCommand() {
    const std::string f(1, fieldSep), r(1, recordSep);
    // Every session, window and pane of the server, not only the client's session.
    const std::string format = "#{S:S" + f + "#{session_id}" + f + "#{session_attached}" + r +  //
                               "#{W:W" + f + "#{window_id}" + f + "#{window_layout}" + f +
                               "#{window_zoomed_flag}" + f + "#{window_active}" + f + "#{window_activity}" + f +
                               "#{window_bell_flag}" + r +  //
                               "#{P:P" + f + "#{pane_id}" + f + "#{pane_dead}" + f + "#{pane_current_command}" + f +
                               "#{pane_current_path}" + r + "}}}";
    return "refresh-client -B '" + subscriptionName() + "::" + format + "'";
}

Line classify(std::string_view line) {
    if (!text::startsWith(line, "%")) return Line::unknown;
    for (std::string_view head : structureHeads)
        if (headIs(line, head)) return Line::structure;
    if (headIs(line, "%subscription-changed")) return Line::values;
    if (headIs(line, "%session-changed")) return Line::attached;
    if (headIs(line, "%exit")) return Line::exited;
    return Line::reply;
}

std::optional<std::string_view> subscriptionValue(std::string_view line) {
    // %subscription-changed <name> $session @window index %pane … : <value>
    const std::string head = "%subscription-changed " + subscriptionName() + " ";
    if (!text::startsWith(line, head)) return std::nullopt;
    const std::size_t colon = line.find(" : ", head.size());
    if (colon == std::string_view::npos) return std::nullopt;
    return line.substr(colon + 3);
}

std::optional<LiveValues> LiveValues::parse(std::string_view value) {
    LiveValues values;
    std::string_view window;  // the last window listed: its panes follow it
    while (!value.empty()) {
        const std::size_t end = value.find(recordSep);
        if (end == std::string_view::npos) return std::nullopt;  // cut short
        const auto fields = text::split(value.substr(0, end), std::string_view(&fieldSep, 1), false);
        value.remove_prefix(end + 1);
        if (fields.size() == 3 && fields[0] == "S") {
            const auto clients = text::parseInt(fields[2]);
            if (!clients) return std::nullopt;
            values.sessions.push_back({std::string(fields[1]), *clients});
        } else if (fields.size() == 7 && fields[0] == "W") {
            if (!isFlag(fields[3]) || !isFlag(fields[4]) || !isFlag(fields[6])) return std::nullopt;
            window = fields[1];
            values.windows.push_back({std::string(fields[1]), std::string(fields[2]), fields[3] == "1", fields[4] == "1",
                                      std::string(fields[5]), fields[6] == "1"});
        } else if (fields.size() == 5 && fields[0] == "P") {
            if (!isFlag(fields[2])) return std::nullopt;
            values.panes.push_back({std::string(fields[1]), std::string(fields[3]), std::string(fields[4]),
                                    fields[2] == "1", std::string(window)});
        } else {
            return std::nullopt;
        }
    }
    return values;
}

std::vector<std::string> stirredPanes(const LiveValues& before, const LiveValues& after) {
    std::unordered_map<std::string_view, const LiveValues::Window*> windowsBefore;
    for (const auto& window : before.windows) windowsBefore.emplace(window.id, &window);
    std::unordered_map<std::string_view, const LiveValues::Pane*> panesBefore;
    for (const auto& pane : before.panes) panesBefore.emplace(pane.id, &pane);
    std::unordered_set<std::string_view> windowsStirred;
    for (const auto& window : after.windows) {
        const auto found = windowsBefore.find(window.id);
        if (found == windowsBefore.end() || found->second->activity != window.activity ||
            found->second->hasBell != window.hasBell)
            windowsStirred.insert(window.id);
    }
    std::vector<std::string> stirred;
    for (const auto& pane : after.panes) {
        const auto found = panesBefore.find(pane.id);
        if (found == panesBefore.end() || found->second->command != pane.command ||
            found->second->isDead != pane.isDead || windowsStirred.contains(pane.windowId))
            stirred.push_back(pane.id);
    }
    return stirred;
}

std::optional<std::vector<TmuxSession>> withValues(const std::vector<TmuxSession>& sessions,
                                                   const LiveValues& values) {
    if (static_cast<std::int64_t>(values.panes.size()) != totalPanes(sessions)) return std::nullopt;
    if (!sameWindows(sessions, values.windows)) return std::nullopt;
    std::unordered_map<std::string_view, const LiveValues::Pane*> byID;
    byID.reserve(values.panes.size());
    for (const auto& pane : values.panes) byID.emplace(pane.id, &pane);
    std::vector<TmuxSession> updated = sessions;
    for (auto& session : updated)
        for (auto& window : session.windows)
            for (auto& pane : window.panes) {
                const auto found = byID.find(pane.paneID);
                if (found == byID.end()) return std::nullopt;
                pane.command = found->second->command;
                pane.path = found->second->path;
            }
    return updated;
}

}  // namespace quillon::ServerWatch
