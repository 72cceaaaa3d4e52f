// Time to notice: from the event in a pane to the state the sampler reports for it, with the
// sampler stepped as the app steps it (it reads only what its plan says is due). A shell in a
// fresh window of a private server, at its prompt, is given one command per iteration:
// - `read -p` starts waiting: the 2 s rule itself is most of the figure;
// - `sleep 1` ends: finished, within one reading of /proc;
// - `printf '\a'`: the bell, from tmux's window flag.
#include <benchmark/benchmark.h>

#include <thread>

#include "bench/mcp_bench_support.h"
#include "core/pane_sampler.h"
#include "core/text.h"

namespace quillon::bench::pane_notice {

using namespace quillon;
using Steady = std::chrono::steady_clock;

struct NoticeServer {
    bench::PrivateServers servers;
    TmuxClient client{servers.tmuxPath(), {"-L", "notice"}};
    NoticeServer() { servers.start("notice"); }
};

NoticeServer& server() {
    static NoticeServer instance;
    instance.servers.use();
    return instance;
}

// Steps the sampler until the pane's status satisfies done; the time it did, or nothing.
template <class Done>
std::optional<Steady::time_point> until(PaneStateSampler& sampler, const std::string& pane, Done done,
                                        std::chrono::seconds limit = std::chrono::seconds(20)) {
    for (const auto end = Steady::now() + limit; Steady::now() < end;) {
        sampler.step();
        if (auto status = sampler.tracker().status(pane); status && done(*status)) return Steady::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

// One iteration: a new window, its shell at the prompt past its start-up, then the keys;
// the time from eventAfter past the keys to the state.
template <class Done>
void notice(benchmark::State& state, const std::string& keys, std::chrono::milliseconds eventAfter, Done done) {
    auto& s = server();
    for (auto _ : state) {
        const std::string pane(text::trim(s.client.run({"new-window", "-d", "-P", "-F", "#{pane_id}"})));
        PaneStateSampler sampler(s.client);
        sampler.readAll();
        std::this_thread::sleep_for(std::chrono::seconds(3));  // past the shell's start-up rule
        if (!until(sampler, pane, [](const PaneStatus& st) { return st.state == PaneState::idle; })) {
            const auto last = sampler.tracker().status(pane);
            state.SkipWithError(("the shell never reached its prompt: " +
                                 (last ? std::string(toRaw(last->state)) + " " + last->program : "not listed")).c_str());
            return;
        }
        s.client.run({"send-keys", "-t", pane, "-l", keys, ";", "send-keys", "-t", pane, "Enter"});
        const auto event = Steady::now() + eventAfter;
        const auto seen = until(sampler, pane, done);
        s.client.run({"kill-pane", "-t", pane});
        if (!seen) {
            state.SkipWithError("the state never came");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(*seen - event).count());
    }
}

void ReadPromptWaiting(benchmark::State& state) {
    notice(state, "read -p 'Continue? ' answer", std::chrono::milliseconds(0),
           [](const PaneStatus& st) { return st.state == PaneState::waitingForInput; });
}
BENCHMARK(ReadPromptWaiting)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void SleepFinished(benchmark::State& state) {
    notice(state, "sleep 1", std::chrono::milliseconds(1000),
           [](const PaneStatus& st) { return st.state == PaneState::finished; });
}
BENCHMARK(SleepFinished)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BellRang(benchmark::State& state) {
    notice(state, "printf '\\a'", std::chrono::milliseconds(0), [](const PaneStatus& st) { return st.bellAt.has_value(); });
}
BENCHMARK(BellRang)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace quillon::bench::pane_notice
