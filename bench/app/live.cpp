// The shown server watched against the same server polled, in one run: how long a change
// made in tmux takes to reach the published sessions (here, and through the private sshd),
// what an idle server of 200 sessions costs in a minute, and a burst of 200 new sessions.
// Figures are counters; each benchmark runs once.
#include <sys/resource.h>
#include <unistd.h>

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "app/app_environment.h"
#include "app/pane_attention.h"
#include "bench/app/app_bench_support.h"
#include "tests/support/ssh_sandbox.h"

namespace quillon::bench::live {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// Runs the event loop until the condition holds; false at the deadline.
bool spinUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = Steady::now() + limit;
    while (!condition()) {
        if (Steady::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// The event loop asleep between events, as the app's is: idle costs are the app's own.
void spinFor(std::chrono::milliseconds span) {
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

// A tmux that notes each start before it becomes the real one.
struct CountingTmux {
    std::string directory;
    std::string program;
    std::string log;
    explicit CountingTmux(const std::string& real) {
        std::string pattern = "/tmp/quillon-bench-count-XXXXXX";
        directory = ::mkdtemp(pattern.data());
        program = directory + "/tmux";
        log = directory + "/runs";
        std::ofstream(program) << "#!/bin/sh\necho run >> '" << log << "'\nexec '" << real << "' \"$@\"\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    ~CountingTmux() { std::filesystem::remove_all(directory); }
    int runs() const {
        std::ifstream in(log);
        int count = 0;
        for (std::string line; std::getline(in, line);) ++count;
        return count;
    }
};

// Every server of the run lives in the program's private TMUX_TMPDIR, under its own name;
// the private sshd's tmux reads the same directory.
struct World {
    BenchServer base;
    std::optional<testing::SshSandbox> ssh;
    std::vector<std::string> started;

    World() {
        if (testing::SshSandbox::available()) ssh.emplace(std::getenv("TMUX_TMPDIR"));
    }
    ~World() {
        for (const auto& name : started) {
            try {
                tmux(name, {"kill-server"});
            } catch (const std::exception&) {
            }
        }
    }
    std::string tmux(const std::string& name, const std::vector<std::string>& args) const {
        std::vector<std::string> argv{base.tmuxPath(), "-L", name, "-f", "/dev/null"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto output = runProcess(base.tmuxPath(), argv, std::chrono::seconds(30));
        if (output.exitCode != 0) throw std::runtime_error("tmux: " + std::string(text::trim(output.err)));
        return output.out;
    }
    // A server of `sessions` sessions s0, s1… made in one run.
    std::string server(const std::string& name, int sessions) {
        std::vector<std::string> args;
        for (int i = 0; i < sessions; ++i) args.insert(args.end(), {"new-session", "-d", "-s", "s" + std::to_string(i), ";"});
        args.pop_back();
        tmux(name, args);
        started.push_back(name);
        return name;
    }
};

World& world() { return sharedFixture<World>(); }

std::unique_ptr<AppEnvironment> environment(const std::string& tmuxPath, const std::string& socket, bool watch,
                                            double pollingSeconds, const std::string& host = {}) {
    const std::string config = "/tmp/quillon-bench-live-" + std::to_string(::getpid()) + ".json";
    DefaultsStore defaults(config);
    defaults.set("socketMode", "name");
    defaults.set("socketValue", socket);
    defaults.set("pollingInterval", pollingSeconds);
    if (!host.empty()) defaults.set("socketHost", host);
    auto env = std::make_unique<AppEnvironment>(
        AppEnvironment::Options{defaults, tmuxPath, AppPlatform{}, {}, watch});
    std::filesystem::remove(config);
    spinUntil([&] { return env->pollingTimerInterval().has_value(); }, 30s);
    if (watch) spinUntil([&] { return env->watching(); }, 30s);
    spinUntil([&] { return !env->refreshing(); }, 30s);
    return env;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

const TmuxSession* named(const AppEnvironment& env, const std::string& name) {
    for (const auto& s : env.sessions())
        if (s.name == name) return &s;
    return nullptr;
}

// 100 changes, 20 of each kind, each timed from the tmux command's return to the
// sessionsChanged that shows it.
// shown: the user opens each new session before its window is split and laid out, and the
// watcher moves there (tmux tells a control client of layouts only in its own session).
void measureLatency(benchmark::State& state, const std::string& server, AppEnvironment& env, bool shown) {
    std::vector<double> latencies;
    const auto firstWindow = [&](const std::string& name) -> const TmuxWindow* {
        const TmuxSession* s = named(env, name);
        return s && !s->windows.empty() ? &s->windows[0] : nullptr;
    };
    for (auto _ : state) {
        for (int round = 0; round < 20; ++round) {
            const std::string name = "lat" + std::to_string(round), renamed = name + "r";
            const std::vector<std::pair<std::vector<std::string>, std::function<bool()>>> steps = {
                {{"new-session", "-d", "-s", name}, [&] { return named(env, name) != nullptr; }},
                {{"split-window", "-d", "-h", "-t", "=" + name + ":0"},
                 [&] { return firstWindow(name) && firstWindow(name)->panes.size() == 2; }},
                {{"select-layout", "-t", "=" + name + ":0", "even-vertical"},
                 [&] { return firstWindow(name) && text::contains(firstWindow(name)->layout, "["); }},
                {{"rename-session", "-t", "=" + name, renamed}, [&] { return named(env, renamed) && !named(env, name); }},
                {{"kill-session", "-t", "=" + renamed}, [&] { return !named(env, renamed); }},
            };
            for (const auto& [command, seen] : steps) {
                world().tmux(server, command);
                const auto start = Steady::now();
                if (!spinUntil(seen, 20s)) state.SkipWithError("a change never arrived");
                latencies.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
                if (shown && command[0] == "new-session") {
                    const auto before = env.watcherPid();
                    env.watchSession(name);
                    spinUntil([&] { return env.watching() && env.watcherPid() != before; }, 20s);
                }
            }
        }
        state.SetIterationTime(1);
    }
    state.counters["p50_ms"] = percentile(latencies, 0.5);
    state.counters["p95_ms"] = percentile(latencies, 0.95);
    state.counters["mean_ms"] = std::accumulate(latencies.begin(), latencies.end(), 0.0) / std::max<std::size_t>(1, latencies.size());
}

// range(0): 1 polled every second, 2 watched, 3 watched with each changed session shown;
// range(1): 1 through the private sshd.
void Latency(benchmark::State& state) {
    const bool remote = state.range(1) == 1;
    if (remote && !world().ssh) return state.SkipWithError("no sshd");
    const std::string server = world().server("lat" + std::to_string(state.range(0)) + std::to_string(state.range(1)), 1);
    const bool watched = state.range(0) >= 2;
    auto env = environment(world().base.tmuxPath(), server, watched, watched ? 86400 : 1,
                           remote ? testing::SshSandbox::good : "");
    measureLatency(state, server, *env, state.range(0) == 3);
}
BENCHMARK(Latency)->ArgNames({"mode", "remote"})->Args({3, 0})->Args({2, 0})->Args({1, 0})->Args({3, 1})->Args({2, 1})->Args({1, 1})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// CPU seconds of a process from /proc/<pid>/stat (user + system).
double processCpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i)
        if (i == 14 || i == 15) ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double selfCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double childrenCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

constexpr auto idleSpan = 60s;

// range(0): 0 no app, 1 polled every second, 2 watched; 200 idle sessions for a minute.
void IdleTwoHundredSessions(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const std::string server = world().server("idle" + std::to_string(mode), 200);
    CountingTmux counting(world().base.tmuxPath());
    std::unique_ptr<AppEnvironment> env;
    if (mode > 0) env = environment(counting.program, server, mode == 2, 1);
    spinFor(2s);  // the start's own snapshots settle
    const pid_t tmuxServer = static_cast<pid_t>(std::stol(world().tmux(server, {"display-message", "-p", "#{pid}"})));
    for (auto _ : state) {
        const int runsBefore = counting.runs();
        const double appBefore = selfCpuSeconds(), serverBefore = processCpuSeconds(tmuxServer);
        spinFor(idleSpan);
        const double seconds = std::chrono::duration<double>(idleSpan).count();
        state.counters["tmux_starts"] = counting.runs() - runsBefore;
        state.counters["app_cpu_pct"] = 100 * (selfCpuSeconds() - appBefore) / seconds;
        state.counters["server_cpu_pct"] = 100 * (processCpuSeconds(tmuxServer) - serverBefore) / seconds;
        state.SetIterationTime(seconds);
    }
    env.reset();
    world().tmux(server, {"kill-server"});
}
BENCHMARK(IdleTwoHundredSessions)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kSecond);

// The pane states' own cost at idle: 200 shells at their prompt (50 sessions of 4 panes), the
// app watching; range(0): 0 without the states, 1 with PaneAttention reading them. The app's
// CPU counts its threads and the tmux runs it started.
void IdleTwoHundredPanesStates(benchmark::State& state) {
    const bool states = state.range(0) == 1;
    const std::string server = "states" + std::to_string(state.range(0));
    std::vector<std::string> args;
    for (int i = 0; i < 50; ++i) {
        const std::string s = "p" + std::to_string(i);
        args.insert(args.end(), {"new-session", "-d", "-s", s, ";", "split-window", "-d", "-t", s, ";", "split-window", "-d",
                                 "-t", s, ";", "split-window", "-d", "-t", s, ";", "select-layout", "-t", s, "tiled", ";"});
    }
    args.pop_back();
    world().tmux(server, args);
    world().started.push_back(server);
    CountingTmux counting(world().base.tmuxPath());
    auto env = environment(counting.program, server, true, 1);
    std::unique_ptr<PaneAttention> attention;
    if (states) {
        attention = std::make_unique<PaneAttention>(*env);
        attention->start();
        spinUntil([&] { return attention->statuses().size() == 200; }, 60s);
    }
    spinFor(10s);  // past the shells' start and the first readings
    for (auto _ : state) {
        const int runsBefore = counting.runs();
        const double selfBefore = selfCpuSeconds(), childrenBefore = childrenCpuSeconds();
        spinFor(idleSpan);
        const double seconds = std::chrono::duration<double>(idleSpan).count();
        const double self = selfCpuSeconds() - selfBefore, children = childrenCpuSeconds() - childrenBefore;
        state.counters["panes"] = states ? static_cast<double>(attention->statuses().size()) : 0;
        state.counters["tmux_starts"] = counting.runs() - runsBefore;
        state.counters["app_cpu_pct"] = 100 * (self + children) / seconds;
        state.counters["threads_pct"] = 100 * self / seconds;  // of which the app's own threads
        state.SetIterationTime(seconds);
    }
    attention.reset();
    env.reset();
    world().tmux(server, {"kill-server"});
}
BENCHMARK(IdleTwoHundredPanesStates)->ArgName("states")->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kSecond);

// Time to notice in the app, the watcher running (as the app runs): from the event in a pane
// to PaneAttention's state. range(0): 0 `read -p` waits (the 2 s rule is most of it), 1 `sleep 1`
// finishes, 2 a bell at the prompt. Each iteration in a fresh window, its shell settled first.
void NoticeWatched(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string server = world().server("notice" + std::to_string(kind), 1);
    auto env = environment(world().base.tmuxPath(), server, true, 2);
    PaneAttention attention(*env);
    attention.start();
    const std::string keys = kind == 0 ? "read -p 'Continue? ' a" : kind == 1 ? "sleep 1" : "printf '\\a'";
    const auto eventAfter = kind == 1 ? 1000ms : 0ms;
    std::vector<double> seconds;
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) {
            const std::string pane(text::trim(world().tmux(server, {"new-window", "-d", "-P", "-F", "#{pane_id}"})));
            auto statusIs = [&](auto done) {
                const PaneStatus* status = attention.statusOf(pane);
                return status && done(*status);
            };
            spinFor(3s);  // past the shell's start-up
            if (!spinUntil([&] { return statusIs([](const PaneStatus& s) { return s.state == PaneState::idle; }); }, 20s)) {
                state.SkipWithError("the shell never reached its prompt");
                return;
            }
            const auto bellBefore = attention.statusOf(pane)->bellAt;
            world().tmux(server, {"send-keys", "-t", pane, "-l", keys, ";", "send-keys", "-t", pane, "Enter"});
            const auto event = Steady::now() + eventAfter;
            const bool seen = spinUntil([&] {
                return statusIs([&](const PaneStatus& s) {
                    return kind == 0 ? s.state == PaneState::waitingForInput
                           : kind == 1 ? s.state == PaneState::finished
                                       : s.bellAt != bellBefore;
                });
            }, 20s);
            if (!seen) {
                state.SkipWithError("the state never came");
                return;
            }
            seconds.push_back(std::chrono::duration<double>(Steady::now() - event).count());
            world().tmux(server, {"kill-window", "-t", pane});
        }
        state.SetIterationTime(std::accumulate(seconds.begin(), seconds.end(), 0.0) / static_cast<double>(seconds.size()));
    }
    state.counters["p50_ms"] = 1000 * percentile(seconds, 0.5);
    state.counters["max_ms"] = 1000 * *std::max_element(seconds.begin(), seconds.end());
    attention.stop();
    env.reset();
}
BENCHMARK(NoticeWatched)->ArgName("event")->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// 200 sessions made in one tmux run; range(0): 1 polled every second, 2 watched.
void BurstOfTwoHundredSessions(benchmark::State& state) {
    const std::string server = world().server("burst" + std::to_string(state.range(0)), 1);
    auto env = environment(world().base.tmuxPath(), server, state.range(0) == 2, 1);
    int snapshots = 0;
    QObject::connect(env.get(), &AppEnvironment::refreshFinished, [&] { ++snapshots; });
    for (auto _ : state) {
        std::vector<std::string> args;
        for (int i = 0; i < 200; ++i) args.insert(args.end(), {"new-session", "-d", "-s", "b" + std::to_string(i), ";"});
        args.pop_back();
        const auto start = Steady::now();
        world().tmux(server, args);
        if (!spinUntil([&] { return env->sessions().size() == 201; }, 60s)) state.SkipWithError("never complete");
        const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
        state.counters["until_all_ms"] = seconds * 1000;
        spinFor(1500ms);  // what the burst still asks for
        state.counters["snapshots"] = snapshots;
        state.SetIterationTime(seconds);
    }
    env.reset();
    world().tmux(server, {"kill-server"});
}
BENCHMARK(BurstOfTwoHundredSessions)->ArgName("mode")->Arg(1)->Arg(2)->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace quillon::bench::live
