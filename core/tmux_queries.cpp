// The tmux command lines of every query and command, and the parsers of their output.
#include <array>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "core/paths.h"
#include "core/text.h"
#include "core/tmux_client.h"
#include "core/tmux_error.h"
#include "core/tmux_target.h"

namespace quillon {
namespace {

std::string joinFields(std::initializer_list<const char*> fields) {
    std::string out;
    for (const char* field : fields) {
        if (!out.empty()) out += TmuxClient::sep;
        out += field;
    }
    return out;
}

std::int64_t intOrZero(std::string_view field) { return text::parseInt(field).value_or(0); }

// Splits output into lines (empty ones dropped) and each line into fields, calling visit.
// One field vector serves every line: large servers print tens of thousands of them.
template <class Visit> void forEachRecord(std::string_view output, Visit visit) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string_view::npos) end = output.size();
        const std::string_view line = output.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        fields.clear();
        for (std::size_t from = 0;;) {
            const std::size_t at = line.find(TmuxClient::sep[0], from);
            fields.push_back(line.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
            if (at == std::string_view::npos) break;
            from = at + 1;
        }
        visit(fields);
    }
}

std::string makeTarget(std::string_view session, std::int64_t window) {
    std::string target;
    target.reserve(session.size() + 8);
    target.append(session).append(":").append(std::to_string(window));
    return target;
}

std::optional<std::string> nonEmpty(const std::optional<std::string>& value) {
    return value && !value->empty() ? value : std::nullopt;
}

}  // namespace

const std::string& TmuxClient::sessionsFormat() {
    static const std::string format = joinFields({"#{session_name}", "#{session_id}", "#{session_created}",
                                                  "#{session_attached}", "#{session_windows}",
                                                  "#{session_last_attached}", "#{session_path}"});
    return format;
}

const std::string& TmuxClient::clientsFormat() {
    // A leading empty field: no session name is empty, so these records never read as sessions.
    static const std::string format = sep + "#{session_id}" + sep + "#{client_control_mode}";
    return format;
}

const std::vector<std::string>& TmuxClient::sessionListArguments() {
    // One tmux process for both lists, so the clients belong to the sessions listed.
    static const std::vector<std::string> args{"list-sessions", "-F", sessionsFormat(), ";",
                                               "list-clients",  "-F", clientsFormat()};
    return args;
}

const std::string& TmuxClient::windowsFormat() {
    static const std::string format = joinFields({"#{session_name}", "#{window_index}", "#{window_name}",
                                                  "#{window_active}", "#{window_panes}", "#{window_layout}",
                                                  "#{window_id}", "#{window_zoomed_flag}", "#{session_id}"});
    return format;
}

const std::string& TmuxClient::panesFormat() {
    static const std::string format =
        joinFields({"#{session_name}", "#{window_index}", "#{pane_index}", "#{pane_active}",
                    "#{pane_current_command}", "#{pane_pid}", "#{pane_width}", "#{pane_height}",
                    "#{pane_current_path}", "#{pane_id}", "#{session_id}"});
    return format;
}

std::vector<TmuxSession> TmuxClient::parseSessions(const std::string& output) {
    std::vector<TmuxSession> sessions;
    bool clientsListed = false;
    std::unordered_map<std::string, int> people;  // clients a person uses, per session id
    forEachRecord(output, [&](const std::vector<std::string_view>& f) {
        if (f.size() == 3 && f[0].empty()) {
            clientsListed = true;
            if (f[2] != "1") ++people[std::string(f[1])];
            return;
        }
        if (f.size() < 7) return;
        TmuxSession session;
        session.name = f[0];
        session.sessionID = f[1];
        session.created = fromEpochSeconds(text::parseReal(f[2]).value_or(0));
        session.isAttached = intOrZero(f[3]) > 0;
        session.windowCount = intOrZero(f[4]);
        if (auto last = text::parseReal(f[5]); last && *last > 0) session.lastAttached = fromEpochSeconds(*last);
        session.path = f[6];
        sessions.push_back(std::move(session));
    });
    // tmux counts control-mode clients (our own scanner's among them) as attached; a
    // session is attached only when a person's client is on it.
    if (clientsListed)
        for (auto& session : sessions) session.isAttached = people.count(session.sessionID) > 0;
    return sessions;
}

std::vector<std::pair<std::string, TmuxWindow>> TmuxClient::parseWindows(const std::string& output) {
    std::vector<std::pair<std::string, TmuxWindow>> windows;
    forEachRecord(output, [&](const std::vector<std::string_view>& f) {
        if (f.size() < 5) return;
        auto index = text::parseInt(f[1]);
        if (!index) return;
        TmuxWindow window;
        window.index = *index;
        window.name = f[2];
        window.isActive = f[3] == "1";
        window.paneCount = intOrZero(f[4]);
        if (f.size() >= 6) window.layout = f[5];
        if (f.size() >= 8) {
            window.windowID = f[6];
            window.isZoomed = f[7] == "1";
        }
        window.target = makeTarget(f[0], *index);
        // The session's id when listed: names can change between the queries, ids cannot.
        windows.emplace_back(std::string(f.size() >= 9 && !f[8].empty() ? f[8] : f[0]), std::move(window));
    });
    return windows;
}

std::vector<std::tuple<std::string, std::int64_t, TmuxPane>> TmuxClient::parsePanes(const std::string& output) {
    std::vector<std::tuple<std::string, std::int64_t, TmuxPane>> panes;
    forEachRecord(output, [&](const std::vector<std::string_view>& f) {
        if (f.size() < 9) return;
        auto windowIndex = text::parseInt(f[1]);
        auto paneIndex = text::parseInt(f[2]);
        if (!windowIndex || !paneIndex) return;
        TmuxPane pane;
        pane.index = *paneIndex;
        pane.isActive = f[3] == "1";
        pane.command = f[4];
        pane.pid = intOrZero(f[5]);
        pane.width = intOrZero(f[6]);
        pane.height = intOrZero(f[7]);
        pane.path = f[8];
        if (f.size() >= 10) pane.paneID = f[9];
        pane.target = makeTarget(f[0], *windowIndex).append(".").append(std::to_string(*paneIndex));
        panes.emplace_back(std::string(f.size() >= 11 && !f[10].empty() ? f[10] : f[0]), *windowIndex, std::move(pane));
    });
    return panes;
}

std::vector<TmuxSession> TmuxClient::assemble(std::vector<TmuxSession> sessions,
                                              std::vector<std::pair<std::string, TmuxWindow>> windows,
                                              std::vector<std::tuple<std::string, std::int64_t, TmuxPane>> panes) {
    // Grouped by key in one pass each, so 10,000 panes stay linear; listing order is kept.
    // Windows and panes name their session by id (by name only in lists without ids); a
    // name that looks like an id never takes another session's windows.
    std::unordered_map<std::string_view, std::size_t> byID, byName;
    byID.reserve(sessions.size());
    byName.reserve(sessions.size());
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        if (!sessions[i].sessionID.empty()) byID.emplace(sessions[i].sessionID, i);
        byName.emplace(sessions[i].name, i);
    }
    auto sessionAt = [&](std::string_view key) -> std::optional<std::size_t> {
        const auto& map = key.starts_with('$') && isTmuxId(key) ? byID : byName;
        auto found = map.find(key);
        if (found == map.end()) return std::nullopt;
        return found->second;
    };
    for (auto& [sessionKey, window] : windows) {
        auto found = sessionAt(sessionKey);
        if (!found) continue;  // created between the queries
        sessions[*found].windows.push_back(std::move(window));
    }
    // Window pointers are taken only now: the window vectors no longer grow.
    std::vector<std::unordered_map<std::int64_t, TmuxWindow*>> windowAt(sessions.size());
    for (std::size_t i = 0; i < sessions.size(); ++i)
        for (auto& window : sessions[i].windows) windowAt[i].emplace(window.index, &window);
    for (auto& [sessionKey, windowIndex, pane] : panes) {
        auto found = sessionAt(sessionKey);
        if (!found) continue;
        auto window = windowAt[*found].find(windowIndex);
        if (window == windowAt[*found].end()) continue;
        window->second->panes.push_back(std::move(pane));
    }
    return sessions;
}

namespace {

// A server without sessions has no target for list-clients and says so: an empty answer.
bool emptyServer(const TmuxClient::Invocation& invocation) {
    return !invocation.timedOut && invocation.exitCode != 0 && invocation.standardError == "no current target";
}

}  // namespace

TmuxClient::Invocation TmuxClient::listSessions() const {
    Invocation invocation = invoke(sessionListArguments());
    if (emptyServer(invocation) && parseSessions(invocation.standardOutput).empty()) {
        invocation.exitCode = 0;
        invocation.standardError.clear();
    }
    return invocation;
}

std::vector<TmuxSession> TmuxClient::snapshot() const {
    // One process for the four lists: fewer starts, and windows and panes that belong to
    // the sessions listed. Each list's lines carry a tag (clients go with sessions).
    const std::string tags[] = {"S" + sep, "W" + sep, "P" + sep};
    Invocation invocation = invoke({"list-sessions", "-F", tags[0] + sessionsFormat(), ";",  //
                                    "list-clients", "-F", tags[0] + clientsFormat(), ";",    //
                                    "list-windows", "-a", "-F", tags[1] + windowsFormat(), ";",
                                    "list-panes", "-a", "-F", tags[2] + panesFormat()});
    if (emptyServer(invocation)) return {};
    const std::string output = outputOf(std::move(invocation), true);
    std::string lists[3];
    for (auto line : text::split(output, "\n", true))
        for (int i = 0; i < 3; ++i)
            if (text::startsWith(line, tags[i])) {
                lists[i].append(line.substr(tags[i].size())).push_back('\n');
                break;
            }
    auto sessions = parseSessions(lists[0]);
    if (sessions.empty()) return {};
    return assemble(std::move(sessions), parseWindows(lists[1]), parsePanes(lists[2]));
}

std::string TmuxClient::resolveTarget(const std::string& target) const {
    const std::string_view session = sessionPart(target);
    if (session.empty()) return target;
    const std::string listing = run({"list-sessions", "-F", "#{session_id}" + sep + "#{session_name}"});
    if (listing.empty()) return exactTarget(target);
    std::optional<std::string> id;
    forEachRecord(listing, [&](const std::vector<std::string_view>& f) {
        if (!id && f.size() >= 2 && f[1] == session && isTmuxId(f[0])) id = std::string(f[0]);
    });
    if (!id) throw TmuxError::commandFailed("can't find session: " + std::string(session));
    return *id + target.substr(session.size());
}

std::string TmuxClient::capturePane(const std::string& target, std::int64_t lines) const {
    return run({"capture-pane", "-p", "-t", exactTarget(target), "-S", "-" + std::to_string(lines)});
}

std::string TmuxClient::captureScrollback(const std::string& target) const {
    return outputOf(invoke({"capture-pane", "-p", "-t", exactTarget(target), "-S", "-"}), false);
}

std::string TmuxClient::prefixFromConfig(const std::string& configText) {
    for (auto rawLine : text::split(configText, "\n", true)) {
        const auto line = text::trimBlanks(rawLine);
        if (!text::startsWith(line, "set") || !text::contains(line, " prefix ")) continue;
        const auto words = text::split(line, " ", true);
        return std::string(words.back());
    }
    return "C-b";
}

std::string TmuxClient::currentPrefix() const {
    try {
        const auto words = text::split(run({"show-options", "-g", "prefix"}), " ", true);
        if (words.size() >= 2) return std::string(text::trim(words[1]));
    } catch (const TmuxError&) {
    }
    std::ifstream file(paths::expandTilde("~/.tmux.conf"));
    if (!file) return "C-b";
    std::stringstream contents;
    contents << file.rdbuf();
    return prefixFromConfig(contents.str());
}

std::string TmuxClient::version() const { return std::string(text::trim(run({"-V"}))); }

std::optional<std::string> TmuxClient::displayMessage(const std::string& target, const std::string& format) const {
    try {
        std::string out(text::trim(run({"display-message", "-p", "-t", exactTarget(target), format})));
        if (!out.empty()) return out;
    } catch (const TmuxError&) {
    }
    return std::nullopt;
}

// Names and keys are free text: "--" keeps one that starts with "-" from reading as an option.
// -P prints the new window's id, the one exact way to reach it next.

std::string TmuxClient::newSession(const std::string& name, const std::optional<std::string>& directory) const {
    std::vector<std::string> args{"new-session", "-d", "-s", name};
    if (auto dir = nonEmpty(directory)) args.insert(args.end(), {"-c", *dir});
    args.insert(args.end(), {"-P", "-F", "#{window_id}"});
    return std::string(text::trim(run(args)));
}

void TmuxClient::killSession(const std::string& name) const { run({"kill-session", "-t", exactTarget(name)}); }

void TmuxClient::renameSession(const std::string& oldName, const std::string& newName) const {
    run({"rename-session", "-t", exactTarget(oldName), "--", newName});
}

std::string TmuxClient::newWindow(const std::string& session, const std::string& name,
                                  const std::optional<std::string>& directory) const {
    std::vector<std::string> args{"new-window", "-t", exactTarget(session), "-n", name};
    if (auto dir = nonEmpty(directory)) args.insert(args.end(), {"-c", *dir});
    args.insert(args.end(), {"-P", "-F", "#{window_id}"});
    return std::string(text::trim(run(args)));
}

void TmuxClient::renameWindow(const std::string& target, const std::string& newName) const {
    run({"rename-window", "-t", exactTarget(target), "--", newName});
}

void TmuxClient::killWindow(const std::string& target) const { run({"kill-window", "-t", exactTarget(target)}); }

void TmuxClient::killPane(const std::string& target) const { run({"kill-pane", "-t", exactTarget(target)}); }

void TmuxClient::swapPane(const std::string& target, const std::string& direction) const {
    run({"swap-pane", "-t", exactTarget(target), direction});
}

void TmuxClient::sendKeys(const std::string& target, const std::string& keys, bool enter) const {
    // Key names ("C-c", "Enter") still name keys: only -l would type them literally.
    std::vector<std::string> args{"send-keys", "-t", exactTarget(target), "--", keys};
    if (enter) args.push_back("Enter");
    run(args);
}

void TmuxClient::reloadConfig() const { run({"source-file", paths::expandTilde("~/.tmux.conf")}); }

}  // namespace quillon
