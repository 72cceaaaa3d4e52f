// invoke()'s overhead over spawning the same program directly.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include "core/tmux_client.h"

extern char** environ;

namespace quillon::bench::invoke {

void SpawnTrueDirectly(benchmark::State& state) {
    char arg0[] = "true";
    char* argv[] = {arg0, nullptr};
    for (auto _ : state) {
        pid_t pid;
        posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ);
        int status;
        waitpid(pid, &status, 0);
    }
}
BENCHMARK(SpawnTrueDirectly)->Unit(benchmark::kMicrosecond);

void InvokeTrue(benchmark::State& state) {
    const quillon::TmuxClient client("/bin/true");
    for (auto _ : state) benchmark::DoNotOptimize(client.invoke({}));
}
BENCHMARK(InvokeTrue)->Unit(benchmark::kMicrosecond);

}  // namespace quillon::bench::invoke
