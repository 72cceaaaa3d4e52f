#pragma once
// Which tmux server something belongs to: the machine it runs on (an ssh destination, empty
// for this one) and its socket (a -L name or a -S path). Everything kept per server is keyed
// by this value, so nothing read from one server is applied to another, even where their
// ids ($0, %0) coincide.
//
// Spellings are normalised when the value is made, so two spellings of one server compare
// equal: no socket arguments and "-L default" are one server; a path is standardised
// ("/tmp//t/./s" is "/tmp/t/s"); on this machine a path inside tmux's own socket directory
// is the name it has there.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class TmuxClient;

struct ServerIdentity {
    std::string host;        // ssh destination; empty: this machine
    std::string socketName;  // the -L name; empty when the socket is a path
    std::string socketPath;  // the -S path; empty when the socket is a name

    // The server tmux reaches without socket arguments: "-L default" on this machine.
    ServerIdentity() : socketName("default") {}

    static ServerIdentity named(std::string_view name, std::string_view host = {});
    // On this machine a path in tmux's own socket directory becomes that socket's name.
    static ServerIdentity atPath(std::string_view path, std::string_view host = {});
    // "-L name", "-S path" (also "-Lname", "-Spath"), or nothing for the default server.
    static ServerIdentity fromSocketArgs(const std::vector<std::string>& socketArgs, std::string_view host = {});
    static ServerIdentity of(const TmuxClient& client);

    bool isLocal() const noexcept { return host.empty(); }
    bool hasPath() const noexcept { return !socketPath.empty(); }
    // "-L name" or "-S path": what reaches this server from a client on its machine.
    std::vector<std::string> socketArgs() const;
    // The name or the path, as a person reads it.
    const std::string& socketText() const noexcept { return hasPath() ? socketPath : socketName; }

    // The folder, relative to a root, that holds what is kept of this server: one component
    // for this machine, as it always was ("default", "work", "%2Ftmp%2Fs"), and
    // "%40<host>/<socket>" for another one. "/" and "%" are escaped, and a leading "." too,
    // so no name or path ever leaves the root; no local name can begin with "%40".
    std::filesystem::path folder() const;

    bool operator==(const ServerIdentity&) const = default;
    auto operator<=>(const ServerIdentity&) const = default;
};

}  // namespace quillon

template <> struct std::hash<quillon::ServerIdentity> {
    std::size_t operator()(const quillon::ServerIdentity& identity) const noexcept;
};
