// The GUI thread's whole share of a 200-session refresh with the screens open: the main
// window (sidebar and dashboard cards) and the tray panel, shown offscreen. Measured as the
// thread's CPU time from starting the refresh until its paints are done.
#include <time.h>

#include <memory>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "app/ui/main_window.h"
#include "app/ui/menu_bar_view.h"
#include "bench/ui_bench_support.h"

namespace quillon::bench {
namespace {

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Fixture {
    BenchServer server;
    std::unique_ptr<AppEnvironment> env;
    std::unique_ptr<TemplateStore> templates;
    std::unique_ptr<RuleStore> rules;
    SilentNotifier notifier;
    NoNavigation navigator;
    std::unique_ptr<ui::UiContext> context;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ui::MenuBarView> panel;

    Fixture() {
        server.createSessions(200, 2);
        env = benchEnvironment(server);
        DefaultsStore defaults("/tmp/quillon-bench-ui-" + std::to_string(::getpid()) + ".json");
        templates = std::make_unique<TemplateStore>(defaults);
        rules = std::make_unique<RuleStore>(defaults, *env, notifier);
        std::filesystem::remove(defaults.path());
        context = std::make_unique<ui::UiContext>(ui::UiContext{*env, *templates, *rules, notifier, navigator});
        window = std::make_unique<ui::MainWindow>(*context);
        window->show();
        panel = std::make_unique<ui::MenuBarView>(*context);
        panel->show();
        QApplication::processEvents();
    }
};

void guiThreadWork(benchmark::State& state, bool changing) {
    Fixture& f = sharedFixture<Fixture>();
    int flip = 0;
    for (auto _ : state) {
        if (changing) {
            state.PauseTiming();
            f.server.tmux({"rename-window", "-t", "s7:0", "w" + std::to_string(flip++)});
            state.ResumeTiming();
        }
        const double start = threadCpuSeconds();
        refreshAndWait(*f.env);
        QApplication::processEvents();  // the repaints the refresh asked for
        state.SetIterationTime(threadCpuSeconds() - start);
    }
    if (f.env->sessions().size() != 200) state.SkipWithError("snapshot incomplete");
}

void BM_RefreshWithScreens_Unchanged(benchmark::State& state) { guiThreadWork(state, false); }
void BM_RefreshWithScreens_OneWindowRenamed(benchmark::State& state) { guiThreadWork(state, true); }
BENCHMARK(BM_RefreshWithScreens_Unchanged)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshWithScreens_OneWindowRenamed)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillon::bench

QUILLON_UI_BENCHMARK_MAIN()
