// Searching 200 panes with 2,000 lines of scrollback each: the core search (batched
// capture-pane, RE2) against a shell loop of one capture-pane piped into grep per pane, over
// the same panes of the same server, side by side in one run; and tmux's own time to hand
// over that text, the floor of any search.
#include <benchmark/benchmark.h>

#include "bench/mcp_bench_support.h"
#include "bench/search_bench_support.h"
#include "core/pane_search.h"

namespace quillon::bench::pane_search {

using namespace quillon;

struct SearchServer {
    bench::PrivateServers servers;
    TmuxClient client{servers.tmuxPath(), {"-L", "search"}};
    std::vector<SearchPane> panes;

    SearchServer() {
        servers.start("search");
        bench::fillSearchPanes([this](const std::vector<std::string>& args) { return client.run(args); });
        client.run({"kill-session", "-t", "=main"});  // the shell the server started with
        panes = searchPanes(client.snapshot());
        if (panes.size() != 200) throw std::runtime_error("expected 200 panes");
    }
};

SearchServer& server() {
    static SearchServer instance;  // destroyed at exit, which stops the server
    instance.servers.use();
    return instance;
}

void ShellLoopCaptureGrep(benchmark::State& state) {
    auto& s = server();
    const std::string body = "\"$0\" -L search capture-pane -p -J -S -2000 -t \"$s\" | grep -n '" +
                             std::string(bench::searchNeedle) + "'";
    std::vector<std::string> ids;
    for (const auto& pane : s.panes) ids.push_back(pane.paneID);
    std::size_t found = 0;
    for (auto _ : state) found = text::split(bench::shellLoop(s.servers.tmuxPath(), body, ids), "\n", true).size();
    if (found != 20) state.SkipWithError("the shell loop did not find 20 lines");
}
BENCHMARK(ShellLoopCaptureGrep)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// What tmux itself needs to hand over the same text: every capture in one run, nothing
// matched. tmux's server is single-threaded, so no search of these panes can be faster.
void TmuxCapturesAlone(benchmark::State& state) {
    auto& s = server();
    std::vector<std::string> args;
    for (const auto& pane : s.panes) {
        if (!args.empty()) args.push_back(";");
        args.insert(args.end(), {"capture-pane", "-p", "-J", "-S", "-2000", "-t", pane.paneID});
    }
    std::size_t bytes = 0;
    for (auto _ : state) bytes = s.client.run(args).size();
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(TmuxCapturesAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void SearchText(benchmark::State& state, SearchQuery query) {
    auto& s = server();
    const PaneMatcher matcher = PaneMatcher::compile(query);
    SearchOptions options;
    options.lines = 2000;
    options.maxResults = 500;
    SearchResult result;
    for (auto _ : state) result = PaneSearch::run(s.client, s.panes, matcher, options);
    if (result.matchCount != 20 || result.panesSearched != 200) state.SkipWithError("the search missed lines");
    state.counters["lines"] = 200.0 * 2000;
}
BENCHMARK_CAPTURE(SearchText, plain, SearchQuery{"NEEDLE-FOUND", false})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK_CAPTURE(SearchText, regex, SearchQuery{"^fatal \\w+-found", true})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace quillon::bench::pane_search
