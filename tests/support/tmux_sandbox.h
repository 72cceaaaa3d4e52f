#pragma once
// Private tmux servers for tests. A sandbox owns a temporary TMUX_TMPDIR (set for this process
// while it lives), starts named servers in it (-L name, -f /dev/null, sh as shell) and kills every
// server in it when it goes away, also when a test fails or aborts. Never the user's default server.

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/tmux_client.h"

namespace quillon::testing {

// A fresh directory under /tmp, removed with everything in it.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "quillon-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const noexcept { return path_; }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the scope (nothing unsets it), restoring the old value after.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A socket file with nothing behind it, like one left by a crashed server.
void makeDeadSocket(const std::string& path);

class TmuxSandbox {
public:
    TmuxSandbox();
    ~TmuxSandbox();
    TmuxSandbox(const TmuxSandbox&) = delete;
    TmuxSandbox& operator=(const TmuxSandbox&) = delete;

    // The TMUX_TMPDIR of this sandbox and tmux's socket directory inside it.
    std::string tmpDir() const { return dir_.str(); }
    std::string socketDirectory() const;
    std::string socketPath(const std::string& server) const { return socketDirectory() + "/" + server; }
    static std::string tmuxPath();

    // A client addressing the named server (-L server).
    TmuxClient client(const std::string& server) const { return TmuxClient(tmuxPath(), {"-L", server}); }
    // A name unique in this process, for servers and sessions.
    static std::string uniqueName(const std::string& prefix);

    // tmux -L server -f /dev/null args…; throws std::runtime_error with tmux's text on failure.
    std::string tmux(const std::string& server, const std::vector<std::string>& args) const;

    // Creates a detached session (starting the server when none runs); returns its id ("$0").
    // Without a directory it starts in tmpDir(), outside any repository.
    std::string newSession(const std::string& server, const std::string& session,
                           const std::optional<std::string>& directory = std::nullopt,
                           const std::optional<std::string>& firstWindowName = std::nullopt);
    // Returns the new window's index.
    int newWindow(const std::string& server, const std::string& session, const std::string& name,
                  const std::optional<std::string>& directory = std::nullopt);
    void splitWindow(const std::string& server, const std::string& target,
                     const std::optional<std::string>& directory = std::nullopt);

    // Asks the running server; nothing when it does not answer.
    std::optional<pid_t> serverPid(const std::string& server) const;
    // kill-server, or SIGKILL (its socket file stays behind); both wait until the process is gone.
    void killServer(const std::string& server);
    void killServerHard(const std::string& server);
    // SIGSTOP / SIGCONT.
    void stopServer(const std::string& server);
    void continueServer(const std::string& server);

private:
    std::optional<pid_t> knownPid(const std::string& server) const;
    pid_t runningPid(const std::string& server) const;  // throws when it is not running
    TempDir dir_;
    ScopedEnv tmpdirEnv_;
    ScopedEnv shellEnv_;
    ScopedEnv tmuxEnv_;
    std::map<std::string, pid_t> pids_;  // servers this sandbox started
};

}  // namespace quillon::testing
