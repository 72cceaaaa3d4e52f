#pragma once
// Control-mode clients in tests: waiting until they are really attached (tmux 3.3 can crash its
// server when a window changes while a control client is still between connecting and attaching,
// so tests that act right after starting one wait here first), and checking that a stopped one
// left no process behind.

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {

inline int attachedControlClients(const TmuxSandbox& sandbox, const std::string& server) {
    try {
        const auto flags = text::split(sandbox.tmux(server, {"list-clients", "-F", "#{client_control_mode}"}), "\n", true);
        return static_cast<int>(std::count(flags.begin(), flags.end(), "1"));
    } catch (const std::exception&) {
        return 0;
    }
}

inline bool waitForControlClients(const TmuxSandbox& sandbox, const std::string& server, int count,
                                  std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (attachedControlClients(sandbox, server) != count) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Gone for good: neither running nor left as our zombie.
inline bool processGone(pid_t pid) {
    if (::kill(pid, 0) == 0) return false;
    return errno == ESRCH && ::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

}  // namespace quillon::testing
