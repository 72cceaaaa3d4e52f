// tmux on another machine through OpenSSH (a private sshd on 127.0.0.1): one refresh of a
// server through the shared connection against the same refresh run locally (in one tmux
// run, and in the three it used to take), the first connection's cost apart, and a census
// across three hosts one of which never answers.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/mcp_bench_support.h"
#include "core/host_census.h"
#include "core/tmux_client.h"
#include "tests/support/ssh_sandbox.h"

namespace quillon::bench::remote {

using namespace quillon;
using testing::SshSandbox;

struct World {
    bench::PrivateServers servers;
    std::optional<SshSandbox> ssh;
    World() {
        servers.start("work");
        // A session of a few windows and panes, like a working day's.
        for (int i = 0; i < 4; ++i)
            runProcess(servers.tmuxPath(), {"tmux", "-L", "work", "new-window", "-t", "main"}, std::chrono::seconds(5));
        runProcess(servers.tmuxPath(), {"tmux", "-L", "work", "split-window", "-t", "main"}, std::chrono::seconds(5));
        ssh.emplace(std::filesystem::path(servers.socketDirectory()).parent_path().string());
    }
    TmuxClient client(const std::optional<std::string>& host) const {
        TmuxClient c(servers.tmuxPath(), {"-L", "work"});
        c.host = host;
        return c;
    }
};

World& world() {
    static World instance;  // destroyed at exit, which stops the servers and sshd
    instance.servers.use();
    return instance;
}

void RefreshLocal(benchmark::State& state) {
    const TmuxClient client = world().client(std::nullopt);
    for (auto _ : state)
        if (client.snapshot().empty()) state.SkipWithError("no session");
}
BENCHMARK(RefreshLocal)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The local refresh as it was before it became one run: sessions with clients, windows,
// panes, each its own tmux process. Kept as the yardstick of the one-run refresh above.
void RefreshLocalThreeRuns(benchmark::State& state) {
    const TmuxClient client = world().client(std::nullopt);
    for (auto _ : state) {
        auto sessions = TmuxClient::parseSessions(client.listSessions().standardOutput);
        auto windows = TmuxClient::parseWindows(client.run({"list-windows", "-a", "-F", TmuxClient::windowsFormat()}));
        auto panes = TmuxClient::parsePanes(client.run({"list-panes", "-a", "-F", TmuxClient::panesFormat()}));
        if (TmuxClient::assemble(std::move(sessions), std::move(windows), std::move(panes)).empty())
            state.SkipWithError("no session");
    }
}
BENCHMARK(RefreshLocalThreeRuns)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void RefreshRemoteSharedConnection(benchmark::State& state) {
    const TmuxClient client = world().client(SshSandbox::good);
    client.snapshot();  // the master connection, outside the measure
    for (auto _ : state)
        if (client.snapshot().empty()) state.SkipWithError("no session");
}
BENCHMARK(RefreshRemoteSharedConnection)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Each iteration starts without a master: handshake plus the refresh.
void RefreshRemoteFirstConnection(benchmark::State& state) {
    const TmuxClient client = world().client(SshSandbox::good);
    for (auto _ : state) {
        state.PauseTiming();
        world().ssh->closeMaster(SshSandbox::good);
        state.ResumeTiming();
        if (client.snapshot().empty()) state.SkipWithError("no session");
    }
}
BENCHMARK(RefreshRemoteFirstConnection)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

constexpr std::chrono::milliseconds limit{2000};

void CensusTwoAnsweringHosts(benchmark::State& state) {
    TmuxClient client = world().client(std::nullopt);
    client.timeout = limit;
    for (auto _ : state) {
        const auto hosts = HostCensusScanner::scanHosts(client, {SshSandbox::good, SshSandbox::second});
        if (hosts[0].error || hosts[1].error) state.SkipWithError("a host failed");
    }
}
BENCHMARK(CensusTwoAnsweringHosts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void CensusThreeHostsOneMute(benchmark::State& state) {
    TmuxClient client = world().client(std::nullopt);
    client.timeout = limit;
    for (auto _ : state) {
        const auto hosts =
            HostCensusScanner::scanHosts(client, {SshSandbox::good, SshSandbox::second, SshSandbox::mute});
        if (hosts[0].error || hosts[1].error || !hosts[2].error) state.SkipWithError("wrong verdicts");
    }
    state.counters["limit_ms"] = static_cast<double>(limit.count());
}
BENCHMARK(CensusThreeHostsOneMute)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace quillon::bench::remote
