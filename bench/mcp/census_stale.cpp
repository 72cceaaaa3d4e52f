// A machine with 16 live servers and 200 leftover sockets: the census (a connect() first,
// tmux only for the sockets that accept) against a shell loop running tmux list-sessions
// over the same sockets, side by side in one run.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>

#include "bench/mcp_bench_support.h"
#include "core/server_scanner.h"

namespace quillon::bench::census_stale {

using namespace quillon;

constexpr int liveServers = 16;
constexpr int staleSockets = 200;

// A socket file whose listener is gone, as a crashed server leaves it.
void leaveDeadSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
}

struct Fleet : bench::PrivateServers {
    Fleet() {
        for (int i = 0; i < liveServers; ++i) start("live" + std::to_string(i));
        for (int i = 0; i < staleSockets; ++i) leaveDeadSocket(socketDirectory() + "/stale" + std::to_string(i));
    }
};

bench::PrivateServers& servers() {
    static Fleet instance;  // destroyed at exit, which stops the servers
    return instance.use();
}

void ShellLoopOverEverySocket(benchmark::State& state) {
    auto& fleet = servers();
    const auto sockets = TmuxServerScanner::socketPaths(fleet.socketDirectory());
    ::setenv("FORMAT", TmuxServerScanner::sessionFormat().c_str(), 1);
    for (auto _ : state)
        bench::shellLoop(fleet.tmuxPath(), "\"$0\" -S \"$s\" list-sessions -F \"$FORMAT\" >/dev/null 2>&1", sockets);
    state.counters["sockets"] = static_cast<double>(sockets.size());
}
BENCHMARK(ShellLoopOverEverySocket)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void CensusConnectFirst(benchmark::State& state) {
    auto& fleet = servers();
    const TmuxClient client(fleet.tmuxPath());
    for (auto _ : state) {
        const auto scanned = TmuxServerScanner::scan(client, fleet.socketDirectory(), {});
        const auto alive = std::count_if(scanned.begin(), scanned.end(),
                                         [](const TmuxServer& s) { return s.liveness == ServerLiveness::alive; });
        if (alive != liveServers || scanned.size() != liveServers + staleSockets)
            state.SkipWithError("wrong verdicts");
    }
}
BENCHMARK(CensusConnectFirst)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace quillon::bench::census_stale
