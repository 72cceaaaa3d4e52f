#include "core/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace quillon {
namespace {

[[noreturn]] void throwErrno(int error, const std::string& what) { throw std::system_error(error, std::generic_category(), what); }

int exitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Waits for pid, retrying on EINTR; returns the exit code.
int reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return exitCodeOf(status);
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int UniqueFd::release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset(int fd) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

Pipe Pipe::create() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throwErrno(errno, "pipe");
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

ChildProcess ChildProcess::spawn(const std::string& path, const std::vector<std::string>& argv, Stdio stdio) {
    std::vector<char*> cargv;
    cargv.reserve(argv.size() + 1);
    for (const auto& arg : argv) cargv.push_back(const_cast<char*>(arg.c_str()));
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the copy; every other descriptor of ours stays closed.
    const int targets[3] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    const int sources[3] = {stdio.in, stdio.out, stdio.err};
    for (int i = 0; i < 3; ++i) {
        if (sources[i] >= 0)
            posix_spawn_file_actions_adddup2(&actions, sources[i], targets[i]);
        else
            posix_spawn_file_actions_addopen(&actions, targets[i], "/dev/null", i == 0 ? O_RDONLY : O_WRONLY, 0);
    }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors someone else left inheritable (our own parent's) stay out of the child too.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child starts with default signal handling, whatever we ignore (SIGPIPE).
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) throwErrno(error, path);
    return ChildProcess(pid);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (running()) kill();
        pid_ = other.pid_;
        other.pid_ = -1;
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    if (running()) kill();
}

void ChildProcess::signal(int signo) const noexcept {
    if (running()) ::kill(pid_, signo);
}

int ChildProcess::wait() {
    if (!running()) return -1;
    const int code = reap(pid_);
    pid_ = -1;
    return code;
}

std::optional<int> ChildProcess::tryWait() {
    if (!running()) return std::nullopt;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return std::nullopt;
    pid_ = -1;
    return done < 0 ? -1 : exitCodeOf(status);
}

int ChildProcess::kill() {
    if (!running()) return -1;
    ::kill(pid_, SIGKILL);
    return wait();
}

namespace {

// Reads both pipes to EOF. Stops early at the deadline, or shortly after the child itself
// ended while a descendant (a daemonising server) still holds a pipe open.
struct PipeDrain {
    using SteadyClock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds slice{100};
    static constexpr std::chrono::milliseconds grace{200};

    ChildProcess& child;
    std::optional<SteadyClock::time_point> deadline;
    std::optional<int> exitCode;

    void run(int outFd, int errFd, ProcessOutput& result) {
        pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        std::optional<SteadyClock::time_point> graceEnd;
        char buffer[65536];
        int open = 2;
        while (open > 0) {
            const auto now = SteadyClock::now();
            if (deadline && now >= *deadline && !exitCode) {
                result.timedOut = true;
                return;
            }
            if (graceEnd && now >= *graceEnd) return;
            auto wait = slice;
            if (deadline) wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - now) + std::chrono::milliseconds(1));
            const int ready = ::poll(fds, 2, static_cast<int>(wait.count()));
            if (ready < 0) {
                if (errno == EINTR) continue;
                throwErrno(errno, "poll");
            }
            if (ready == 0) {
                if (!exitCode && (exitCode = child.tryWait())) graceEnd = SteadyClock::now() + grace;
                continue;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) continue;
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    fds[i].fd = -1;  // poll skips negative descriptors
                    --open;
                }
            }
        }
    }
};

// The exit code once the child ends, or nothing at the deadline. A child that closed its
// output is normally a moment from its end: the naps start short.
std::optional<int> waitUntil(ChildProcess& child, PipeDrain::SteadyClock::time_point deadline) {
    auto nap = std::chrono::microseconds(50);
    while (true) {
        if (auto code = child.tryWait()) return code;
        const auto now = PipeDrain::SteadyClock::now();
        if (now >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::min<PipeDrain::SteadyClock::duration>(nap, deadline - now));
        nap = std::min(nap * 2, std::chrono::microseconds(10'000));
    }
}

}  // namespace

ProcessOutput runProcess(const std::string& path, const std::vector<std::string>& argv,
                         std::optional<std::chrono::milliseconds> timeout) {
    Pipe out = Pipe::create();
    Pipe err = Pipe::create();
    ChildProcess child = ChildProcess::spawn(path, argv, {-1, out.write.get(), err.write.get()});
    out.write.reset();
    err.write.reset();

    ProcessOutput result;
    PipeDrain drain{child, timeout ? std::optional(PipeDrain::SteadyClock::now() + *timeout) : std::nullopt, {}};
    drain.run(out.read.get(), err.read.get(), result);
    if (drain.exitCode) result.exitCode = *drain.exitCode;
    else if (result.timedOut) result.exitCode = child.kill();
    else if (!drain.deadline) result.exitCode = child.wait();
    else if (auto code = waitUntil(child, *drain.deadline)) result.exitCode = *code;
    else {
        // Its output closed, the child itself lingers: the limit covers this wait too.
        result.timedOut = true;
        result.exitCode = child.kill();
    }
    return result;
}

void ignoreSigpipe() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace quillon
