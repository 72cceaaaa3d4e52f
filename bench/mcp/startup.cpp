// quillon-mcp from process start to its initialize answer, and its resident memory idle.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <thread>

#include "bench/mcp_bench_support.h"

namespace quillon::bench::startup {

using Clock = std::chrono::steady_clock;

const std::string initialize =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2024-11-05"}})";

double medianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

void StartToInitializeAnswer(benchmark::State& state) {
    std::vector<double> samples;
    for (auto _ : state) {
        const auto started = Clock::now();
        quillon::bench::McpChild mcp;
        mcp.send(initialize);
        benchmark::DoNotOptimize(mcp.readLine());
        const std::chrono::duration<double> took = Clock::now() - started;
        state.SetIterationTime(took.count());
        samples.push_back(took.count() * 1000);
    }
    state.counters["median_ms"] = medianMs(samples);
}
BENCHMARK(StartToInitializeAnswer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void IdleResidentMemory(benchmark::State& state) {
    long rss = 0, peak = 0;
    for (auto _ : state) {
        quillon::bench::McpChild mcp;
        mcp.send(initialize);
        mcp.readLine();
        mcp.send(R"({"jsonrpc":"2.0","id":2,"method":"tools/list"})");
        mcp.readLine();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::tie(rss, peak) = quillon::bench::residentKiB(mcp.pid());
    }
    state.counters["idle_rss_KiB"] = static_cast<double>(rss);
    state.counters["peak_rss_KiB"] = static_cast<double>(peak);
}
BENCHMARK(IdleResidentMemory)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace quillon::bench::startup
