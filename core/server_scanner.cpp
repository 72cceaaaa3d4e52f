#include "core/server_scanner.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "core/paths.h"
#include "core/process_runner.h"
#include "core/raw_value.h"
#include "core/tmux_error.h"

namespace quillon {

std::string_view toRaw(ServerLiveness liveness) {
    switch (liveness) {
        case ServerLiveness::alive: return "alive";
        case ServerLiveness::stale: return "stale";
        case ServerLiveness::unknown: return "unknown";
        case ServerLiveness::notSocket: return "notSocket";
    }
    return "unknown";
}

std::optional<ServerLiveness> serverLivenessFromRaw(std::string_view raw) {
    static constexpr std::array cases{ServerLiveness::alive, ServerLiveness::stale, ServerLiveness::unknown,
                                      ServerLiveness::notSocket};
    return caseFromRaw(cases, raw);
}

std::vector<std::string> TmuxServer::socketArgs() const {
    // A remote server's name was found in tmux's own directory on that host.
    if (host) return socketName ? std::vector<std::string>{"-L", *socketName} : std::vector<std::string>{"-S", socketPath};
    // tmux resolves "-L name" in its own directory only; anywhere else the path is the socket.
    if (socketName && paths::join(TmuxServerScanner::defaultSocketDirectory(), *socketName) == socketPath)
        return {"-L", *socketName};
    return {"-S", socketPath};
}

TmuxServer TmuxServer::withSessions(std::vector<TmuxSession> newSessions) const {
    TmuxServer copy = *this;
    copy.sessions = std::move(newSessions);
    return copy;
}

namespace TmuxServerScanner {
namespace {

std::optional<TimePoint> modificationTime(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return TimePoint(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(info.st_mtim.tv_sec) +
                                                                 std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
}

// Something is there, and it is not a socket (links followed, as connect() does).
bool isNoSocket(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISSOCK(info.st_mode);
}

TmuxServer classify(TmuxServer server, const TmuxClient& client, const TmuxClient::Invocation& invocation) {
    if (invocation.timedOut) {
        server.diagnostic = client.timeoutMessage();
    } else if (invocation.exitCode == 0) {
        server.sessions = TmuxClient::parseSessions(invocation.standardOutput);
        if (!server.sessions.empty()) server.liveness = ServerLiveness::alive;
        else
            server.diagnostic = L("tmux a răspuns fără eroare, dar n-a listat nicio sesiune",
                                  "tmux replied without error but listed no sessions");
    } else if (invocation.isNoServer()) {
        server.liveness = ServerLiveness::stale;
        server.diagnostic = invocation.standardError;
    } else if (!invocation.standardError.empty()) {
        server.diagnostic = invocation.standardError;
    } else {
        const std::string status = std::to_string(invocation.exitCode);
        server.diagnostic = L("tmux exit " + status + ", fără mesaj", "tmux exit " + status + ", no message");
    }
    return server;
}

TmuxServer unprobed(const TmuxClient& client, const std::string& socketPath,
                    const std::optional<std::string>& socketName) {
    if (client.host) return {socketName, socketPath, ServerLiveness::unknown, {}, std::nullopt, std::nullopt, client.host};
    return {socketName, socketPath, ServerLiveness::unknown, {}, std::nullopt, modificationTime(socketPath)};
}

// Asks the server behind socketArgs for its sessions and classifies the answer.
TmuxServer probed(const TmuxClient& client, TmuxServer server, std::vector<std::string> socketArgs) {
    if (!client.host) {
        // The socket tmux would use: "-L name" lives in tmux's own directory, whatever path
        // the report shows.
        const std::string addressed = socketArgs.size() == 2 && socketArgs[0] == "-L"
                                          ? paths::join(defaultSocketDirectory(), socketArgs[1])
                                          : socketArgs.size() == 2 ? socketArgs[1] : server.socketPath;
        // connect() refuses a folder or a file just as it refuses a dead socket.
        if (isNoSocket(addressed)) {
            server.liveness = ServerLiveness::notSocket;
            return server;
        }
        if (auto dead = deadSocketText(addressed)) {
            server.liveness = ServerLiveness::stale;
            server.diagnostic = std::move(dead);
            return server;
        }
    }
    TmuxClient addressed = client;
    addressed.socketArgs = std::move(socketArgs);
    TmuxClient::Invocation invocation;
    try {
        invocation = addressed.listSessions();
    } catch (const TmuxError& error) {
        server.diagnostic = error.localizedDescription();
        return server;
    }
    return classify(std::move(server), addressed, invocation);
}

}  // namespace

const std::string& sessionFormat() { return TmuxClient::sessionsFormat(); }

std::optional<std::string> deadSocketText(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // A path too long for sockaddr_un is tmux's to judge.
    if (socketPath.size() >= sizeof(address.sun_path)) return std::nullopt;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    // Non-blocking: a stopped server with a full backlog must not hold us here.
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return std::nullopt;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return std::nullopt;
    // The same words tmux prints for these two, so a report reads the same either way.
    if (errno == ECONNREFUSED) return "no server running on " + socketPath;
    if (errno == ENOENT) return "error connecting to " + socketPath + " (" + std::strerror(ENOENT) + ")";
    return std::nullopt;
}

std::string defaultSocketDirectory(const Environment& environment, std::uint32_t uid) {
    std::string base = environmentValue(environment, "TMUX_TMPDIR");
    if (base.empty()) base = "/tmp";
    return paths::join(base, "tmux-" + std::to_string(uid));
}

std::string defaultSocketDirectory() { return defaultSocketDirectory(L10n::processEnvironment(), ::getuid()); }

std::vector<std::string> socketPaths(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> sockets;
    for (const auto& name : names) {
        const std::string path = paths::join(directory, name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) sockets.push_back(path);
    }
    return sockets;
}

TmuxServer probe(const TmuxClient& client, const std::string& socketPath,
                 const std::optional<std::string>& socketName) {
    return probed(client, unprobed(client, socketPath, socketName),
                  socketName ? std::vector<std::string>{"-L", *socketName} : std::vector<std::string>{"-S", socketPath});
}

std::vector<TmuxServer> scan(const TmuxClient& client, const std::optional<std::string>& directory,
                             const std::vector<std::string>& extraSocketPaths) {
    const std::string dir = directory ? *directory : defaultSocketDirectory();
    const std::vector<std::string> found = socketPaths(dir);
    std::vector<SocketCandidate> candidates;
    for (const auto& path : found) candidates.push_back({path, paths::lastComponent(path)});
    for (const auto& extra : extraSocketPaths) {
        std::string path = paths::expandTilde(extra);
        if (std::find(found.begin(), found.end(), path) == found.end()) candidates.push_back({path, std::nullopt});
    }
    return probeAll(client, candidates, maxParallelProbes);
}

std::vector<TmuxServer> probeAll(const TmuxClient& client, const std::vector<SocketCandidate>& candidates,
                                 std::size_t parallel) {
    // Each probe is one blocking child; a few at once keep a wedged server from costing
    // one time limit per socket. Results land in candidate order.
    std::vector<std::optional<TmuxServer>> results(candidates.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < candidates.size();) {
            // A socket listed outside tmux's own directory is reached by its path (socketArgs).
            TmuxServer server = unprobed(client, candidates[i].path, candidates[i].name);
            std::vector<std::string> args = server.socketArgs();
            results[i] = probed(client, std::move(server), std::move(args));
        }
    };
    const std::size_t workers = std::min(std::max<std::size_t>(parallel, 1), candidates.size());
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (auto& thread : threads) thread.join();

    std::vector<TmuxServer> servers;
    servers.reserve(results.size());
    for (auto& result : results) servers.push_back(std::move(*result));
    return servers;
}

std::string enumerationCaveat(const std::string& directory) {
    return L("Enumerarea acoperă socket-urile din " + directory + " (cele pornite cu `tmux -L nume`). " +
                 "Un server pornit cu `tmux -S /altă/cale` nu apare aici decât dacă îi dai calea explicit.",
             "Enumeration covers sockets in " + directory + " (those started with `tmux -L name`). " +
                 "A server started with `tmux -S /other/path` only shows up if you pass its path explicitly.");
}

}  // namespace TmuxServerScanner
}  // namespace quillon
