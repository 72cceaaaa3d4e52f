#pragma once
// The census of other machines: for each ssh destination, the sockets of tmux's own
// directory there (one shell line through the shared connection) probed as the local
// census probes them. Hosts are read concurrently, each bounded by the client's time
// limit, so one that never answers costs one limit and never delays the others.

#include <optional>
#include <string>
#include <vector>

#include "core/server_scanner.h"
#include "core/tmux_client.h"

namespace quillon {

struct HostCensus {
    std::string destination;
    std::string socketDirectory;  // tmux's directory on that host; empty when unreachable
    std::vector<TmuxServer> servers;
    // ssh's own message (or the time-limit text) when the host could not be read.
    std::optional<std::string> error;

    bool operator==(const HostCensus&) const = default;
};

namespace HostCensusScanner {

// The fixed line run on the host: prints tmux's directory, then each socket's name, each
// followed by a NUL byte.
const std::string& listingScript();
// Directory and names of listingScript's output; names sorted, empty pieces dropped.
std::pair<std::string, std::vector<std::string>> parseListing(const std::string& output);

// At most this many probes share one host's connection at once (sshd's MaxSessions is 10).
inline constexpr std::size_t maxParallelRemoteProbes = 4;

// tmux's socket directory on the host (one run of listingScript), or ssh's reason.
struct Listing {
    std::string directory;
    std::vector<std::string> names;
    std::optional<std::string> error;
};
Listing list(const TmuxClient& client, const std::string& destination);

// The binary path of client is unused; its timeout bounds each run.
HostCensus scanHost(const TmuxClient& client, const std::string& destination);
// One thread per host; results in the order given.
std::vector<HostCensus> scanHosts(const TmuxClient& client, const std::vector<std::string>& destinations);

}  // namespace HostCensusScanner
}  // namespace quillon
