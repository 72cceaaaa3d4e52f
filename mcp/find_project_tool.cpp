#include "mcp/find_project_tool.h"

#include <algorithm>
#include <set>

#include "core/census_report.h"
#include "core/l10n.h"
#include "core/project_correlator.h"
#include "core/server_scanner.h"
#include "core/text.h"

namespace quillon::mcp {
namespace {

// Live servers with their whole window and pane tree, so pane directories count too.
std::vector<TmuxServer> withFullSessions(const TmuxClient& client, std::vector<TmuxServer> servers) {
    for (TmuxServer& server : servers) {
        if (server.liveness != ServerLiveness::alive) continue;
        TmuxClient bound = client;
        bound.socketArgs = server.socketArgs();
        try {
            auto sessions = bound.snapshot();
            if (!sessions.empty()) server = server.withSessions(std::move(sessions));
        } catch (const std::exception&) {
            // The scanned sessions still tell the session directories.
        }
    }
    return servers;
}

std::string otherProjects(const TmuxSession& session, const ProjectRef& primary) {
    std::set<std::string> names;
    for (const ProjectRef& touched : ProjectCorrelator::allProjects(session))
        if (touched.name && touched.name != primary.name) names.insert(*touched.name);
    if (names.empty()) return {};
    const std::string joined = text::join(std::vector<std::string>(names.begin(), names.end()), ", ");
    return L("    atinge și: " + joined + "\n", "    also touches: " + joined + "\n");
}

std::string matchBlock(const ProjectMatch& match, TimePoint now) {
    const std::string& server = match.server.socketName ? *match.server.socketName : match.server.socketPath;
    std::string out = "\n" + server + " → " + match.session.name + "\n";
    const ProjectRef& project = match.project;
    out += L("    proiect: " + project.name.value_or("necunoscut") + " · rădăcină: " +
                 project.root.value_or("necunoscută") + "\n",
             "    project: " + project.name.value_or("unknown") + " · root: " + project.root.value_or("unknown") +
                 "\n");
    out += otherProjects(match.session, project);
    return out + CensusReport::sessionLine(match.session, now);
}

std::string noMatch(const std::vector<TmuxServer>& servers, const std::string& query, const std::string& directory) {
    const bool anyAlive = std::any_of(servers.begin(), servers.end(),
                                      [](const TmuxServer& server) { return server.liveness == ServerLiveness::alive; });
    if (anyAlive)
        return L("Nicio sesiune vie nu se potrivește cu „" + query + "”. Vezi tmux_census pentru tot ce rulează.",
                 "No live session matches “" + query + "”. See tmux_census for everything running.");
    const std::string count = std::to_string(servers.size());
    return L("Niciun server tmux viu în " + directory + ", deci nicio sesiune de corelat cu „" + query + "”. " +
                 count + " socket(uri) pe disc sunt resturi de la servere moarte — vezi tmux_census.",
             "No live tmux server in " + directory + ", so no session to correlate with “" + query + "”. " + count +
                 " socket(s) on disk are leftovers from dead servers — see tmux_census.");
}

}  // namespace

ToolResult findProjectTool(const TmuxClient& client, const Arguments& arguments) {
    const auto query = nonEmptyStringArgument(arguments, "query");
    if (!query) return {L("Lipsește 'query'.", "Missing 'query'."), true};

    const std::string directory = socketDirectoryArgument(arguments);
    const auto scanned = TmuxServerScanner::scan(client, directory, stringElements(arguments, "extra_sockets"));
    const auto matches = ProjectCorrelator::sessions(*query, withFullSessions(client, scanned));
    if (matches.empty()) return {noMatch(scanned, *query, directory), false};

    const TimePoint now = Clock::now();
    const std::string count = std::to_string(matches.size());
    std::string out = L(count + " sesiune/sesiuni pentru „" + *query + "”:\n",
                        count + " session(s) for “" + *query + "”:\n");
    for (const ProjectMatch& match : matches) out += matchBlock(match, now);
    return {out, false};
}

}  // namespace quillon::mcp
