// The two MCP eras side by side, each pair measured in turn within one iteration so that
// both see the same machine: from process start to the answer of server/discover (modern)
// and of initialize (legacy); and one tools/call tmux_sessions through a running quillon-mcp
// in each era, beside the floor, tmux's own list-sessions run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "bench/mcp_bench_support.h"
#include "core/process_runner.h"

namespace quillon::bench::eras {

using namespace quillon;
using Clock = std::chrono::steady_clock;

const std::string meta =
    R"("_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{}})";

double medianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

// Milliseconds one run of work takes.
double timed(const std::function<void()>& work) {
    const auto started = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

double firstAnswerMs(const std::string& request) {
    return timed([&] {
        bench::McpChild mcp;
        mcp.send(request);
        benchmark::DoNotOptimize(mcp.readLine());
    });
}

void StartToDiscoverBesideInitialize(benchmark::State& state) {
    const std::string discover = R"({"jsonrpc":"2.0","id":1,"method":"server/discover","params":{)" + meta + "}}";
    const std::string initialize =
        R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-11-25"}})";
    std::vector<double> modern, legacy;
    for (auto _ : state) {
        modern.push_back(firstAnswerMs(discover));
        legacy.push_back(firstAnswerMs(initialize));
    }
    state.counters["discover_median_ms"] = medianMs(modern);
    state.counters["initialize_median_ms"] = medianMs(legacy);
    state.counters["discover_over_initialize"] = medianMs(modern) / medianMs(legacy);
}
BENCHMARK(StartToDiscoverBesideInitialize)->Unit(benchmark::kMillisecond)->Iterations(200);

void SessionsCallModernBesideLegacy(benchmark::State& state) {
    bench::PrivateServers servers;
    servers.start("work");
    bench::McpChild modern, legacy;
    legacy.send(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"protocolVersion":"2025-11-25"}})");
    legacy.readLine();
    const std::string arguments = R"("name":"tmux_sessions","arguments":{"socket":"work"})";
    const std::string modernCall = R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{)" + arguments + "," + meta + "}}";
    const std::string legacyCall = R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{)" + arguments + "}}";
    const auto roundTrip = [](bench::McpChild& mcp, const std::string& call) {
        return timed([&] {
            mcp.send(call);
            benchmark::DoNotOptimize(mcp.readLine());
        });
    };
    std::vector<double> modernMs, legacyMs, tmuxMs;
    for (auto _ : state) {
        modernMs.push_back(roundTrip(modern, modernCall));
        legacyMs.push_back(roundTrip(legacy, legacyCall));
        tmuxMs.push_back(timed([&] {
            runProcess(servers.tmuxPath(), {"tmux", "-L", "work", "list-sessions"}, std::chrono::seconds(10));
        }));
    }
    state.counters["modern_median_ms"] = medianMs(modernMs);
    state.counters["legacy_median_ms"] = medianMs(legacyMs);
    state.counters["tmux_list_sessions_median_ms"] = medianMs(tmuxMs);
}
BENCHMARK(SessionsCallModernBesideLegacy)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace quillon::bench::eras
