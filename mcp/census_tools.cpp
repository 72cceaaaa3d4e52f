#include "mcp/census_tools.h"

#include <future>

#include "core/census_report.h"
#include "core/host_census.h"
#include "core/paths.h"
#include "core/server_scanner.h"
#include "mcp/structured_answers.h"

namespace quillon::mcp {
namespace {

std::optional<std::string> tmuxVersion(const TmuxClient& client) {
    try {
        std::string version = client.version();
        if (version.empty()) return std::nullopt;
        return version;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

ToolResult censusTool(const TmuxClient& client, const Arguments& arguments, bool compact,
                      const std::vector<std::string>& hosts) {
    // Each host costs at most one time limit, spent while this machine is scanned.
    auto remote = std::async(std::launch::async, [&] { return HostCensusScanner::scanHosts(client, hosts); });
    const std::string directory = socketDirectoryArgument(arguments);
    const auto servers = TmuxServerScanner::scan(client, directory, stringElements(arguments, "extra_sockets"));
    const TimePoint now = Clock::now();
    const auto version = tmuxVersion(client);
    std::string report = compact ? CensusReport::serverList(servers, directory, now)
                                 : CensusReport::overview(servers, directory, version, now);
    const std::vector<HostCensus> hostCensus = remote.get();
    for (const HostCensus& host : hostCensus) report += CensusReport::hostSection(host, now, !compact);
    return {report, false,
            compact ? structured::serverList(servers, directory, hostCensus)
                    : structured::census(servers, directory, version, hostCensus)};
}

ToolResult sessionsTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts) {
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) return {*host.error, true};
    const TmuxClient bound = targetServerOn(client, arguments, host.destination).first;
    const auto name = nonEmptyStringArgument(arguments, "socket");
    std::string socketPath;
    if (!host.destination) {
        socketPath = targetSocketPath(arguments);
    } else if (auto path = nonEmptyStringArgument(arguments, "socket_path")) {
        socketPath = *path;  // a path on that host: no local ~ to expand
    } else {
        const auto listing = HostCensusScanner::list(client, *host.destination);
        if (listing.error) {
            TmuxServer unreachable{name, name.value_or("default"), ServerLiveness::unknown, {}, listing.error,
                                   std::nullopt, host.destination};
            return {CensusReport::serverBlock(unreachable, Clock::now(), true), true};
        }
        socketPath = paths::join(listing.directory, name.value_or("default"));
    }
    // An empty name would address no socket at all while the block shows the default
    // socket's path; it reads as absent, like everywhere else.
    const auto server = TmuxServerScanner::probe(bound, socketPath, name);
    const std::string block = CensusReport::serverBlock(server, Clock::now(), true);
    // A server that could not be read fails the call; a dead one, or no socket, is an answer.
    if (server.liveness == ServerLiveness::unknown) return {block, true};
    return {block, false, structured::sessions(server)};
}

}  // namespace quillon::mcp
