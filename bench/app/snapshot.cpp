// Remembering a server: the GUI thread's share of taking a snapshot of 200 sessions (the file
// is written in the keeper's pool), and restoring 20 sessions of 3 windows of 3 panes against
// the same tmux commands run from a shell script, one tmux per line.
#include <fstream>
#include <memory>

#include "app/app_environment.h"
#include "app/snapshot_keeper.h"
#include "bench/app/app_bench_support.h"
#include "core/restore_plan.h"
#include "core/server_snapshot.h"

namespace quillon::bench::snapshot {

namespace fs = std::filesystem;

// 200 sessions of 3 windows of 3 panes, as a refresh would list them.
std::vector<TmuxSession> largeServer() {
    std::vector<TmuxSession> sessions;
    for (int s = 0; s < 200; ++s) {
        TmuxSession session;
        session.name = "s" + std::to_string(s);
        session.sessionID = "$" + std::to_string(s);
        session.path = "/home/user/projects/p" + std::to_string(s);
        for (int w = 0; w < 3; ++w) {
            TmuxWindow& window = session.windows.emplace_back();
            window.index = w;
            window.name = "w" + std::to_string(w);
            window.isActive = w == 0;
            window.paneCount = 3;
            window.layout = "b25f,80x24,0,0{40x24,0,0,1,39x24,41,0[39x12,41,0,2,39x11,41,13,3]}";
            window.target = session.name + ":" + std::to_string(w);
            for (int p = 0; p < 3; ++p) {
                TmuxPane& pane = window.panes.emplace_back();
                pane.index = p;
                pane.isActive = p == 0;
                pane.command = p == 1 ? "vim" : "bash";
                pane.path = session.path + "/src" + std::to_string(p);
                pane.target = window.target + "." + std::to_string(p);
            }
        }
        sessions.push_back(std::move(session));
    }
    return sessions;
}

// ---- Restore ----

// One private server of its own.
struct Fixture {
    BenchServer server;
    ServerSnapshot snapshot;
    RestorePlan plan;
    std::string script = "/tmp/quillon-bench-restore-" + std::to_string(::getpid()) + ".sh";
    std::string state = "/tmp/quillon-bench-state-" + std::to_string(::getpid());
    std::unique_ptr<AppEnvironment> env;  // its keeper writes into state

    Fixture() {
        // 20 sessions of 3 windows of 3 panes, taken from a real server, then gone.
        server.createSessions(1, 1);
        std::vector<std::string> args;
        for (int s = 0; s < 20; ++s)
            for (int w = 0; w < 3; ++w) {
                const std::string target = "r" + std::to_string(s) + ":" + std::to_string(w);
                if (!args.empty()) args.push_back(";");
                if (w == 0) args.insert(args.end(), {"new-session", "-d", "-s", "r" + std::to_string(s), "-n", "w0"});
                else args.insert(args.end(), {"new-window", "-d", "-t", target, "-n", "w" + std::to_string(w)});
                args.insert(args.end(), {";", "split-window", "-t", target, ";", "split-window", "-h", "-t", target});
            }
        server.tmux(args);
        std::vector<TmuxSession> live = client().snapshot();
        std::erase_if(live, [](const TmuxSession& s) { return s.name == "s0"; });
        snapshot = ServerSnapshot::capture(ServerIdentity::named(server.name()), live, Clock::now());
        killRestored();
        plan = planRestore(snapshot, {"s0"}, RestoreOptions{});
        writeScript();
        const std::string config = "/tmp/quillon-bench-config-" + std::to_string(::getpid()) + ".json";
        DefaultsStore defaults(config);
        defaults.set("socketMode", "name");
        defaults.set("socketValue", server.name());
        defaults.set("pollingInterval", 3600.0);
        env = std::make_unique<AppEnvironment>(AppEnvironment::Options{defaults, server.tmuxPath(), AppPlatform{}, state});
        fs::remove(config);
        refreshAndWait(*env);
    }
    ~Fixture() {
        env.reset();
        std::error_code error;
        fs::remove(script, error);
        fs::remove_all(state, error);
    }

    TmuxClient client() const { return TmuxClient(server.tmuxPath(), {"-L", server.name(), "-f", "/dev/null"}); }
    void killRestored() const {
        std::vector<std::string> args;
        for (const auto& s : snapshot.sessions) {
            if (!args.empty()) args.push_back(";");
            args.insert(args.end(), {"kill-session", "-t", "=" + s.name});
        }
        server.tmux(args);
    }
    // The plan's commands, one tmux per line, sessions addressed by their exact names.
    void writeScript() {
        const std::string t = text::shellQuote(server.tmuxPath()) + " -L " + server.name() + " -f /dev/null";
        std::string body = "set -e\n";
        auto line = [&](const std::vector<std::string>& command, const std::string& name) {
            body += t;
            for (std::size_t i = 0; i < command.size(); ++i) {
                std::string arg = command[i];
                if (i > 0 && (command[i - 1] == "-t" || command[i - 1] == "-s") &&
                    text::startsWith(arg, RestorePlan::sessionToken))
                    arg = "=" + name + arg.substr(RestorePlan::sessionToken.size());
                body += " " + text::shellQuote(arg);
            }
            body += "\n";
        };
        for (const SessionRestore& s : plan.sessions) {
            std::vector<std::string> create(s.create.begin(), s.create.end() - 3);  // without -P -F
            line(create, s.name);
            for (const auto& command : s.batch) line(command, s.name);
        }
        std::ofstream(script) << body;
    }
};

Fixture& fixture() { return sharedFixture<Fixture>(); }

// Each observation is a change 11 s after the last, so each one is written.
void BM_SnapshotGuiThread(benchmark::State& state) {
    Fixture& f = fixture();
    SnapshotKeeper& keeper = f.env->snapshots();
    std::vector<TmuxSession> sessions = largeServer();
    TimePoint now = Clock::now();
    int flip = 0;
    for (auto _ : state) {
        sessions[7].windows[0].name = "w" + std::to_string(flip++);
        now += std::chrono::seconds(11);
        const double start = threadCpuSeconds();
        keeper.observe(sessions, now);
        state.SetIterationTime(threadCpuSeconds() - start);
        state.PauseTiming();
        keeper.waitForWrites();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SnapshotGuiThread)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RestoreShellScript(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const auto out = runProcess("/bin/sh", {"/bin/sh", f.script}, std::chrono::seconds(120));
        state.PauseTiming();
        if (out.exitCode != 0) state.SkipWithError(("script failed: " + out.err).c_str());
        f.killRestored();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RestoreShellScript)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Restore(benchmark::State& state) {
    Fixture& f = fixture();
    const TmuxClient client = f.client();
    for (auto _ : state) {
        const RestoreReport report = executeRestore(client, f.plan);
        state.PauseTiming();
        if (report.sessions != 20 || report.panes != 180) state.SkipWithError("restore incomplete");
        f.killRestored();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace quillon::bench::snapshot
