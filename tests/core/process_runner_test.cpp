#include "core/process_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

#include "core/text.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

ProcessOutput sh(const std::string& script, std::optional<std::chrono::milliseconds> timeout = std::nullopt) {
    return runProcess("/bin/sh", {"sh", "-c", script}, timeout);
}

bool hasZombieChildren() { return ::waitpid(-1, nullptr, WNOHANG) > 0; }

TEST(ProcessRunner, DrainsBothPipesFloodedAtOnceAndReportsHowTheChildEnded) {
    // 2 MiB on each stream, interleaved: a runner that reads one pipe to its end first stalls.
    auto out = sh("head -c 2097152 /dev/zero | tr '\\0' a & head -c 2097152 /dev/zero | tr '\\0' b >&2; wait");
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.out.size(), 2097152u);
    EXPECT_EQ(out.err.size(), 2097152u);
    EXPECT_EQ(out.out.find_first_not_of('a'), std::string::npos);
    EXPECT_EQ(out.err.find_first_not_of('b'), std::string::npos);
    EXPECT_EQ(sh("exit 3").exitCode, 3);
    EXPECT_EQ(sh("kill -TERM $$").exitCode, 128 + SIGTERM);
}

TEST(ProcessRunner, TheTimeLimitBoundsTheWholeRunAndTheChildIsKilledAndReaped) {
    const struct {
        const char* script;
        std::chrono::milliseconds limit, most;
        bool timedOut;
        const char* out;
    } cases[] = {
        {"echo started; sleep 30", 300ms, 3s, true, "started\n"},
        // Output closed early, the child lingers: the wait for its exit counts too.
        {"exec >&- 2>&-; sleep 3", 100ms, 1500ms, true, ""},
        // Like a daemonising server that forgets to close its output: the child itself ends at once.
        {"(sleep 5 &) ; echo done", 10s, 2s, false, "done\n"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        auto out = sh(c.script, c.limit);
        EXPECT_LT(std::chrono::steady_clock::now() - start, c.most) << c.script;
        EXPECT_EQ(out.timedOut, c.timedOut) << c.script;
        EXPECT_EQ(out.exitCode, c.timedOut ? 128 + SIGKILL : 0) << c.script;
        EXPECT_EQ(out.out, c.out) << c.script;
    }
    EXPECT_FALSE(hasZombieChildren());
}

TEST(ProcessRunner, ChildrenInheritOnlyTheirStandardStreams) {
    Pipe held = Pipe::create();
    UniqueFd inheritable(::dup(held.read.get()));  // even one without close-on-exec stays ours
    auto out = sh("ls /proc/self/fd");
    // 0, 1, 2 and the descriptor ls opens to read the directory.
    EXPECT_LE(text::split(text::trim(out.out), "\n", true).size(), 4u) << out.out;
    EXPECT_EQ(sh("cat").out, "");  // stdin is /dev/null: cat ends at once instead of reading ours
}

TEST(ProcessRunner, AProgramThatCannotStartThrowsAndLeavesNoChild) {
    EXPECT_THROW(runProcess("/nonexistent/tmux", {"tmux"}), std::system_error);
    EXPECT_FALSE(hasZombieChildren());
}

TEST(ProcessRunner, ChildProcessDestructorKillsAndReaps) {
    const pid_t pid = ChildProcess::spawn("/bin/sleep", {"sleep", "30"}, {}).pid();
    EXPECT_NE(::kill(pid, 0), 0);  // gone, not a zombie
}

}  // namespace
}  // namespace quillon
