#include "app/server_census.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>

#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"

namespace quillon {
namespace {

ServerRow detailed(const TmuxClient& client, TmuxServer server) {
    ServerRow row{std::move(server), std::nullopt, std::nullopt};
    if (row.server.liveness != ServerLiveness::alive) return row;
    TmuxClient bound = client;
    bound.socketArgs = row.server.socketArgs();
    bound.host = row.server.host;
    try {
        // One run for both: the version line, then one line per client.
        const std::string out =
            bound.run({"display-message", "-p", "#{version}", ";", "list-clients", "-F", "#{client_control_mode}"});
        const auto lines = text::split(out, "\n", true);
        if (!lines.empty()) row.version = std::string(lines.front());
        int clients = 0;
        for (std::size_t i = 1; i < lines.size(); ++i)
            if (lines[i] == "0") ++clients;
        row.clients = clients;
    } catch (const std::exception&) {
        // The verdict stands; the details read as unknown.
    }
    return row;
}

std::vector<ServerRow> detailedAll(const TmuxClient& client, std::vector<TmuxServer> servers) {
    std::vector<ServerRow> rows;
    rows.reserve(servers.size());
    for (TmuxServer& server : servers) rows.push_back(detailed(client, std::move(server)));
    return rows;
}

}  // namespace

ServerCensus ServerCensus::take(const TmuxClient& client, const std::vector<std::string>& hosts) {
    TmuxClient local = client;
    local.host.reset();
    auto remote = std::async(std::launch::async, [&] {
        std::vector<HostRows> rows;
        for (HostCensus& host : HostCensusScanner::scanHosts(local, hosts))
            rows.push_back({host.destination, detailedAll(local, std::move(host.servers)), host.error});
        return rows;
    });
    ServerCensus census;
    census.socketDirectory = TmuxServerScanner::defaultSocketDirectory();
    census.local = detailedAll(local, TmuxServerScanner::scan(local, census.socketDirectory, {}));
    census.hosts = remote.get();
    return census;
}

bool addresses(const TmuxClient& client, const TmuxServer& server) {
    if (client.host != server.host) return false;
    if (client.socketArgs.empty())
        return server.socketName == "default" && server.socketArgs() == std::vector<std::string>{"-L", "default"};
    return client.socketArgs == server.socketArgs() ||
           (client.socketArgs.size() == 2 && client.socketArgs[0] == "-S" && client.socketArgs[1] == server.socketPath);
}

void removeStaleSocket(const TmuxClient& client, const std::string& socketPath) {
    TmuxClient local = client;
    local.host.reset();
    const TmuxServer now = TmuxServerScanner::probe(local, socketPath, std::nullopt);
    if (now.liveness != ServerLiveness::stale)
        throw TmuxError::commandFailed(L("Un server răspunde (sau poate răspunde) pe " + socketPath + "; socketul rămâne.",
                                         "A server answers (or may answer) on " + socketPath + "; the socket stays."));
    struct stat info {};
    if (::lstat(socketPath.c_str(), &info) != 0) return;  // already gone
    if (!S_ISSOCK(info.st_mode))
        throw TmuxError::commandFailed(L(socketPath + " nu mai e un socket; rămâne.", socketPath + " is no longer a socket; it stays."));
    if (::unlink(socketPath.c_str()) != 0)
        throw TmuxError::commandFailed(L("Nu am putut șterge " + socketPath + ": ", "Could not remove " + socketPath + ": ") +
                                       std::strerror(errno));
}

}  // namespace quillon
