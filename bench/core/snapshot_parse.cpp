// Parsing and assembling the three list outputs of a large server.
#include <benchmark/benchmark.h>

#include "core/tmux_client.h"

namespace quillon::bench::snapshot_parse {

using quillon::TmuxClient;

struct Outputs {
    std::string sessions, windows, panes;
};

// sessions × 10 windows × panes-per-window panes, as tmux prints them.
Outputs makeOutputs(int totalPanes) {
    const int windowsPerSession = 10, panesPerWindow = 4;
    const int sessions = std::max(1, totalPanes / (windowsPerSession * panesPerWindow));
    const std::string& sep = TmuxClient::sep;
    Outputs out;
    for (int s = 0; s < sessions; ++s) {
        const std::string name = "session-" + std::to_string(s);
        out.sessions += name + sep + "$" + std::to_string(s) + sep + "1700000000" + sep + "0" + sep + "10" + sep +
                        "1700000100" + sep + "/home/user/projects/" + name + "\n";
        for (int w = 0; w < windowsPerSession; ++w) {
            out.windows += name + sep + std::to_string(w) + sep + "window" + sep + (w == 0 ? "1" : "0") + sep + "4" +
                           sep + "c3a1,160x50,0,0{80x50,0,0,1,79x50,81,0,2}\n";
            for (int p = 0; p < panesPerWindow; ++p)
                out.panes += name + sep + std::to_string(w) + sep + std::to_string(p) + sep + (p == 0 ? "1" : "0") +
                             sep + "zsh" + sep + "12345" + sep + "80" + sep + "24" + sep + "/home/user/projects/" +
                             name + "\n";
        }
    }
    return out;
}

void SnapshotParse(benchmark::State& state) {
    const Outputs out = makeOutputs(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto tree = TmuxClient::assemble(TmuxClient::parseSessions(out.sessions), TmuxClient::parseWindows(out.windows),
                                         TmuxClient::parsePanes(out.panes));
        benchmark::DoNotOptimize(tree);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(SnapshotParse)->RangeMultiplier(4)->Range(640, 40960)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace quillon::bench::snapshot_parse
