// The GUI thread's share of one refresh of a 200-session server: starting the job, receiving
// the snapshot and publishing it. The snapshot itself runs in the pool and is measured apart.
#include <memory>

#include "app/app_environment.h"
#include "bench/app/app_bench_support.h"

namespace quillon::bench::refresh {

struct Fixture {
    BenchServer server;
    std::unique_ptr<AppEnvironment> env;
    std::size_t seen = 0;

    Fixture() {
        server.createSessions(200, 2);
        env = benchEnvironment(server);
        // A view reading the list on every change, as the screens do.
        QObject::connect(env.get(), &AppEnvironment::sessionsChanged, [this] { seen += env->sessions().size(); });
    }
};

Fixture& fixture() { return sharedFixture<Fixture>(); }

// Main-thread CPU time per refresh; the event loop sleeps while tmux runs.
void mainThreadWork(benchmark::State& state, bool changing) {
    Fixture& f = fixture();
    measureRefreshes(state, f.server, *f.env, changing, [] {}, 200);
}

void BM_RefreshMainThread_Unchanged(benchmark::State& state) { mainThreadWork(state, false); }
void BM_RefreshMainThread_Changed(benchmark::State& state) { mainThreadWork(state, true); }
// Iterations are fixed: the measured share is tiny next to the wall time of each refresh.
BENCHMARK(BM_RefreshMainThread_Unchanged)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshMainThread_Changed)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// For scale: the whole refresh as the user waits for it (one tmux run in the pool).
void BM_RefreshWallClock(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) refreshAndWait(*f.env);
}
BENCHMARK(BM_RefreshWallClock)->Unit(benchmark::kMillisecond);

}  // namespace quillon::bench::refresh
