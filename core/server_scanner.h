#pragma once
// Every tmux server of the user: the socket files of the socket directory (plus extra
// paths), each probed with its own list-sessions and classified alive, stale or unknown.
// A local socket is first connected to: one that refuses or is missing is stale at once,
// without starting tmux, so hundreds of leftovers cost nothing. A local path that is no
// socket at all (a folder, a file, a device) is notSocket, also without tmux.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/l10n.h"
#include "core/tmux_client.h"
#include "core/tmux_model.h"

namespace quillon {

enum class ServerLiveness { alive, stale, unknown, notSocket };
std::string_view toRaw(ServerLiveness liveness);
std::optional<ServerLiveness> serverLivenessFromRaw(std::string_view raw);

struct TmuxServer {
    std::optional<std::string> socketName;  // the file name, when found by listing a directory
    std::string socketPath;
    ServerLiveness liveness = ServerLiveness::unknown;
    std::vector<TmuxSession> sessions;  // windows not filled; empty unless alive
    std::optional<std::string> diagnostic;
    std::optional<TimePoint> socketModified;
    // The ssh destination the server runs on; nothing for this machine.
    std::optional<std::string> host;

    bool operator==(const TmuxServer&) const = default;
    // "-L name" for a socket found in tmux's own directory, else "-S path".
    std::vector<std::string> socketArgs() const;
    TmuxServer withSessions(std::vector<TmuxSession> newSessions) const;
};

namespace TmuxServerScanner {

const std::string& sessionFormat();
// What a plain connect() on a local socket says: nothing when something accepts (or the
// answer proves nothing, like a permission error), else tmux's own text for a dead socket.
std::optional<std::string> deadSocketText(const std::string& socketPath);
std::string defaultSocketDirectory(const Environment& environment, std::uint32_t uid);
// The process environment and real user id.
std::string defaultSocketDirectory();
std::vector<std::string> socketPaths(const std::string& directory);
// Asks the server at "-L socketName", or at "-S socketPath" without a name; the path gives
// the modification time. A client with a host asks there (no connect(), no local time).
TmuxServer probe(const TmuxClient& client, const std::string& socketPath,
                 const std::optional<std::string>& socketName);
// Probes each server at its socketArgs(), so a socket found outside tmux's own directory is
// asked by its path. Probes run concurrently (at most maxParallelProbes children at once);
// the result keeps candidate order, so the report is the same as a sequential scan.
std::vector<TmuxServer> scan(const TmuxClient& client, const std::optional<std::string>& directory,
                             const std::vector<std::string>& extraSocketPaths);
inline constexpr std::size_t maxParallelProbes = 8;

struct SocketCandidate {
    std::string path;
    std::optional<std::string> name;  // set when found in tmux's own directory
};
// Probes each candidate at its socketArgs(), at most `parallel` at once, in candidate order.
std::vector<TmuxServer> probeAll(const TmuxClient& client, const std::vector<SocketCandidate>& candidates,
                                 std::size_t parallel);
std::string enumerationCaveat(const std::string& directory);

}  // namespace TmuxServerScanner
}  // namespace quillon
