#pragma once
// What the Servers screen shows: every tmux server of this machine and of each stored host,
// with the verdict of the census (core/server_scanner.h, core/host_census.h) and, for the
// live ones, the server's own tmux version and its attached clients. Blocking, in parts:
// the screen reads this machine and each host on threads of their own and shows each part
// as it lands. Also the one way a stale socket file is removed.

#include <optional>
#include <string>
#include <vector>

#include "core/host_census.h"
#include "core/server_scanner.h"
#include "core/tmux_client.h"

namespace quillon {

struct ServerRow {
    TmuxServer server;
    std::optional<std::string> version;  // live servers only
    std::optional<int> clients;          // attached clients, control-mode ones left out

    bool operator==(const ServerRow&) const = default;
};

struct HostRows {
    std::string destination;
    std::vector<ServerRow> servers;
    std::optional<std::string> error;  // ssh's own words

    bool operator==(const HostRows&) const = default;
};

struct ServerCensus {
    std::string socketDirectory;
    std::vector<ServerRow> local;
    std::vector<HostRows> hosts;

    bool operator==(const ServerCensus&) const = default;

    // Reads this machine and every host (concurrently); client gives the tmux binary and the
    // time limit.
    static ServerCensus take(const TmuxClient& client, const std::vector<std::string>& hosts);
    // This machine alone (no hosts).
    static ServerCensus takeLocal(const TmuxClient& client);
    // One host: costs at most about one time limit when it never answers.
    static HostRows takeHost(const TmuxClient& client, const std::string& destination);
};

// Whether the client addresses this server: the same host and the same socket.
bool addresses(const TmuxClient& client, const TmuxServer& server);

// Removes a socket file of this machine only when nothing answers on it at this moment
// (checked again here) and it is still a socket; otherwise throws TmuxError::commandFailed
// with the reason, and the file stays.
void removeStaleSocket(const TmuxClient& client, const std::string& socketPath);

}  // namespace quillon
