// Diff of two snapshots: sessions × 10 windows × 2 panes, unchanged and with changes.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/l10n.h"
#include "core/scanner_diff.h"

namespace quillon::bench::scanner_diff {

using namespace quillon;

std::vector<TmuxSession> tree(int sessions) {
    std::vector<TmuxSession> result;
    result.reserve(sessions);
    for (int s = 0; s < sessions; ++s) {
        TmuxSession session;
        session.name = "session-" + std::to_string(s);
        session.sessionID = "$" + std::to_string(s);
        session.windowCount = 10;
        for (int w = 0; w < 10; ++w) {
            TmuxWindow window;
            window.index = w;
            window.name = "window-" + std::to_string(w);
            window.target = session.name + ":" + std::to_string(w);
            for (int p = 0; p < 2; ++p) {
                TmuxPane pane;
                pane.index = p;
                pane.command = p == 0 ? "zsh" : "vim";
                pane.target = window.target + "." + std::to_string(p);
                window.panes.push_back(pane);
            }
            window.paneCount = 2;
            session.windows.push_back(std::move(window));
        }
        result.push_back(std::move(session));
    }
    return result;
}

// One change in every tenth session: a rename, a closed window, a pane command, a new session.
std::vector<TmuxSession> changed(std::vector<TmuxSession> sessions) {
    for (std::size_t s = 0; s < sessions.size(); s += 10) {
        switch ((s / 10) % 4) {
            case 0: sessions[s].name += "-renamed"; break;
            case 1: sessions[s].windows.erase(sessions[s].windows.begin() + 3); break;
            case 2: sessions[s].windows[5].panes[1].command = "htop"; break;
            case 3: sessions[s].sessionID += "-new"; break;
        }
    }
    return sessions;
}

void BM_DiffUnchanged(benchmark::State& state) {
    L10n::setLanguage(AppLanguage::en);
    const auto old = tree(static_cast<int>(state.range(0)));
    const auto now = old;
    for (auto _ : state) benchmark::DoNotOptimize(ScannerDiff::diff(old, now));
    state.SetComplexityN(state.range(0));
}

void BM_DiffWithChanges(benchmark::State& state) {
    L10n::setLanguage(AppLanguage::en);
    const auto old = tree(static_cast<int>(state.range(0)));
    const auto now = changed(old);
    std::size_t events = 0;
    for (auto _ : state) {
        auto result = ScannerDiff::diff(old, now);
        events = result.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["events"] = static_cast<double>(events);
    state.SetComplexityN(state.range(0));
}

void BM_SessionLevelDiff(benchmark::State& state) {
    L10n::setLanguage(AppLanguage::en);
    const auto old = tree(static_cast<int>(state.range(0)));
    const auto now = changed(old);
    for (auto _ : state) benchmark::DoNotOptimize(ScannerDiff::sessionLevelDiff(old, now));
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_DiffUnchanged)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_DiffWithChanges)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_SessionLevelDiff)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace quillon::bench::scanner_diff
