#include "core/host_census.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

#include "core/l10n.h"
#include "core/paths.h"
#include "core/ssh_transport.h"
#include "core/text.h"

namespace quillon::HostCensusScanner {

const std::string& listingScript() {
    // tmux's own rule for its directory (TMUX_TMPDIR, else /tmp, then tmux-<uid>); hidden
    // names too, as the local listing sees them.
    static const std::string script =
        "d=\"${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)\"; printf '%s\\0' \"$d\"; "
        "for f in \"$d\"/* \"$d\"/.[!.]*; do [ -S \"$f\" ] && printf '%s\\0' \"${f##*/}\"; done; exit 0";
    return script;
}

std::pair<std::string, std::vector<std::string>> parseListing(const std::string& output) {
    std::vector<std::string> pieces;
    for (auto piece : text::split(output, std::string_view("\0", 1), false)) pieces.emplace_back(piece);
    if (pieces.empty()) return {};
    std::string directory = std::move(pieces.front());
    std::vector<std::string> names;
    for (std::size_t i = 1; i < pieces.size(); ++i)
        if (!pieces[i].empty()) names.push_back(std::move(pieces[i]));
    std::sort(names.begin(), names.end());
    return {std::move(directory), std::move(names)};
}

namespace {

std::string failureText(const ProcessOutput& output) {
    const std::string said(text::trim(text::toValidUtf8(output.err)));
    if (!said.empty()) return said;
    const std::string status = std::to_string(output.exitCode);
    return L("ssh a eșuat (exit " + status + ")", "ssh failed (exit " + status + ")");
}

}  // namespace

Listing list(const TmuxClient& client, const std::string& destination) {
    if (auto problem = SshTransport::destinationProblem(destination)) return {{}, {}, *problem};
    ProcessOutput output;
    try {
        output = SshTransport::run(destination, {"sh", "-c", listingScript()}, client.timeout);
    } catch (const std::system_error& error) {
        return {{}, {}, L("Nu am putut porni ssh: ", "Could not start ssh: ") + std::strerror(error.code().value())};
    }
    if (output.timedOut) return {{}, {}, SshTransport::timeoutMessage(destination, client.timeout)};
    auto [directory, names] = parseListing(text::toValidUtf8(output.out));
    if (output.exitCode != 0 || directory.empty()) return {{}, {}, failureText(output)};
    return {std::move(directory), std::move(names), std::nullopt};
}

HostCensus scanHost(const TmuxClient& client, const std::string& destination) {
    HostCensus census;
    census.destination = destination;
    Listing listing = list(client, destination);
    if (listing.error) {
        census.error = std::move(listing.error);
        return census;
    }
    TmuxClient remote = client;
    remote.host = destination;
    std::vector<TmuxServerScanner::SocketCandidate> candidates;
    for (auto& name : listing.names) candidates.push_back({paths::join(listing.directory, name), std::move(name)});
    census.socketDirectory = std::move(listing.directory);
    census.servers = TmuxServerScanner::probeAll(remote, candidates, maxParallelRemoteProbes);
    return census;
}

std::vector<HostCensus> scanHosts(const TmuxClient& client, const std::vector<std::string>& destinations) {
    std::vector<HostCensus> results(destinations.size());
    std::vector<std::thread> threads;
    threads.reserve(destinations.size());
    for (std::size_t i = 0; i < destinations.size(); ++i)
        threads.emplace_back([&, i] { results[i] = scanHost(client, destinations[i]); });
    for (auto& thread : threads) thread.join();
    return results;
}

}  // namespace quillon::HostCensusScanner
