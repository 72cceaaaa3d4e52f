#include "core/census_report.h"

#include <algorithm>
#include <set>

#include "core/age_format.h"
#include "core/l10n.h"
#include "core/text.h"

namespace quillon::CensusReport {
namespace {

std::string otherProjects(const TmuxSession& session, const ProjectRef& primary) {
    std::set<std::string> names;
    for (const ProjectRef& touched : ProjectCorrelator::allProjects(session))
        if (touched.name && touched.name != primary.name) names.insert(*touched.name);
    if (names.empty()) return {};
    const std::string joined = text::join(std::vector<std::string>(names.begin(), names.end()), ", ");
    return L("    atinge și: " + joined + "\n", "    also touches: " + joined + "\n");
}

std::string matchBlock(const ProjectMatch& match, TimePoint now) {
    std::string server = match.server.socketName ? *match.server.socketName : match.server.socketPath;
    if (match.server.host) server = *match.server.host + " · " + server;
    std::string out = "\n" + server + " → " + match.session.name + "\n";
    const ProjectRef& project = match.project;
    out += L("    proiect: " + project.name.value_or("necunoscut") + " · rădăcină: " +
                 project.root.value_or("necunoscută") + "\n",
             "    project: " + project.name.value_or("unknown") + " · root: " + project.root.value_or("unknown") +
                 "\n");
    out += otherProjects(match.session, project);
    return out + sessionLine(match.session, now);
}

}  // namespace

std::string symbol(ServerLiveness liveness) {
    switch (liveness) {
        case ServerLiveness::alive: return "●";
        case ServerLiveness::stale: return "✕";
        case ServerLiveness::unknown: return "?";
        case ServerLiveness::notSocket: return "⊘";
    }
    return "?";
}

std::string label(ServerLiveness liveness) {
    switch (liveness) {
        case ServerLiveness::alive: return L("VIU", "ALIVE");
        case ServerLiveness::stale: return L("MORT (socket rămas pe disc)", "DEAD (socket left on disk)");
        case ServerLiveness::unknown: return L("NECUNOSCUT", "UNKNOWN");
        case ServerLiveness::notSocket: return L("nu este un socket", "not a socket");
    }
    return {};
}

std::string overview(const std::vector<TmuxServer>& servers, const std::string& directory,
                     const std::optional<std::string>& tmuxVersion, TimePoint now) {
    std::string out = L("Servere tmux — ", "tmux servers — ") + AgeFormat::absolute(now) + "\n";
    const std::string version = tmuxVersion ? *tmuxVersion : L("necunoscut", "unknown");
    out += L("tmux: " + version + " · director socket-uri: " + directory + "\n",
             "tmux: " + version + " · socket directory: " + directory + "\n");

    const std::string caveat = TmuxServerScanner::enumerationCaveat(directory) + "\n";
    if (servers.empty()) {
        out += L("\nNiciun socket tmux în " + directory + ".\n", "\nNo tmux socket in " + directory + ".\n");
        return out + caveat;
    }

    std::size_t alive = 0, stale = 0, unknown = 0, notSockets = 0, liveSessions = 0;
    for (const TmuxServer& server : servers) {
        switch (server.liveness) {
            case ServerLiveness::alive:
                ++alive;
                liveSessions += server.sessions.size();
                break;
            case ServerLiveness::stale: ++stale; break;
            case ServerLiveness::unknown: ++unknown; break;
            case ServerLiveness::notSocket: ++notSockets; break;
        }
    }
    const auto n = [](std::size_t value) { return std::to_string(value); };
    const std::size_t sockets = servers.size() - notSockets;
    out += L("\n" + n(sockets) + " socket(uri) pe disc · " + n(alive) + " server(e) viu/vii · " + n(stale) +
                 " mort/moarte · " + n(unknown) + " necunoscut(e) · " + n(liveSessions) +
                 " sesiune/sesiuni vie/vii\n",
             "\n" + n(sockets) + " socket(s) on disk · " + n(alive) + " alive · " + n(stale) + " dead · " +
                 n(unknown) + " unknown · " + n(liveSessions) + " live session(s)\n");
    // Only a path named by hand can be no socket; the counts of a plain scan read as always.
    if (notSockets > 0)
        out.insert(out.size() - 1, L(" · " + n(notSockets) + (notSockets == 1 ? " nu este un socket" : " nu sunt socket-uri"),
                                     " · " + n(notSockets) + " not a socket"));

    for (const TmuxServer& server : servers) out += "\n" + serverBlock(server, now, true);
    out += "\n" + caveat;
    if (liveSessions == 0)
        out += L("Un fișier-socket rămâne pe disc după ce serverul moare: „există socket” nu înseamnă „există "
                 "sesiuni”.\n",
                 "A socket file survives its server: \"socket exists\" does not mean \"sessions exist\".\n");
    return out;
}

std::string serverBlock(const TmuxServer& server, TimePoint now, bool showSessions) {
    const std::string& displayName = server.socketName ? *server.socketName : server.socketPath;
    std::string out = symbol(server.liveness) + " " + displayName + " — " + label(server.liveness) + "\n";
    const std::string touched = AgeFormat::absolute(server.socketModified);
    out += L("    socket: " + server.socketPath + " · atins ultima dată: " + touched + "\n",
             "    socket: " + server.socketPath + " · last touched: " + touched + "\n");
    if (server.diagnostic && !server.diagnostic->empty())
        out += L("    motiv: " + *server.diagnostic + "\n", "    reason: " + *server.diagnostic + "\n");
    if (!showSessions) return out;

    switch (server.liveness) {
        case ServerLiveness::alive:
            for (const TmuxSession& session : server.sessions) out += sessionLine(session, now);
            break;
        case ServerLiveness::stale:
            out += L("    nicio sesiune — serverul nu mai rulează\n", "    no sessions — the server is not running\n");
            break;
        case ServerLiveness::unknown:
            out += L("    sesiuni: necunoscut (nu s-a putut citi)\n", "    sessions: unknown (could not read)\n");
            break;
        case ServerLiveness::notSocket:
            out += L("    nicio sesiune — aici nu poate asculta niciun server\n", "    no sessions — no server can listen here\n");
            break;
    }
    return out;
}

std::string sessionLine(const TmuxSession& session, TimePoint now) {
    std::string out = "    · " + session.name + " [" + session.sessionID + "] — ";
    out += session.isAttached ? L("atașată", "attached") : L("neatașată", "detached");

    const std::string windows = std::to_string(session.windowCount);
    out += L(" · " + windows + (session.windowCount == 1 ? " fereastră" : " ferestre"),
             " · " + windows + " window" + (session.windowCount == 1 ? "" : "s"));

    const std::string created = AgeFormat::ago(session.created, now);
    out += L(" · creată " + created, " · created " + created);
    if (session.lastAttached) {
        const std::string attached = AgeFormat::ago(session.lastAttached, now);
        out += L(" · ultima atașare " + attached, " · last attached " + attached);
    } else {
        out += L(" · niciodată atașată", " · never attached");
    }
    out += "\n";

    const ProjectRef project = ProjectCorrelator::project(session);
    const std::string projectName = project.name ? *project.name : L("proiect necunoscut", "unknown project");
    return out + "      " + projectName + " · " + session.path + "\n";
}

std::string hostSection(const HostCensus& host, TimePoint now, bool showSessions) {
    if (host.error)
        return L("\n⇄ Gazda " + host.destination + " — inaccesibilă\n    motiv: " + *host.error + "\n",
                 "\n⇄ Host " + host.destination + " — unreachable\n    reason: " + *host.error + "\n");
    const std::string count = std::to_string(host.servers.size());
    std::string out = L("\n⇄ Gazda " + host.destination + " — director socket-uri: " + host.socketDirectory + " · " +
                            count + " socket(uri)\n",
                        "\n⇄ Host " + host.destination + " — socket directory: " + host.socketDirectory + " · " +
                            count + " socket(s)\n");
    if (host.servers.empty())
        out += L("    Niciun socket tmux în " + host.socketDirectory + ".\n",
                 "    No tmux socket in " + host.socketDirectory + ".\n");
    for (const TmuxServer& server : host.servers) out += "\n" + serverBlock(server, now, showSessions);
    return out;
}

std::string serverList(const std::vector<TmuxServer>& servers, const std::string& directory, TimePoint now) {
    std::string out = L("Socket-uri tmux în " + directory + ":\n", "tmux sockets in " + directory + ":\n");
    if (servers.empty()) out += L("(niciunul)\n", "(none)\n");
    for (const TmuxServer& server : servers) out += serverBlock(server, now, false) + "\n";
    return out + "\n" + TmuxServerScanner::enumerationCaveat(directory) + "\n";
}

std::string sessionWindows(const TmuxSession& session, const std::string& server) {
    const std::string windows = std::to_string(session.windows.size());
    const std::string panes = std::to_string(session.paneCount());
    std::string out = L("Sesiunea " + session.name + " pe " + server + " — " + windows + " fereastră/ferestre, " +
                            panes + " pane-uri\n",
                        "Session " + session.name + " on " + server + " — " + windows + " window(s), " + panes +
                            " pane(s)\n");
    const ProjectRef project = ProjectCorrelator::project(session);
    const std::string projectName = project.name ? *project.name : L("necunoscut", "unknown");
    out += L("proiect: " + projectName + " · cwd sesiune: " + session.path + "\n",
             "project: " + projectName + " · session cwd: " + session.path + "\n");

    for (const TmuxWindow& window : session.windows) {
        out += "\n" + std::string(window.isActive ? "▸" : " ") + " " + window.target + " " + window.name + " — " +
               std::to_string(window.paneCount) + L(" pane", " pane(s)") + "\n";
        for (const TmuxPane& pane : window.panes) {
            out += "    " + std::string(pane.isActive ? "▸" : " ") + " " + pane.target + " " + pane.command +
                   " · pid " + std::to_string(pane.pid) + " · " + std::to_string(pane.width) + "x" +
                   std::to_string(pane.height) + "\n";
            out += "      " + pane.path + "\n";
        }
    }
    return out + L("\nCitește un pane cu tmux_capture_pane pe target-ul lui.\n",
                   "\nRead a pane with tmux_capture_pane on its target.\n");
}

std::string projectMatches(const std::vector<ProjectMatch>& matches, const std::string& query, TimePoint now) {
    const std::string count = std::to_string(matches.size());
    std::string out = L(count + " sesiune/sesiuni pentru „" + query + "”:\n",
                        count + " session(s) for “" + query + "”:\n");
    for (const ProjectMatch& match : matches) out += matchBlock(match, now);
    return out;
}

std::string noProjectMatch(const std::vector<TmuxServer>& servers, const std::string& query,
                           const std::string& directory) {
    const bool anyAlive = std::any_of(servers.begin(), servers.end(),
                                      [](const TmuxServer& server) { return server.liveness == ServerLiveness::alive; });
    if (anyAlive)
        return L("Nicio sesiune vie nu se potrivește cu „" + query + "”. Vezi tmux_census pentru tot ce rulează.",
                 "No live session matches “" + query + "”. See tmux_census for everything running.");
    const std::string count = std::to_string(std::count_if(servers.begin(), servers.end(), [](const TmuxServer& server) {
        return server.liveness != ServerLiveness::notSocket;
    }));
    return L("Niciun server tmux viu în " + directory + ", deci nicio sesiune de corelat cu „" + query + "”. " +
                 count + " socket(uri) pe disc sunt resturi de la servere moarte — vezi tmux_census.",
             "No live tmux server in " + directory + ", so no session to correlate with “" + query + "”. " + count +
                 " socket(s) on disk are leftovers from dead servers — see tmux_census.");
}

}  // namespace quillon::CensusReport
