// The census of 16 live servers against the same list-sessions runs made by a shell loop,
// probes one after another against the concurrent scan, and a scan with two wedged servers.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/mcp_bench_support.h"
#include "core/census_report.h"
#include "core/server_scanner.h"

namespace quillon::bench::census {

using namespace quillon;

constexpr int liveServers = 16;

struct Fleet : bench::PrivateServers {
    Fleet() {
        for (int i = 0; i < liveServers; ++i) start("live" + std::to_string(i));
    }
};

bench::PrivateServers& servers() {
    static Fleet instance;  // destroyed at exit, which stops the servers
    return instance.use();
}

void ShellLoopListSessions(benchmark::State& state) {
    auto& fleet = servers();
    // The same command line the probes run, from a shell loop over the same sockets.
    std::vector<std::string> names;
    for (int i = 0; i < liveServers; ++i) names.push_back("live" + std::to_string(i));
    ::setenv("FORMAT", TmuxServerScanner::sessionFormat().c_str(), 1);
    ::setenv("CLIENTS", TmuxClient::clientsFormat().c_str(), 1);
    for (auto _ : state)
        bench::shellLoop(fleet.tmuxPath(),
                         "\"$0\" -L \"$s\" list-sessions -F \"$FORMAT\" \\; list-clients -F \"$CLIENTS\" >/dev/null 2>&1",
                         names);
}
BENCHMARK(ShellLoopListSessions)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void SequentialProbes(benchmark::State& state) {
    auto& fleet = servers();
    const TmuxClient client(fleet.tmuxPath());
    const auto paths = TmuxServerScanner::socketPaths(fleet.socketDirectory());
    for (auto _ : state)
        for (const auto& path : paths)
            benchmark::DoNotOptimize(TmuxServerScanner::probe(client, path, path.substr(path.rfind('/') + 1)));
}
BENCHMARK(SequentialProbes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// What tmux_census does in-process: scan, version, report.
void CensusInProcess(benchmark::State& state) {
    auto& fleet = servers();
    const TmuxClient client(fleet.tmuxPath());
    for (auto _ : state) {
        const auto scanned = TmuxServerScanner::scan(client, fleet.socketDirectory(), {});
        if (scanned.size() != liveServers) state.SkipWithError("wrong server count");
        benchmark::DoNotOptimize(CensusReport::overview(scanned, fleet.socketDirectory(), client.version(), Clock::now()));
    }
}
BENCHMARK(CensusInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The whole tools/call round trip through a running quillon-mcp.
void CensusThroughMcp(benchmark::State& state) {
    servers();
    bench::McpChild mcp;
    mcp.send(R"({"jsonrpc":"2.0","id":0,"method":"initialize"})");
    mcp.readLine();
    const std::string call =
        R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"tmux_census","arguments":{}}})";
    for (auto _ : state) {
        mcp.send(call);
        benchmark::DoNotOptimize(mcp.readLine());
    }
}
BENCHMARK(CensusThroughMcp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Two stopped servers among the live ones, with a 1 s limit: one limit, not two.
void ScanWithTwoWedgedServers(benchmark::State& state) {
    auto& fleet = servers();
    static const bool wedged = [&] {
        fleet.start("wedged-a");
        fleet.start("wedged-b");
        fleet.wedge("wedged-a");
        fleet.wedge("wedged-b");
        return true;
    }();
    (void)wedged;
    TmuxClient client(fleet.tmuxPath());
    client.timeout = std::chrono::milliseconds(1000);
    for (auto _ : state) {
        const auto scanned = TmuxServerScanner::scan(client, fleet.socketDirectory(), {});
        const auto unknown = std::count_if(scanned.begin(), scanned.end(),
                                           [](const TmuxServer& s) { return s.liveness == ServerLiveness::unknown; });
        if (unknown != 2) state.SkipWithError("the wedged servers did not read unknown");
    }
    state.counters["limit_ms"] = 1000;
}
BENCHMARK(ScanWithTwoWedgedServers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace quillon::bench::census
