#include "core/restore_plan.h"

#include <algorithm>
#include <regex>

#include "core/foreground_probe.h"
#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"

namespace quillon {
namespace {

using Command = std::vector<std::string>;

// tmux expands formats in names and directories: "#" must reach it as "##".
std::string literal(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == '#') out += '#';
    }
    return out;
}

std::string target(std::int64_t window) { return std::string(RestorePlan::sessionToken) + ":" + std::to_string(window); }
std::string target(std::int64_t window, std::int64_t pane) { return target(window) + "." + std::to_string(pane); }

// The root size of a layout string ("b25f,160x48,0,0,…" → 160, 48).
std::optional<std::pair<std::string, std::string>> layoutSize(const std::string& layout) {
    static const std::regex size("^[0-9a-fA-F]{4},(\\d+)x(\\d+),");
    std::smatch match;
    if (!std::regex_search(layout, match, size)) return std::nullopt;
    return std::pair{match[1].str(), match[2].str()};
}

class Planner {
public:
    Planner(const RestoreOptions& options, RestorePlan& plan) : options_(options), plan_(plan) {}

    // The directory a pane starts in: the saved one, the home folder when it is gone.
    std::string directory(const std::string& saved) {
        if (saved.empty() || !options_.directoryExists || options_.directoryExists(saved)) return saved;
        if (std::find(plan_.missingDirectories.begin(), plan_.missingDirectories.end(), saved) ==
            plan_.missingDirectories.end())
            plan_.missingDirectories.push_back(saved);
        return options_.home;
    }

    SessionRestore session(const SnapshotSession& saved) {
        SessionRestore out{saved.name, {}, 0, {}, static_cast<std::int64_t>(saved.windows.size()), saved.paneCount()};
        out.create = {"new-session", "-d", "-s", literal(sessionNameInput(saved.name))};
        std::string firstDirectory = saved.directory;
        if (!saved.windows.empty()) {
            const SnapshotWindow& first = saved.windows.front();
            out.firstWindowIndex = first.index;
            out.create.insert(out.create.end(), {"-n", literal(first.name)});
            if (!first.panes.empty() && !first.panes.front().directory.empty())
                firstDirectory = first.panes.front().directory;
            if (auto size = layoutSize(first.layout))
                out.create.insert(out.create.end(), {"-x", size->first, "-y", size->second});
        }
        if (const std::string dir = directory(firstDirectory); !dir.empty())
            out.create.insert(out.create.end(), {"-c", literal(dir)});
        out.create.insert(out.create.end(), {"-P", "-F", "#{session_id}" + TmuxClient::sep + "#{window_index}"});

        const SnapshotWindow* active = nullptr;
        for (std::size_t i = 0; i < saved.windows.size(); ++i) {
            const SnapshotWindow& window = saved.windows[i];
            if (i > 0) {
                Command create{"new-window", "-d", "-t", target(window.index), "-n", literal(window.name)};
                if (!window.panes.empty()) addDirectory(create, window.panes.front().directory);
                out.batch.push_back(std::move(create));
            }
            arrange(window, out.batch);
            if (window.isActive) active = &window;
        }
        if (active) out.batch.push_back({"select-window", "-t", target(active->index)});
        return out;
    }

private:
    void addDirectory(Command& command, const std::string& saved) {
        if (const std::string dir = directory(saved); !dir.empty()) command.insert(command.end(), {"-c", literal(dir)});
    }

    // The window's further panes, its layout, programs, active pane and zoom.
    void arrange(const SnapshotWindow& window, std::vector<Command>& batch) {
        const auto& panes = window.panes;
        for (std::size_t k = 1; k < panes.size(); ++k) {
            Command split{"split-window", "-d", "-t", target(window.index, panes[k - 1].index)};
            addDirectory(split, panes[k].directory);
            batch.push_back(std::move(split));
            // Room for the next split; the saved layout replaces this at the end.
            if (k + 1 < panes.size()) batch.push_back({"select-layout", "-t", target(window.index), "tiled"});
        }
        if (panes.size() > 1 && !window.layout.empty())
            batch.push_back({"select-layout", "-t", target(window.index), window.layout});
        const SnapshotPane* active = nullptr;
        for (const SnapshotPane& pane : panes) {
            if (options_.restartPrograms.count(pane.command) && !ForegroundProbe::isShell(pane.command)) {
                batch.push_back({"send-keys", "-t", target(window.index, pane.index), "-l", "--", pane.command});
                batch.push_back({"send-keys", "-t", target(window.index, pane.index), "Enter"});
            }
            if (pane.isActive) active = &pane;
        }
        if (!active) return;
        if (panes.size() > 1) batch.push_back({"select-pane", "-t", target(window.index, active->index)});
        if (window.isZoomed && panes.size() > 1)
            batch.push_back({"resize-pane", "-Z", "-t", target(window.index, active->index)});
    }

    const RestoreOptions& options_;
    RestorePlan& plan_;
};

// Replaces the session token at the start of target values with the session's id.
Command withSession(const Command& command, const std::string& sessionID) {
    Command out = command;
    for (std::size_t i = 1; i < out.size(); ++i) {
        if ((out[i - 1] == "-t" || out[i - 1] == "-s") && text::startsWith(out[i], RestorePlan::sessionToken))
            out[i] = sessionID + out[i].substr(RestorePlan::sessionToken.size());
    }
    return out;
}

// Windows and panes a session has now, after a batch stopped half-way.
std::pair<std::int64_t, std::int64_t> countNow(const TmuxClient& client, const std::string& sessionID) {
    try {
        const std::string out = client.run({"list-panes", "-s", "-t", sessionID, "-F", "#{window_id}"});
        std::vector<std::string_view> lines = text::split(out, "\n", true);
        std::int64_t panes = static_cast<std::int64_t>(lines.size());
        std::sort(lines.begin(), lines.end());
        const auto windows = static_cast<std::int64_t>(std::unique(lines.begin(), lines.end()) - lines.begin());
        return {windows, panes};
    } catch (const std::exception&) {
        return {0, 0};
    }
}

std::string failureText(const TmuxClient::Invocation& outcome) {
    if (!outcome.standardError.empty()) return outcome.standardError;
    return L("tmux a eșuat (exit ", "tmux failed (exit ") + std::to_string(outcome.exitCode) + ")";
}

}  // namespace

std::vector<std::string> restoreDirectories(const ServerSnapshot& snapshot, const std::set<std::string>& sessions) {
    std::vector<std::string> directories;
    const auto add = [&](const std::string& directory) {
        if (!directory.empty() && std::find(directories.begin(), directories.end(), directory) == directories.end())
            directories.push_back(directory);
    };
    for (const SnapshotSession& session : snapshot.sessions) {
        if (!sessions.empty() && !sessions.count(session.name)) continue;
        add(session.directory);
        for (const SnapshotWindow& window : session.windows)
            for (const SnapshotPane& pane : window.panes) add(pane.directory);
    }
    return directories;
}

std::string sessionNameInput(std::string_view shown) {
    static const std::string_view letters = "ntrbavfsE", bytes = "\n\t\r\b\a\v\f \x1b";
    std::string out;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const char c = shown[i];
        if (c != '\\' || i + 1 == shown.size()) {
            out += c;
            continue;
        }
        const char next = shown[i + 1];
        if (next == '\\') {
            out += '\\';
            ++i;
        } else if (next >= '0' && next <= '7') {
            int value = 0, digits = 0;
            while (digits < 3 && i + 1 < shown.size() && shown[i + 1] >= '0' && shown[i + 1] <= '7')
                value = value * 8 + (shown[++i] - '0'), ++digits;
            out += static_cast<char>(value & 0xff);
        } else if (const auto k = letters.find(next); k != std::string_view::npos) {
            out += bytes[k];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

RestorePlan planRestore(const ServerSnapshot& snapshot, const std::vector<std::string>& liveSessionNames,
                        const RestoreOptions& options) {
    RestorePlan plan;
    Planner planner(options, plan);
    for (const SnapshotSession& saved : snapshot.sessions) {
        if (!options.sessions.empty() && !options.sessions.count(saved.name)) continue;
        if (std::find(liveSessionNames.begin(), liveSessionNames.end(), saved.name) != liveSessionNames.end()) {
            plan.existing.push_back(saved.name);
            continue;
        }
        plan.sessions.push_back(planner.session(saved));
    }
    return plan;
}

std::vector<std::string> joinCommands(const std::vector<std::vector<std::string>>& commands) {
    std::vector<std::string> args;
    for (const Command& command : commands) {
        if (!args.empty()) args.push_back(";");
        for (const std::string& arg : command) {
            // tmux ends a command at an argument ending in ";" unless it ends in "\;".
            if (!arg.empty() && arg.back() == ';') args.push_back(arg.substr(0, arg.size() - 1) + "\\;");
            else args.push_back(arg);
        }
    }
    return args;
}

RestoreReport executeRestore(const TmuxClient& client, const RestorePlan& plan) {
    RestoreReport report;
    report.existing = plan.existing;
    report.missingDirectories = plan.missingDirectories;
    std::optional<std::string> unanswered;  // a server that did not answer once is not asked again
    for (const SessionRestore& session : plan.sessions) {
        if (unanswered) {
            report.failures.push_back({session.name, *unanswered});
            continue;
        }
        const TmuxClient::Invocation created = client.invoke(session.create);
        if (created.timedOut) {
            unanswered = client.timeoutMessage();
            report.failures.push_back({session.name, *unanswered});
            continue;
        }
        if (created.exitCode != 0) {
            if (text::contains(created.standardError, "duplicate session")) report.existing.push_back(session.name);
            else report.failures.push_back({session.name, failureText(created)});
            continue;
        }
        const std::vector<std::string_view> fields = text::split(text::trim(created.standardOutput), TmuxClient::sep, false);
        const std::string sessionID(fields.empty() ? std::string_view() : fields[0]);
        if (sessionID.empty() || sessionID.front() != '$') {
            report.failures.push_back({session.name, L("tmux nu a dat id-ul sesiunii", "tmux gave no session id")});
            continue;
        }
        std::vector<Command> batch;
        const auto createdIndex = fields.size() > 1 ? text::parseInt(fields[1]) : std::nullopt;
        if (createdIndex && *createdIndex != session.firstWindowIndex)
            batch.push_back({"move-window", "-s", sessionID + ":" + std::to_string(*createdIndex), "-t",
                             sessionID + ":" + std::to_string(session.firstWindowIndex)});
        for (const Command& command : session.batch) batch.push_back(withSession(command, sessionID));
        try {
            if (!batch.empty()) client.run(joinCommands(batch));
            report.sessions += 1;
            report.windows += session.windows;
            report.panes += session.panes;
        } catch (const TmuxError& error) {
            report.failures.push_back({session.name, error.localizedDescription()});
            const auto [windows, panes] = countNow(client, sessionID);
            report.windows += windows;
            report.panes += panes;
        }
    }
    return report;
}

}  // namespace quillon
