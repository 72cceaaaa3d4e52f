// The GUI thread's share of one reading of 200 panes' states with the screens open: the main
// window's sidebar and session cards, and a session's pane cards, shown offscreen. A reading
// goes to PaneAttention as the sampler's do; measured is the thread's CPU time from taking it
// until the repaints it asked for are done. Either one pane changed (the usual reading) or
// every one did.
#include <memory>

#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "app/ui/shell/main_window.h"
#include "bench/ui/ui_bench_support.h"

namespace quillon::bench::pane_states {

constexpr int sessions = 100;  // two windows of one pane each: 200 panes

struct Fixture {
    BenchServer server;
    std::unique_ptr<ScreenStores> stores;
    std::unique_ptr<PaneAttention> attention;
    std::unique_ptr<ui::MainWindow> window;
    std::vector<PaneSignals> panes;

    Fixture() {
        server.createSessions(sessions, 2);
        stores = std::make_unique<ScreenStores>(server);
        attention = std::make_unique<PaneAttention>(*stores->env);
        stores->context->attention = attention.get();
        window = std::make_unique<ui::MainWindow>(*stores->context);
        window->resize(1200, 800);
        window->show();
        window->showPlace(ui::SidebarItem::session("s0"));
        for (const TmuxSession& s : stores->env->sessions())
            for (const TmuxWindow& w : s.windows)
                for (const TmuxPane& p : w.panes) {
                    PaneSignals pane;
                    pane.paneId = p.paneID;
                    pane.windowId = w.windowID;
                    pane.sessionId = s.sessionID;
                    pane.sessionName = s.name;
                    pane.windowIndex = w.index;
                    pane.paneIndex = p.index;
                    pane.pid = p.pid;
                    panes.push_back(std::move(pane));
                }
        QApplication::processEvents();
    }
};

// Every pane at its prompt, but for those that read changes: waiting or running by turns.
std::vector<PaneStatus> reading(const std::vector<PaneSignals>& panes, std::size_t changed, int turn) {
    std::vector<PaneStatus> statuses;
    statuses.reserve(panes.size());
    for (std::size_t i = 0; i < panes.size(); ++i) {
        PaneStatus status;
        status.paneId = panes[i].paneId;
        status.state = PaneState::idle;
        if (i < changed) status.state = turn % 2 ? PaneState::waitingForInput : PaneState::running;
        statuses.push_back(std::move(status));
    }
    return statuses;
}

void readingsIntoScreens(benchmark::State& state, std::size_t changed) {
    Fixture& f = sharedFixture<Fixture>();
    if (f.panes.size() != std::size_t(2 * sessions)) return state.SkipWithError("snapshot incomplete");
    int turn = 0;
    for (auto _ : state) {
        auto statuses = reading(f.panes, changed, ++turn);
        auto panes = f.panes;
        const double start = threadCpuSeconds();
        f.attention->apply(std::move(panes), std::move(statuses));
        QApplication::processEvents();
        state.SetIterationTime(threadCpuSeconds() - start);
    }
}

void BM_PaneStates200_OneChanged(benchmark::State& state) { readingsIntoScreens(state, 1); }
void BM_PaneStates200_AllChanged(benchmark::State& state) { readingsIntoScreens(state, 2 * sessions); }
BENCHMARK(BM_PaneStates200_OneChanged)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaneStates200_AllChanged)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace quillon::bench::pane_states
