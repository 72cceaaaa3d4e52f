// Launching a template of five windows, each with a start command, against the same tmux
// commands run from a shell script.
#include <fstream>
#include <memory>

#include "app/app_environment.h"
#include "app/session_template.h"
#include "bench/app/app_bench_support.h"

namespace quillon::bench::templates {

struct Fixture {
    BenchServer server;
    std::unique_ptr<AppEnvironment> env;
    std::string script = "/tmp/quillon-bench-launch-" + std::to_string(::getpid()) + ".sh";
    int counter = 0;

    Fixture() {
        server.createSessions(3, 1);
        env = benchEnvironment(server);
        // What a user would write by hand: the same ten tmux commands.
        const std::string t = "'" + server.tmuxPath() + "' -L " + server.name();
        std::string body = "set -e\n" + t + " new-session -d -s \"$1\"\n" + t +
                           " rename-window -t \"$1\" w0\n" + t + " send-keys -t \"$1\" 'echo started 0' Enter\n";
        for (int i = 1; i < 5; ++i)
            body += t + " new-window -t \"$1\" -n w" + std::to_string(i) + "\n" + t + " send-keys -t \"$1\" 'echo started " +
                    std::to_string(i) + "' Enter\n";
        std::ofstream(script) << body;
    }
    ~Fixture() { std::filesystem::remove(script); }

    SessionTemplate recipe(const std::string& name) const {
        SessionTemplate t{newTemplateID(), name, "", {}};
        for (int i = 0; i < 5; ++i)
            t.windows.push_back({newTemplateID(), "w" + std::to_string(i), "echo started " + std::to_string(i)});
        return t;
    }
    std::string nextName() { return "launch" + std::to_string(counter++); }
    void kill(const std::string& name) { server.tmux({"kill-session", "-t", name}); }
};

Fixture& fixture() { return sharedFixture<Fixture>(); }

void BM_ShellScript(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const std::string name = f.nextName();
        runProcess("/bin/sh", {"/bin/sh", f.script, name});
        state.PauseTiming();
        f.kill(name);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShellScript)->Unit(benchmark::kMillisecond);

// The launch's tmux sequence, as the pool job runs it.
void BM_TemplateCommands(benchmark::State& state) {
    Fixture& f = fixture();
    const TmuxClient client = f.server.client();
    for (auto _ : state) {
        const std::string name = f.nextName();
        runTemplate(client, f.recipe(name));
        state.PauseTiming();
        f.kill(name);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TemplateCommands)->Unit(benchmark::kMillisecond);

// launchTemplate end to end: the pool job, the hop back, and the refresh that follows.
void BM_LaunchTemplate(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const std::string name = f.nextName();
        QEventLoop loop;
        bool done = false;
        f.env->launchTemplate(f.recipe(name), false, [&] { done = true, loop.quit(); });
        if (!done) loop.exec();
        state.PauseTiming();
        f.kill(name);
        refreshAndWait(*f.env);
        state.ResumeTiming();
    }
    if (f.env->lastError()) state.SkipWithError(f.env->lastError()->c_str());
}
BENCHMARK(BM_LaunchTemplate)->Unit(benchmark::kMillisecond);

}  // namespace quillon::bench::templates
