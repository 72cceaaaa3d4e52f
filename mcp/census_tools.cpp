#include "mcp/census_tools.h"

#include "core/census_report.h"
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

ToolResult censusTool(const TmuxClient& client, const Arguments& arguments, bool compact) {
    const std::string directory = socketDirectoryArgument(arguments);
    const auto servers = TmuxServerScanner::scan(client, directory, stringElements(arguments, "extra_sockets"));
    const TimePoint now = Clock::now();
    if (compact)
        return {CensusReport::serverList(servers, directory, now), false, structured::serverList(servers, directory)};
    const auto version = tmuxVersion(client);
    return {CensusReport::overview(servers, directory, version, now), false,
            structured::census(servers, directory, version)};
}

ToolResult sessionsTool(const TmuxClient& client, const Arguments& arguments) {
    const TmuxClient bound = targetServer(client, arguments).first;
    // An empty name would address no socket at all while the block shows the default
    // socket's path; it reads as absent, like everywhere else.
    const auto server = TmuxServerScanner::probe(bound, targetSocketPath(arguments),
                                                 nonEmptyStringArgument(arguments, "socket"));
    return {CensusReport::serverBlock(server, Clock::now(), true), false, structured::sessions(server)};
}

}  // namespace quillon::mcp
