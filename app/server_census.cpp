#include "app/server_census.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>

#include "core/l10n.h"
#include "core/process_runner.h"
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

[[noreturn]] void refuse(const std::string& ro, const std::string& en) { throw TmuxError::commandFailed(L(ro, en)); }

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// False when the file is gone; refused when it is no longer a socket.
bool socketStillThere(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    if (!S_ISSOCK(info.st_mode)) refuse(path + " nu mai e un socket; rămâne.", path + " is no longer a socket; it stays.");
    return true;
}

// tmux's own lock for a socket: a client that finds nothing answering takes flock on
// "<socket>.lock", removes the socket and starts a server, which lets go once its new socket
// is bound. Holding it while checking and removing, no server can start there in between.
// Let go the way tmux's server does: the file removed first, while still held.
class TmuxSocketLock {
public:
    explicit TmuxSocketLock(const std::string& socketPath) : path_(socketPath + ".lock") {
        fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd_) {
            const std::string reason = std::strerror(errno);
            refuse("Nu am putut lua blocarea tmux " + path_ + ": " + reason + "; socketul rămâne.",
                   "Could not take tmux's lock " + path_ + ": " + reason + "; the socket stays.");
        }
        // Taken, or its file replaced since we opened it: a server is being started there.
        if (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0 || !stillNamed())
            refuse("Un server tmux pornește pe " + socketPath + "; socketul rămâne.",
                   "A tmux server is starting on " + socketPath + "; the socket stays.");
    }
    ~TmuxSocketLock() {
        if (fd_ && stillNamed()) ::unlink(path_.c_str());
    }
    TmuxSocketLock(const TmuxSocketLock&) = delete;
    TmuxSocketLock& operator=(const TmuxSocketLock&) = delete;

private:
    bool stillNamed() const {
        struct stat held {}, named {};
        return ::fstat(fd_.get(), &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && sameFile(held, named);
    }
    std::string path_;
    UniqueFd fd_;
};

}  // namespace

ServerCensus ServerCensus::take(const TmuxClient& client, const std::vector<std::string>& hosts) {
    std::vector<std::future<HostRows>> remote;
    for (const std::string& destination : hosts)
        remote.push_back(std::async(std::launch::async, [&client, &destination] { return takeHost(client, destination); }));
    ServerCensus census = takeLocal(client);
    for (auto& host : remote) census.hosts.push_back(host.get());
    return census;
}

ServerCensus ServerCensus::takeLocal(const TmuxClient& client) {
    TmuxClient local = client;
    local.host.reset();
    ServerCensus census;
    census.socketDirectory = TmuxServerScanner::defaultSocketDirectory();
    census.local = detailedAll(local, TmuxServerScanner::scan(local, census.socketDirectory, {}));
    return census;
}

HostRows ServerCensus::takeHost(const TmuxClient& client, const std::string& destination) {
    TmuxClient local = client;
    local.host.reset();
    HostCensus host = HostCensusScanner::scanHost(local, destination);
    return {host.destination, detailedAll(local, std::move(host.servers)), host.error};
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
    // Checked before the lock too, so no lock file is ever made beside something else.
    if (!socketStillThere(socketPath)) return;
    const TmuxSocketLock lock(socketPath);
    const TmuxServer now = TmuxServerScanner::probe(local, socketPath, std::nullopt);
    if (now.liveness != ServerLiveness::stale)
        refuse("Un server răspunde (sau poate răspunde) pe " + socketPath + "; socketul rămâne.",
               "A server answers (or may answer) on " + socketPath + "; the socket stays.");
    if (!socketStillThere(socketPath)) return;
    if (::unlink(socketPath.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        refuse("Nu am putut șterge " + socketPath + ": " + reason, "Could not remove " + socketPath + ": " + reason);
    }
}

}  // namespace quillon
