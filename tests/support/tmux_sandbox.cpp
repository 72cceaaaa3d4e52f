#include "tests/support/tmux_sandbox.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
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
            std::atexit([] { instance().killAll(); });
            for (int sig : {SIGABRT, SIGSEGV, SIGTERM, SIGINT, SIGBUS}) std::signal(sig, onFatal);
            return r;
        }();
        return *registry;
    }
    static void onFatal(int sig) {
        for (pid_t pid : instance().pids) {  // no lock: best effort while dying
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGKILL);
        }
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
    void add(pid_t pid) {
        std::lock_guard guard(lock);
        pids.insert(pid);
    }
    void erase(pid_t pid) {
        std::lock_guard guard(lock);
        pids.erase(pid);
    }
    void killAll() {
        std::lock_guard guard(lock);
        for (pid_t pid : pids) {
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGKILL);
        }
        pids.clear();
    }
};

// A killed server may linger as a zombie until whoever adopted it reaps it: that is gone too.
bool processAlive(pid_t pid) {
    if (::kill(pid, 0) != 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

void waitGone(pid_t pid) {
    for (auto deadline = std::chrono::steady_clock::now() + 3s; processAlive(pid);) {
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(5ms);
    }
}

std::optional<std::string> getEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

TempDir::TempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), old_(getEnv(name_.c_str())) {
    if (value) ::setenv(name_.c_str(), value->c_str(), 1);
    else ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
    else ::unsetenv(name_.c_str());
}

TmuxSandbox::TmuxSandbox()
    : dir_("quillon-tmux"),
      tmpdirEnv_("TMUX_TMPDIR", dir_.str()),
      shellEnv_("SHELL", "/bin/sh"),
      tmuxEnv_("TMUX", std::nullopt) {
    ServerRegistry::instance();
}

TmuxSandbox::~TmuxSandbox() {
    // Servers the code under test started on its own live in our directory too.
    for (const auto& socket : TmuxServerScanner::socketPaths(socketDirectory())) {
        const std::string name = std::filesystem::path(socket).filename();
        if (pids_.count(name)) continue;
        if (auto pid = serverPid(name)) pids_[name] = *pid;
    }
    for (const auto& [server, pid] : pids_) {
        ::kill(pid, SIGCONT);
        ::kill(pid, SIGKILL);
        waitGone(pid);
        ServerRegistry::instance().erase(pid);
    }
}

std::optional<pid_t> TmuxSandbox::knownPid(const std::string& server) const {
    auto it = pids_.find(server);
    if (it == pids_.end() || !processAlive(it->second)) return std::nullopt;
    return it->second;
}

std::string TmuxSandbox::socketDirectory() const { return dir_.str() + "/tmux-" + std::to_string(::getuid()); }

std::string TmuxSandbox::socketPath(const std::string& server) const { return socketDirectory() + "/" + server; }

std::string TmuxSandbox::tmuxPath() {
    static const std::string path = [] {
        auto client = TmuxClient::detect();
        if (!client) throw std::runtime_error("tmux is not installed");
        return client->binaryPath;
    }();
    return path;
}

TmuxClient TmuxSandbox::client(const std::string& server) const { return TmuxClient(tmuxPath(), {"-L", server}); }

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
    if (!knownPid(server)) {
        if (auto pid = serverPid(server)) {
            pids_[server] = *pid;
            ServerRegistry::instance().add(*pid);
        }
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
    if (output.exitCode != 0 || output.timedOut) return std::nullopt;
    auto pid = text::parseInt(text::trim(output.out));
    if (!pid) return std::nullopt;
    return static_cast<pid_t>(*pid);
}

void TmuxSandbox::killServerHard(const std::string& server) {
    auto pid = knownPid(server);
    if (!pid) throw std::runtime_error("no server " + server);
    ::kill(*pid, SIGKILL);
    waitGone(*pid);
    ServerRegistry::instance().erase(*pid);
}

void TmuxSandbox::stopServer(const std::string& server) {
    auto pid = knownPid(server);
    if (!pid) throw std::runtime_error("no server " + server);
    ::kill(*pid, SIGSTOP);
}

void TmuxSandbox::continueServer(const std::string& server) {
    if (auto pid = knownPid(server)) ::kill(*pid, SIGCONT);
}

void TmuxSandbox::killServer(const std::string& server) {
    auto pid = knownPid(server);
    try {
        tmux(server, {"kill-server"});
    } catch (const std::exception&) {
    }
    if (pid) {
        waitGone(*pid);
        ServerRegistry::instance().erase(*pid);
    }
}

}  // namespace quillon::testing
