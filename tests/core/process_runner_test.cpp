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

bool hasZombieChildren() {
    int status;
    return ::waitpid(-1, &status, WNOHANG) > 0;
}

TEST(ProcessRunner, DrainsBothPipesFloodedAtOnce) {
    // 2 MiB on each stream, interleaved: a runner that reads one pipe to its end first stalls.
    auto out = sh("head -c 2097152 /dev/zero | tr '\\0' a & head -c 2097152 /dev/zero | tr '\\0' b >&2; wait");
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_FALSE(out.timedOut);
    EXPECT_EQ(out.out.size(), 2097152u);
    EXPECT_EQ(out.err.size(), 2097152u);
    EXPECT_EQ(out.out.find_first_not_of('a'), std::string::npos);
    EXPECT_EQ(out.err.find_first_not_of('b'), std::string::npos);
}

TEST(ProcessRunner, ReportsExitCodesAndSignals) {
    EXPECT_EQ(sh("exit 3").exitCode, 3);
    EXPECT_EQ(sh("kill -TERM $$").exitCode, 128 + SIGTERM);
    auto out = sh("printf 'x\\n'; printf 'oops' >&2");
    EXPECT_EQ(out.out, "x\n");
    EXPECT_EQ(out.err, "oops");
}

TEST(ProcessRunner, KillsAndReapsAChildPastItsDeadline) {
    const auto start = std::chrono::steady_clock::now();
    auto out = sh("echo started; sleep 30", 300ms);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(out.timedOut);
    EXPECT_EQ(out.out, "started\n");
    EXPECT_EQ(out.exitCode, 128 + SIGKILL);
    EXPECT_LT(took, 3s);
    EXPECT_FALSE(hasZombieChildren());
}

TEST(ProcessRunner, TheLimitAlsoBoundsTheWaitForExit) {
    // Output closed early, the child lingers: the wait for its exit counts against the limit too.
    const auto start = std::chrono::steady_clock::now();
    auto out = sh("exec >&- 2>&-; sleep 3", 100ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_TRUE(out.timedOut);
    EXPECT_EQ(out.exitCode, 128 + SIGKILL);
    EXPECT_FALSE(hasZombieChildren());
}

TEST(ProcessRunner, DoesNotWaitForADescendantHoldingThePipes) {
    // Like a daemonising server that forgets to close its output: the child itself ends at once.
    const auto start = std::chrono::steady_clock::now();
    auto out = sh("(sleep 5 &) ; echo done", 10s);
    EXPECT_FALSE(out.timedOut);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.out, "done\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(ProcessRunner, ChildrenInheritOnlyTheirStandardStreams) {
    Pipe held = Pipe::create();
    UniqueFd inheritable(::dup(held.read.get()));  // even one without close-on-exec stays ours
    auto out = sh("ls /proc/self/fd");
    auto fds = text::split(text::trim(out.out), "\n", true);
    // 0, 1, 2 and the descriptor ls opens to read the directory.
    EXPECT_LE(fds.size(), 4u) << out.out;
    auto in = sh("cat");  // stdin is /dev/null: cat ends at once instead of reading ours
    EXPECT_EQ(in.out, "");
}

TEST(ProcessRunner, ThrowsWhenTheProgramCannotStart) {
    try {
        runProcess("/nonexistent/tmux", {"tmux"});
        FAIL() << "expected a launch error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
    }
    EXPECT_FALSE(hasZombieChildren());
}

TEST(ProcessRunner, ChildProcessDestructorKillsAndReaps) {
    pid_t pid;
    {
        auto child = ChildProcess::spawn("/bin/sleep", {"sleep", "30"}, {});
        pid = child.pid();
        EXPECT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_NE(::kill(pid, 0), 0);  // gone, not a zombie
}

TEST(ProcessRunner, ASigpipeDoesNotKillUs) {
    ignoreSigpipe();
    Pipe pipe = Pipe::create();
    pipe.read.reset();
    EXPECT_EQ(::write(pipe.write.get(), "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
}

}  // namespace
}  // namespace quillon
