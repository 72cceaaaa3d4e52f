#pragma once
// Private tmux servers for the app benchmarks (in the program's own TMUX_TMPDIR, killed at the end),
// and a main that gives the stores their Qt application.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_environment.h"
#include "core/process_runner.h"
#include "core/text.h"
#include "core/tmux_client.h"

namespace quillon::bench {

// One refresh, waited for on a local event loop.
inline void refreshAndWait(AppEnvironment& env) {
    QEventLoop loop;
    bool done = false;
    env.refresh([&] { done = true, loop.quit(); });
    if (!done) loop.exec();
}

// The program's private TMUX_TMPDIR, made on first use and removed at exit. Every server of the
// program lives there under a name of its own, so several benchmark files' servers can be alive
// at once.
inline const std::string& privateTmuxDirectory() {
    static const struct Directory {
        std::string path;
        Directory() {
            std::string pattern = "/tmp/quillon-bench-XXXXXX";
            if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
            path = pattern;
            ::setenv("TMUX_TMPDIR", path.c_str(), 1);
            ::setenv("SHELL", "/bin/sh", 1);
            ::unsetenv("TMUX");
        }
        ~Directory() {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        }
    } directory;
    return directory.path;
}

class BenchServer {
public:
    BenchServer() {
        static int made = 0;
        privateTmuxDirectory();
        name_ = "bench" + std::to_string(++made);
        auto found = TmuxClient::detect();
        if (!found) throw std::runtime_error("tmux is not installed");
        tmuxPath_ = found->binaryPath;
    }
    ~BenchServer() {
        try {
            tmux({"kill-server"});
        } catch (const std::exception&) {
        }
    }
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    const std::string& name() const { return name_; }
    const std::string& tmuxPath() const { return tmuxPath_; }
    TmuxClient client() const { return TmuxClient(tmuxPath_, {"-L", name_}); }

    // tmux -L name -f /dev/null args…
    std::string tmux(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{tmuxPath_, "-L", name_, "-f", "/dev/null"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto output = runProcess(tmuxPath_, argv, std::chrono::seconds(30));
        if (output.exitCode != 0) throw std::runtime_error("tmux: " + std::string(text::trim(output.err)));
        return output.out;
    }

    // Sessions s0…s(n-1), each with `windows` windows, made in one tmux run.
    void createSessions(int count, int windows) const {
        std::vector<std::string> args;
        for (int i = 0; i < count; ++i) {
            if (!args.empty()) args.push_back(";");
            const std::string session = "s" + std::to_string(i);
            args.insert(args.end(), {"new-session", "-d", "-s", session});
            for (int w = 1; w < windows; ++w) args.insert(args.end(), {";", "new-window", "-d", "-t", session + ":"});
        }
        tmux(args);
    }

private:
    std::string tmuxPath_;
    std::string name_;
};

// One fixture of each type, made on first use and gone before the QCoreApplication is.
template <class Fixture> Fixture& sharedFixture() {
    static Fixture* instance = nullptr;
    if (!instance) {
        instance = new Fixture;
        qAddPostRoutine([] {
            delete instance;
            instance = nullptr;
        });
    }
    return *instance;
}

// The calling thread's CPU time: what the GUI thread spends, not what it waits for.
inline double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The GUI thread's CPU time per refresh of the server's sessions; when changing, a window is
// renamed before each (outside the timing) so the list really changes. settle runs inside the
// timing after each refresh (the repaints of open screens).
template <class Settle>
void measureRefreshes(benchmark::State& state, const BenchServer& server, AppEnvironment& env, bool changing,
                      Settle settle, std::size_t sessions) {
    int flip = 0;
    for (auto _ : state) {
        if (changing) {
            state.PauseTiming();
            server.tmux({"rename-window", "-t", "s7:0", "w" + std::to_string(flip++)});
            state.ResumeTiming();
        }
        const double start = threadCpuSeconds();
        refreshAndWait(env);
        settle();
        state.SetIterationTime(threadCpuSeconds() - start);
    }
    if (env.sessions().size() != sessions) state.SkipWithError("snapshot incomplete");
}

// An environment on the server, without desktop services or timer ticks, its first refresh done.
inline std::unique_ptr<AppEnvironment> benchEnvironment(const BenchServer& server) {
    const std::string config = "/tmp/quillon-bench-config-" + std::to_string(::getpid()) + ".json";
    DefaultsStore defaults(config);
    defaults.set("socketMode", "name");
    defaults.set("socketValue", server.name());
    defaults.set("pollingInterval", 3600.0);
    auto env = std::make_unique<AppEnvironment>(AppEnvironment::Options{defaults, server.tmuxPath(), AppPlatform{}});
    std::filesystem::remove(config);
    refreshAndWait(*env);
    return env;
}

// A benchmark program's main: the Qt application its stores need (App), then every benchmark
// the command line selects.
template <class App> int runBenchmarks(int argc, char** argv) {
    ignoreSigpipe();
    App app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}

}  // namespace quillon::bench
