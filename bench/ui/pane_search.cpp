// The GUI thread's share of a pane search over 200 panes with 2,000 lines each: one
// keystroke (the field's edit and the debounce restarting), the debounced start (query
// compiled, panes listed, the pool job started) and the results put into the list when
// they arrive. CPU time of the GUI thread only; tmux and matching run in the pool.
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QListView>

#include <memory>

#include "app/ui/search/pane_search_panel.h"
#include "app/ui/search/pane_search_runner.h"
#include "app/ui/search/search_results_model.h"
#include "bench/search_bench_support.h"
#include "bench/ui/ui_bench_support.h"

namespace quillon::bench::pane_search {

struct Fixture {
    BenchServer server;
    std::unique_ptr<ScreenStores> stores;
    std::unique_ptr<ui::PaneSearchPanel> panel;

    Fixture() {
        fillSearchPanes([this](const std::vector<std::string>& args) { return server.tmux(args); });
        stores = std::make_unique<ScreenStores>(server);
        panel = std::make_unique<ui::PaneSearchPanel>(*stores->context);
        panel->open();
    }
};

// Typing one more letter: the edit and the debounce restart.
void BM_Keystroke(benchmark::State& state) {
    Fixture& f = sharedFixture<Fixture>();
    const QString query = QString::fromLatin1(searchNeedle);
    int n = 0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        f.panel->field()->setText(query.left(1 + n++ % query.size()));
        state.SetIterationTime(threadCpuSeconds() - start);
    }
}
BENCHMARK(BM_Keystroke)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The debounced search from its start to its results shown, GUI thread only.
void BM_SearchStartAndResults(benchmark::State& state) {
    Fixture& f = sharedFixture<Fixture>();
    if (f.stores->env->sessions().size() != std::size_t(searchSessions)) state.SkipWithError("snapshot incomplete");
    const QString queries[] = {QStringLiteral("needle-found"), QStringLiteral("FATAL"), QStringLiteral("line 19")};
    int n = 0;
    double worst = 0;
    for (auto _ : state) {
        f.panel->field()->setText(queries[n++ % 3]);
        const double start = threadCpuSeconds();
        f.panel->searchNow();
        QEventLoop loop;
        QObject::connect(f.panel->runner(), &ui::PaneSearchRunner::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        loop.exec();
        QCoreApplication::processEvents();  // the results into the list
        f.panel->resultList()->viewport()->repaint();
        const double spent = threadCpuSeconds() - start;
        worst = std::max(worst, spent);
        state.SetIterationTime(spent);
    }
    state.counters["worst_ms"] = worst * 1000;
    state.counters["rows"] = f.panel->model()->rowCount();
}
BENCHMARK(BM_SearchStartAndResults)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace quillon::bench::pane_search
