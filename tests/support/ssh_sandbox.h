#pragma once
// A private OpenSSH server for tests, on 127.0.0.1 only: sshd on a free port, run as the
// current user with a temporary host key, authorized key and configuration of its own,
// reached through QUILLON_SSH (set for the sandbox's lifetime) naming a wrapper that passes
// -F with the tests' own client configuration. Master connections live in a private
// XDG_RUNTIME_DIR. The system's ssh service and the user's ssh files are never touched.
//
// Host aliases of that configuration: `good` (the right key; the remote side's
// TMUX_TMPDIR is the given directory), `second` (the same on a second port, so a host of
// its own with its own connection), `wrongKey` (a key sshd does not know), `refusing`
// (a closed port) and `mute` (a listening socket that never says a word).

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "core/process_runner.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {

class SshSandbox {
public:
    // remoteTmuxTmpDir: the TMUX_TMPDIR tmux sees on the "remote" side.
    explicit SshSandbox(const std::string& remoteTmuxTmpDir);
    ~SshSandbox();
    SshSandbox(const SshSandbox&) = delete;
    SshSandbox& operator=(const SshSandbox&) = delete;

    // False when no sshd is installed (tests then skip).
    static bool available();

    static constexpr const char* good = "quillon-good";
    static constexpr const char* second = "quillon-second";
    static constexpr const char* wrongKey = "quillon-wrong-key";
    static constexpr const char* refusing = "quillon-refusing";
    static constexpr const char* mute = "quillon-mute";

    std::string wrapperPath() const { return dir_.str() + "/ssh"; }
    std::string runtimeDirectory() const { return dir_.str() + "/run"; }
    // Completed logins so far (sshd's "Accepted publickey" lines): one per handshake.
    int acceptedLogins() const;
    // Closes the master connection of an alias (in the control directory the process
    // environment names now), so the next run handshakes again.
    void closeMaster(const std::string& alias) const;
    // SIGSTOP / SIGCONT to the sshd processes serving connections made so far (sshd's
    // descendants), as if their far end went silent; new connections are still accepted.
    void stopConnections();
    void resumeConnections();

private:
    TempDir dir_;
    int port_ = 0, secondPort_ = 0;
    UniqueFd muteListener_;
    UniqueFd refusingHolder_;
    ChildProcess sshd_;
    std::vector<pid_t> stopped_;
    std::optional<ScopedEnv> sshEnv_;
    std::optional<ScopedEnv> runtimeEnv_;
};

}  // namespace quillon::testing
