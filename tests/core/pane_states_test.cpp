// Pane states of real programs in real panes of a private server, read on this machine and
// through a private sshd as another machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <functional>
#include <map>
#include <thread>

#include "core/foreground_probe.h"
#include "core/l10n.h"
#include "core/pane_sampler.h"
#include "core/pane_signals.h"
#include "core/text.h"
#include "tests/support/ssh_sandbox.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using testing::SshSandbox;
using testing::TmuxSandbox;
using Seconds = std::chrono::duration<double>;

struct Scenario {
    std::string name;
    std::vector<std::string> keys;  // typed into the pane's shell (Enter where written)
    double eventAt;                 // seconds after typing when the state can first be right
    std::function<bool(const PaneStatus&)> correct;
    std::string window = {};        // a window command instead of the shell
};

bool is(const PaneStatus& status, PaneState state) { return status.state == state; }

std::vector<Scenario> scenarios(const std::string& file) {
    auto state = [](PaneState wanted) { return [wanted](const PaneStatus& s) { return is(s, wanted); }; };
    return {
        {"sleep 3; echo done", {"sleep 3; echo done", "Enter"}, 3,
         [](const PaneStatus& s) {
             return is(s, PaneState::finished) && s.program == "sleep" && s.duration && *s.duration >= 2800ms &&
                    *s.duration <= 3600ms;
         }},
        {"read -p", {"read -p 'Continue? ' answer", "Enter"}, 0, state(PaneState::waitingForInput)},
        {"read -p in bash", {"exec bash --norc --noprofile", "Enter", "read -p 'Continue? ' answer", "Enter"}, 0.5,
         state(PaneState::waitingForInput)},
        {"bash at its prompt", {"exec bash --norc --noprofile", "Enter"}, 0.5, state(PaneState::idle)},
        {"python3 at its prompt", {"python3 -q", "Enter"}, 0,
         [](const PaneStatus& s) { return is(s, PaneState::waitingForInput) && text::startsWith(s.program, "python"); }},
        {"less on a file", {"less " + file, "Enter"}, 0,
         [](const PaneStatus& s) { return is(s, PaneState::waitingForInput) && s.program == "less"; }},
        {"cat on stdin", {"cat", "Enter"}, 0,
         [](const PaneStatus& s) { return is(s, PaneState::waitingForInput) && s.program == "cat"; }},
        {"a loop printing every 0.1 s", {"while true; do echo tick; sleep 0.1; done", "Enter"}, 0,
         state(PaneState::running)},
        {"prints then goes silent", {"echo one; echo two; sleep 600", "Enter"}, 0,
         [](const PaneStatus& s) { return is(s, PaneState::quiet) && s.program == "sleep"; }},
        {"a bell", {"printf '\\a'", "Enter"}, 0,
         [](const PaneStatus& s) { return is(s, PaneState::idle) && s.bellAt; }},
        {"exit status 3", {}, 0,
         [](const PaneStatus& s) { return is(s, PaneState::exited) && s.exitStatus == 3 && s.exitedWithError(); },
         "sh -c 'echo bye; exit 3'"},
        // The command line is typed but not run: its echo is not a program waiting.
        {"a typed command line", {"cat"}, 0, state(PaneState::idle)},
        {"a silent program runs", {"sleep 600", "Enter"}, 0, state(PaneState::running)},
    };
}

class PaneStates : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        L10n::setLanguage(AppLanguage::en);
        if (GetParam()) {
            if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
            ssh.emplace(sandbox.tmpDir());
        }
        std::ofstream(file) << std::string(3000, 'x') << "\n";
    }

    TmuxClient clientFor(const std::string& server) const {
        TmuxClient client = sandbox.client(server);
        if (GetParam()) {
            client.host = SshSandbox::good;
            client.timeout = 20s;
        }
        return client;
    }

    TmuxSandbox sandbox;
    std::optional<SshSandbox> ssh;
    std::string file = sandbox.tmpDir() + "/lines.txt";
};

// The product's limit holds in the ordinary build; a sanitized one runs everything slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLON_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILLON_TEST_SANITIZED 1
#endif
#endif
#ifdef QUILLON_TEST_SANITIZED
constexpr double withinSeconds = 6.0;
#else
constexpr double withinSeconds = 3.0;
#endif

// Each scenario is right within 3 s of its event and stays right for 10 s after.
TEST_P(PaneStates, RealProgramsAreClassifiedWithin3sAndStaySo) {
    const auto server = TmuxSandbox::uniqueName("states");
    const auto all = scenarios(file);
    sandbox.newSession(server, "work");
    sandbox.tmux(server, {"set-option", "-g", "remain-on-exit", "on"});
    std::vector<std::string> paneIds;
    for (const auto& scenario : all) {
        std::vector<std::string> args{"new-window", "-d", "-t", "work:", "-P", "-F", "#{pane_id}"};
        if (!scenario.window.empty()) args.push_back(scenario.window);
        paneIds.emplace_back(text::trim(sandbox.tmux(server, args)));
    }
    std::this_thread::sleep_for(500ms);  // every shell at its prompt
    PaneStateSampler sampler(clientFor(server), {2000ms, 2000ms});
    ASSERT_EQ(sampler.readAll().error, std::nullopt);
    const auto typed = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < all.size(); ++i)
        for (const auto& key : all[i].keys)
            sandbox.tmux(server, key == "Enter" ? std::vector<std::string>{"send-keys", "-t", paneIds[i], "Enter"}
                                                : std::vector<std::string>{"send-keys", "-t", paneIds[i], "-l", key});

    std::map<std::string, std::vector<std::pair<double, PaneStatus>>> seen;
    const auto until = typed + std::chrono::duration_cast<std::chrono::milliseconds>(Seconds(withinSeconds + 14));
    while (std::chrono::steady_clock::now() < until) {
        const auto step = sampler.step();
        ASSERT_EQ(step.error, std::nullopt);
        const double t = Seconds(std::chrono::steady_clock::now() - typed).count();
        for (const auto& status : sampler.tracker().statuses()) seen[status.paneId].emplace_back(t, status);
        std::this_thread::sleep_for(50ms);
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(all[i].name);
        const auto& history = seen[paneIds[i]];
        std::optional<double> right;
        std::string trail;
        std::optional<PaneStatus> last;
        for (const auto& [t, status] : history) {
            if (status != last)
                trail += std::to_string(t).substr(0, 5) + " " + std::string(toRaw(status.state)) + " " + status.program + "\n";
            last = status;
            if (!right && t >= all[i].eventAt && all[i].correct(status)) right = t;
            if (right && t <= *right + 10 && !all[i].correct(status)) {
                ADD_FAILURE() << "wrong again at " << t << " s";
                break;
            }
        }
        if (std::getenv("QUILLON_TRAIL")) std::cerr << all[i].name << "\n" << trail;
        ASSERT_TRUE(right) << trail;
        EXPECT_LE(*right - all[i].eventAt, withinSeconds) << trail;
        EXPECT_GE(history.back().first, *right + 10) << trail;
    }
}

INSTANTIATE_TEST_SUITE_P(ThisMachineAndAnother, PaneStates, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Remote" : "Local"; });

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// The same socket name here and on another machine, the same pane ids on both: each
// sampler reads its own server only.
TEST(PaneStatesAcrossServers, SameNameAndIdsLocallyAndRemotelyStayApart) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    L10n::setLanguage(AppLanguage::en);
    TmuxSandbox sandbox;
    testing::TempDir farDirectory("quillon-far");
    SshSandbox ssh(farDirectory.str());
    const auto name = TmuxSandbox::uniqueName("same");
    sandbox.newSession(name, "work");
    TmuxClient far = sandbox.client(name);
    far.host = SshSandbox::good;
    far.timeout = 20s;
    // A plain sh, as the sandbox's own servers have: the user's rc files may keep a shell busy.
    far.run({"-f", "/dev/null", "new-session", "-d", "-s", "work", "sh"});
    struct StopFar {
        TmuxClient client;
        ~StopFar() {
            try { client.run({"kill-server"}); } catch (...) {}
        }
    } stopFar{far};

    sandbox.tmux(name, {"send-keys", "-t", "%0", "cat", "Enter"});
    PaneStateSampler here(sandbox.client(name)), there(far);
    EXPECT_NE(here.server(), there.server());
    here.readAll();
    there.readAll();
    const auto stateOf = [](const PaneStateSampler& sampler) {
        const auto status = sampler.tracker().status("%0");
        return status ? std::optional(status->state) : std::nullopt;
    };
    // A loaded machine starts the shells late: wait for both, within a generous limit.
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline &&
           (stateOf(here) != PaneState::waitingForInput || stateOf(there) != PaneState::idle)) {
        std::this_thread::sleep_for(100ms);
        here.step();
        there.step();
    }
    EXPECT_EQ(stateOf(here), PaneState::waitingForInput);
    EXPECT_EQ(stateOf(there), PaneState::idle);
}

// A server that never answers costs one time limit and says so; nothing is invented.
TEST(PaneStatesAcrossServers, AStoppedServerOrAMuteHostCostsOneLimit) {
    L10n::setLanguage(AppLanguage::en);
    TmuxSandbox sandbox;
    const auto name = TmuxSandbox::uniqueName("stopped");
    sandbox.newSession(name, "work");
    TmuxClient client = sandbox.client(name);
    client.timeout = 500ms;
    PaneStateSampler sampler(client);
    ASSERT_EQ(sampler.readAll().error, std::nullopt);
    ASSERT_EQ(sampler.tracker().statuses().size(), 1u);
    sandbox.stopServer(name);
    const auto started = std::chrono::steady_clock::now();
    const auto step = sampler.readAll();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    ASSERT_TRUE(step.error);
    EXPECT_TRUE(text::contains(*step.error, "did not answer")) << *step.error;
    EXPECT_EQ(sampler.tracker().statuses().size(), 1u);  // what was known stays
    sandbox.continueServer(name);

    if (!SshSandbox::available()) return;
    SshSandbox ssh(sandbox.tmpDir());
    TmuxClient mute = sandbox.client(name);
    mute.host = SshSandbox::mute;
    mute.timeout = 1s;
    PaneStateSampler far(mute);
    const auto asked = std::chrono::steady_clock::now();
    const auto answer = far.readAll();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 4s);
    EXPECT_TRUE(answer.error);
    EXPECT_TRUE(far.tracker().statuses().empty());
}

}  // namespace
}  // namespace quillon
