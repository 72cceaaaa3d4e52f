#pragma once
// The one way core starts short-lived children: posix_spawn with close-on-exec pipes,
// both output pipes drained together with poll, an optional deadline after which the
// child is killed and reaped. Nothing leaks: every descriptor and child is owned.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    int release() noexcept;
    void reset(int fd = -1) noexcept;

private:
    int fd_ = -1;
};

struct Pipe {
    UniqueFd read;
    UniqueFd write;
    // Both ends close-on-exec. Throws std::system_error.
    static Pipe create();
};

// Owns a started child: the destructor kills (SIGKILL) and reaps it unless it was waited for.
class ChildProcess {
public:
    struct Stdio {
        int in = -1;   // -1: /dev/null
        int out = -1;  // -1: /dev/null
        int err = -1;  // -1: /dev/null
    };
    // argv[0] is the program name as the child sees it. Throws std::system_error when the
    // program cannot be started (ENOENT, EACCES, …).
    static ChildProcess spawn(const std::string& path, const std::vector<std::string>& argv, Stdio stdio);

    ChildProcess() noexcept = default;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const noexcept { return pid_; }
    bool running() const noexcept { return pid_ > 0; }
    void signal(int signo) const noexcept;
    // Blocks until the child ends; returns the exit code (128 + signal when killed).
    int wait();
    // The exit code when the child has ended, else nothing. Never blocks.
    std::optional<int> tryWait();
    // SIGKILL and reap; returns the exit code.
    int kill();

private:
    explicit ChildProcess(pid_t pid) noexcept : pid_(pid) {}
    pid_t pid_ = -1;
};

struct ProcessOutput {
    std::string out;
    std::string err;
    int exitCode = 0;
    bool timedOut = false;
};

// Runs path with argv (argv[0] included), stdin from /dev/null, both outputs captured.
// Past the timeout the child is killed and reaped and timedOut is set.
// Throws std::system_error when the program cannot be started.
ProcessOutput runProcess(const std::string& path, const std::vector<std::string>& argv,
                         std::optional<std::chrono::milliseconds> timeout = std::nullopt);

// A closed pipe must never kill us: both programs call this first.
void ignoreSigpipe();

}  // namespace quillon
