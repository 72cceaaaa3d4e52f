#include "mcp/find_project_tool.h"

#include "core/census_report.h"
#include "core/host_census.h"
#include "core/l10n.h"
#include "core/project_correlator.h"
#include "core/server_scanner.h"
#include "mcp/structured_answers.h"

namespace quillon::mcp {
namespace {

// Live servers with their whole window and pane tree, so pane directories count too.
std::vector<TmuxServer> withFullSessions(const TmuxClient& client, std::vector<TmuxServer> servers) {
    for (TmuxServer& server : servers) {
        if (server.liveness != ServerLiveness::alive) continue;
        TmuxClient bound = client;
        bound.socketArgs = server.socketArgs();
        bound.host = server.host;
        try {
            auto sessions = bound.snapshot();
            if (!sessions.empty()) server = server.withSessions(std::move(sessions));
        } catch (const std::exception&) {
            // The scanned sessions still tell the session directories.
        }
    }
    return servers;
}

}  // namespace

ToolResult findProjectTool(const TmuxClient& client, const Arguments& arguments,
                           const std::vector<std::string>& hosts) {
    const auto query = nonEmptyStringArgument(arguments, "query");
    if (!query) return {L("Lipsește 'query'.", "Missing 'query'."), true};
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) return {*host.error, true};

    std::string directory;
    std::vector<TmuxServer> scanned;
    if (host.destination) {
        HostCensus census = HostCensusScanner::scanHost(client, *host.destination);
        if (census.error)
            return {L("Nu s-a putut citi gazda " + *host.destination + ": " + *census.error,
                      "Could not read host " + *host.destination + ": " + *census.error),
                    true};
        directory = *host.destination + ":" + census.socketDirectory;
        scanned = std::move(census.servers);
    } else {
        directory = socketDirectoryArgument(arguments);
        scanned = TmuxServerScanner::scan(client, directory, stringElements(arguments, "extra_sockets"));
    }
    const auto matches = ProjectCorrelator::sessions(*query, withFullSessions(client, scanned));
    const auto data = structured::projectMatches(matches, *query, directory);
    if (matches.empty()) return {CensusReport::noProjectMatch(scanned, *query, directory), false, data};
    return {CensusReport::projectMatches(matches, *query, Clock::now()), false, data};
}

}  // namespace quillon::mcp
