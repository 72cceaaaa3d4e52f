#pragma once
// Where tmux runs when it is not on this machine: another one reached through OpenSSH.
// A run there is one `ssh -T … -- <destination> <word>…` child, each word quoted for the
// remote POSIX shell (ssh joins the words into one line that shell parses again). Every
// run to one destination shares a master connection kept in a private runtime directory,
// so only the first pays the handshake. A master whose peer stops answering ends by itself
// within about 15 s (keep-alives), and one that leaves a run unanswered is stopped at once,
// so the next run connects afresh. The ssh program is QUILLON_SSH when set (a test or a user
// adds -F with a configuration of their own), else `ssh` from PATH.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/l10n.h"
#include "core/process_runner.h"

namespace quillon::SshTransport {

// Why a destination cannot be used (it would read as an ssh option or split into several
// words): a bilingual message, or nothing when it is fine.
std::optional<std::string> destinationProblem(std::string_view destination);

// QUILLON_SSH, else "ssh"; resolved through PATH when it holds no slash. Nothing when no
// such program is found.
std::optional<std::string> sshProgram(const Environment& environment);

// Where master connections live: $XDG_RUNTIME_DIR/quillon, else $TMPDIR/quillon-<uid>, else
// /tmp/quillon-<uid>, the first that ssh can take as written: short enough that a control
// socket in it fits a socket address (ssh first binds "<path>.<16 characters>"), and made
// only of characters ssh's option reader passes unchanged. Created 0700 and refused when
// someone else owns it or others may enter it (it holds live connections).
// Throws std::system_error.
std::string controlDirectory(const Environment& environment, unsigned uid);

// The ControlPath inside a control directory: ssh's hash of host, port and user (%C).
std::string controlPath(const std::string& controlDirectory);

// The full argument vector (argv[0] = program) of one remote run.
std::vector<std::string> commandLine(const std::string& program, const std::string& controlDirectory,
                                     const std::string& destination, const std::vector<std::string>& remoteWords);

// Runs the words on the destination with the process environment's ssh and control
// directory, stdin from /dev/null, bounded by the timeout. When the run times out and the
// master connection no longer answers a trivial command either, the master is told to
// exit; a master that still answers (the remote tmux was the slow one) keeps serving the
// destination's other servers. Throws std::system_error when ssh cannot be started or the
// control directory cannot be made.
ProcessOutput run(const std::string& destination, const std::vector<std::string>& remoteWords,
                  std::chrono::milliseconds timeout);

// The argument vector run() would use (for long-lived children: control mode).
std::vector<std::string> processCommandLine(const std::string& destination,
                                            const std::vector<std::string>& remoteWords);

// The bilingual text of a run to the destination killed at the limit.
std::string timeoutMessage(const std::string& destination, std::chrono::milliseconds timeout);

}  // namespace quillon::SshTransport
