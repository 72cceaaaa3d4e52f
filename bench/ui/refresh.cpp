// The GUI thread's whole share of a 200-session refresh with the screens open: the main
// window (sidebar and dashboard cards) and the tray panel, shown offscreen. Measured as the
// thread's CPU time from starting the refresh until its paints are done.
#include <memory>

#include "app/app_environment.h"
#include "app/ui/shell/main_window.h"
#include "app/ui/shell/menu_bar_view.h"
#include "bench/ui/ui_bench_support.h"

namespace quillon::bench::refresh {

struct Fixture {
    BenchServer server;
    std::unique_ptr<ScreenStores> stores;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ui::MenuBarView> panel;

    Fixture() {
        server.createSessions(200, 2);
        stores = std::make_unique<ScreenStores>(server);
        window = std::make_unique<ui::MainWindow>(*stores->context);
        window->show();
        panel = std::make_unique<ui::MenuBarView>(*stores->context);
        panel->show();
        QApplication::processEvents();
    }
};

void guiThreadWork(benchmark::State& state, bool changing) {
    Fixture& f = sharedFixture<Fixture>();
    // The repaints the refresh asked for count too.
    measureRefreshes(state, f.server, *f.stores->env, changing, [] { QApplication::processEvents(); }, 200);
}

void BM_RefreshWithScreens_Unchanged(benchmark::State& state) { guiThreadWork(state, false); }
void BM_RefreshWithScreens_OneWindowRenamed(benchmark::State& state) { guiThreadWork(state, true); }
BENCHMARK(BM_RefreshWithScreens_Unchanged)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshWithScreens_OneWindowRenamed)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace quillon::bench::refresh
