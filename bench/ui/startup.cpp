// From process start to the main window painted with the sessions of a 50-session server:
// the built `quillon` is spawned offscreen in a private world and reports its first such paint.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/app/app_bench_support.h"
#include "core/process_runner.h"

namespace quillon::bench::startup {

struct World {
    BenchServer server;
    std::string home;

    World() {
        server.createSessions(50, 2);
        home = std::filesystem::temp_directory_path() / ("quillon-bench-home-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home + "/config/quillon");
        std::filesystem::create_directories(home + "/run");
        std::filesystem::permissions(home + "/run", std::filesystem::perms::owner_all);
        const std::string document = "{\"socketMode\":\"name\",\"socketValue\":\"" + server.name() + "\",\"language\":\"en\"}";
        std::FILE* file = std::fopen((home + "/config/quillon/org.quillon.Quillon.json").c_str(), "w");
        std::fputs(document.c_str(), file);
        std::fclose(file);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("QUILLON_REPORT_FIRST_PAINT", "1", 1);
    }
    ~World() {
        std::error_code error;
        std::filesystem::remove_all(home, error);
    }
};

// Spawns quillon and waits for its paint report; the time from spawn to that line.
double startToPaint(const std::string& binary) {
    Pipe err = Pipe::create();
    const auto start = std::chrono::steady_clock::now();
    ChildProcess child = ChildProcess::spawn(binary, {binary}, {-1, -1, err.write.get()});
    err.write.reset();
    std::string seen;
    char buffer[4096];
    pollfd fd{err.read.get(), POLLIN, 0};
    while (seen.find("quillon: painted 50 sessions") == std::string::npos) {
        if (::poll(&fd, 1, 10'000) <= 0) throw std::runtime_error("no paint report: " + seen);
        const ssize_t n = ::read(err.read.get(), buffer, sizeof buffer);
        if (n <= 0) throw std::runtime_error("quillon ended: " + seen);
        seen.append(buffer, std::size_t(n));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    child.signal(SIGTERM);
    child.wait();
    return seconds;
}

void BM_StartToFirstPaintWith50Sessions(benchmark::State& state) {
    const char* binary = std::getenv("QUILLON_BINARY");
    if (!binary) return state.SkipWithError("QUILLON_BINARY is not set");
    World& world = sharedFixture<World>();
    (void)world;
    for (auto _ : state) state.SetIterationTime(startToPaint(binary));
}
BENCHMARK(BM_StartToFirstPaintWith50Sessions)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace quillon::bench::startup
