// The scanner screen with a full log (500 events) on screen: what one more event costs the GUI
// thread (a row in, the oldest row out, the list kept at the newest event, the repaint), with
// and without a filter, and a full repaint of the window.
#include <benchmark/benchmark.h>

#include <QLineEdit>
#include <QListView>

#include <filesystem>
#include <memory>

#include "app/app_environment.h"
#include "app/rule_store.h"
#include "app/scanner_engine.h"
#include "app/template_store.h"
#include "app/ui/automation/scanner_view.h"
#include "bench/ui/ui_bench_support.h"

namespace quillon::bench::scanner_log {

// A screen on an environment without tmux: the engine logs its start and stop messages only.
struct Screen {
    std::string config = "/tmp/quillon-bench-ui-" + std::to_string(::getpid()) + ".json";
    DefaultsStore defaults{config};
    AppEnvironment env{AppEnvironment::Options{defaults, std::nullopt, AppPlatform{}}};
    TemplateStore templates{defaults};
    SilentNotifier notifier;
    RuleStore rules{defaults, env, notifier};
    NoNavigation navigator;
    ui::UiContext context{env, templates, rules, notifier, navigator};
    ui::ScannerView view{context};

    Screen() {
        env.setScannerInterval(3600);
        view.resize(900, 600);
        view.show();
        while (view.engine().events().size() < ScannerEngine::maxEvents) toggle();
        QApplication::processEvents();
    }
    ~Screen() { std::filesystem::remove(config); }
    void toggle() {
        if (view.engine().running()) view.engine().stop();
        else view.engine().start();
    }
};

void appendToFullLog(benchmark::State& state, const char* filter) {
    Screen screen;
    screen.view.filterField()->setText(QString::fromUtf8(filter));
    for (auto _ : state) {
        screen.toggle();
        QApplication::processEvents();  // the repaint of the list
    }
    if (screen.view.log()->model()->rowCount() == 0 && filter[0] == '\0') state.SkipWithError("the log is empty");
}

void BM_AppendToFullLog(benchmark::State& state) { appendToFullLog(state, ""); }
void BM_AppendToFullLogFiltered(benchmark::State& state) { appendToFullLog(state, "STOPPED"); }
BENCHMARK(BM_AppendToFullLog)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendToFullLogFiltered)->Unit(benchmark::kMicrosecond);

void BM_RepaintFullLog(benchmark::State& state) {
    Screen screen;
    for (auto _ : state) benchmark::DoNotOptimize(screen.view.grab());
}
BENCHMARK(BM_RepaintFullLog)->Unit(benchmark::kMicrosecond);

}  // namespace quillon::bench::scanner_log
