#include "tests/support/tmux_sandbox.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "core/process_runner.h"
#include "core/server_scanner.h"
#include "core/text.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

// Servers started by any sandbox of this process: killed at exit or on a crash too, so a
// failing test never leaves a tmux server behind.
struct ServerRegistry {
    std::mutex lock;
    std::set<pid_t> pids;

    static ServerRegistry& instance() {
        static ServerRegistry* registry = [] {
            auto* r = new ServerRegistry;
            std::atexit(killAll);
            for (int sig : {SIGABRT, SIGSEGV, SIGTERM, SIGINT, SIGBUS}) ::signal(sig, onFatal);
            return r;
        }();
        return *registry;
    }
    static void stop(pid_t pid) {
        ::kill(pid, SIGCONT);
        ::kill(pid, SIGKILL);
    }
    // No lock: at exit or while dying, best effort.
    static void killAll() { std::for_each(instance().pids.begin(), instance().pids.end(), stop); }
    static void onFatal(int sig) {
        killAll();
        ::signal(sig, SIG_DFL);
        ::raise(sig);
    }
    void track(pid_t pid, bool running) {
        std::lock_guard guard(lock);
        if (running) pids.insert(pid);
        else pids.erase(pid);
    }
};

// A killed server may linger as a zombie until whoever adopted it reaps it: that is gone too.
bool processAlive(pid_t pid) {
    if (::kill(pid, 0) != 0) return false;
    std::string line;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), line);
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

void setEnv(const std::string& name, const std::optional<std::string>& value) {
    if (value) ::setenv(name.c_str(), value->c_str(), 1);
    else ::unsetenv(name.c_str());
}

void waitGone(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (processAlive(pid) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    ServerRegistry::instance().track(pid, false);
}

}  // namespace

TempDir::TempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    setEnv(name_, value);
}

ScopedEnv::~ScopedEnv() { setEnv(name_, old_); }

void makeDeadSocket(const std::string& path) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot bind " + path);
}

TmuxSandbox::TmuxSandbox()
    : dir_("quillon-tmux"), tmpdirEnv_("TMUX_TMPDIR", dir_.str()), shellEnv_("SHELL", "/bin/sh"),
      tmuxEnv_("TMUX", std::nullopt) {
    ServerRegistry::instance();
}

TmuxSandbox::~TmuxSandbox() {
    // Servers the code under test started on its own live in our directory too, also on
    // the socket of one a test killed (a restore starts it again).
    for (const auto& socket : TmuxServerScanner::socketPaths(socketDirectory())) {
        const std::string name = std::filesystem::path(socket).filename();
        if (knownPid(name)) continue;
        if (auto pid = serverPid(name)) pids_[name] = *pid;
    }
    for (const auto& [server, pid] : pids_) {
        ServerRegistry::stop(pid);
        waitGone(pid);
    }
}

std::optional<pid_t> TmuxSandbox::knownPid(const std::string& server) const {
    auto it = pids_.find(server);
    if (it == pids_.end() || !processAlive(it->second)) return std::nullopt;
    return it->second;
}

pid_t TmuxSandbox::runningPid(const std::string& server) const {
    if (auto pid = knownPid(server)) return *pid;
    throw std::runtime_error("no server " + server);
}

std::string TmuxSandbox::socketDirectory() const { return dir_.str() + "/tmux-" + std::to_string(::getuid()); }

std::string TmuxSandbox::tmuxPath() {
    static const std::string path = TmuxClient::detect().value_or(TmuxClient("/tmux/is/not/installed")).binaryPath;
    return path;
}

std::string TmuxSandbox::uniqueName(const std::string& prefix) {
    static std::atomic<int> counter{0};
    return prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

std::string TmuxSandbox::tmux(const std::string& server, const std::vector<std::string>& args) const {
    std::vector<std::string> argv{tmuxPath(), "-L", server, "-f", "/dev/null"};
    argv.insert(argv.end(), args.begin(), args.end());
    auto output = runProcess(tmuxPath(), argv, 10s);
    if (output.exitCode != 0 || output.timedOut)
        throw std::runtime_error("tmux " + text::join(args, " ") + ": " + std::string(text::trim(output.err)));
    return output.out;
}

std::string TmuxSandbox::newSession(const std::string& server, const std::string& session,
                                    const std::optional<std::string>& directory,
                                    const std::optional<std::string>& firstWindowName) {
    std::vector<std::string> args{"new-session", "-d", "-s", session, "-x", "120", "-y", "40", "-P", "-F", "#{session_id}"};
    // The test's own working directory may lie in a repository (a build tree in a checkout).
    args.insert(args.end(), {"-c", directory.value_or(dir_.str())});
    if (firstWindowName) args.insert(args.end(), {"-n", *firstWindowName});
    const std::string id(text::trim(tmux(server, args)));
    if (auto pid = knownPid(server) ? std::nullopt : serverPid(server)) {
        pids_[server] = *pid;
        ServerRegistry::instance().track(*pid, true);
    }
    return id;
}

int TmuxSandbox::newWindow(const std::string& server, const std::string& session, const std::string& name,
                           const std::optional<std::string>& directory) {
    std::vector<std::string> args{"new-window", "-t", session + ":", "-n", name, "-P", "-F", "#{window_index}"};
    if (directory) args.insert(args.end(), {"-c", *directory});
    return std::stoi(std::string(text::trim(tmux(server, args))));
}

void TmuxSandbox::splitWindow(const std::string& server, const std::string& target,
                              const std::optional<std::string>& directory) {
    std::vector<std::string> args{"split-window", "-d", "-t", target};
    if (directory) args.insert(args.end(), {"-c", *directory});
    tmux(server, args);
}

std::optional<pid_t> TmuxSandbox::serverPid(const std::string& server) const {
    // Short limit: a stopped server never answers.
    auto output = runProcess(tmuxPath(), {tmuxPath(), "-L", server, "display-message", "-p", "#{pid}"}, 2s);
    auto pid = output.exitCode == 0 && !output.timedOut ? text::parseInt(text::trim(output.out)) : std::nullopt;
    return pid ? std::optional<pid_t>(static_cast<pid_t>(*pid)) : std::nullopt;
}

void TmuxSandbox::killServerHard(const std::string& server) {
    const pid_t pid = runningPid(server);
    ::kill(pid, SIGKILL);
    waitGone(pid);
}

void TmuxSandbox::stopServer(const std::string& server) { ::kill(runningPid(server), SIGSTOP); }

void TmuxSandbox::continueServer(const std::string& server) {
    if (auto pid = knownPid(server)) ::kill(*pid, SIGCONT);
}

void TmuxSandbox::killServer(const std::string& server) {
    const auto pid = knownPid(server);
    runProcess(tmuxPath(), {tmuxPath(), "-L", server, "kill-server"}, 10s);
    if (pid) waitGone(*pid);
}

}  // namespace quillon::testing
