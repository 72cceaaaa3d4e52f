#pragma once
// The only way the system talks to tmux: one short-lived tmux process per operation,
// run with an argument vector (no shell), bounded by a time limit. With a host the same
// run happens on another machine through OpenSSH (core/ssh_transport.h).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/tmux_model.h"

namespace quillon {

class TmuxClient {
public:
    // The raw outcome of one run.
    struct Invocation {
        std::string standardOutput;  // untrimmed; ill-formed UTF-8 replaced with U+FFFD
        std::string standardError;   // trimmed; likewise
        std::int32_t exitCode = 0;
        bool timedOut = false;  // killed at the time limit

        // tmux's texts for "nothing listens on this socket": "no server running", or
        // "error connecting to" a missing socket or one that refuses.
        bool isNoServer() const;
    };

    static constexpr std::chrono::milliseconds defaultTimeout{10'000};
    // U+001F, the field separator of every -F format.
    static const std::string sep;

    std::string binaryPath;
    std::vector<std::string> socketArgs;
    // A tmux that never answers (a stopped server) is killed after this long.
    std::chrono::milliseconds timeout = defaultTimeout;
    // An ssh destination: tmux then runs there ("tmux" from that machine's PATH).
    std::optional<std::string> host;

    TmuxClient(std::string binaryPath, std::vector<std::string> socketArgs = {})
        : binaryPath(std::move(binaryPath)), socketArgs(std::move(socketArgs)) {}

    // /opt/homebrew/bin, /usr/local/bin, /usr/bin, then PATH; nothing when absent.
    static std::optional<TmuxClient> detect();
    static std::optional<TmuxClient> detect(const std::optional<std::string>& pathVariable);
    // The candidate paths detect() tries, in order.
    static std::vector<std::string> candidatePaths(const std::optional<std::string>& pathVariable);

    // One run of binaryPath -u socketArgs… args… (on the host: ssh … tmux -u …). Throws
    // TmuxError::commandFailed only when tmux (or ssh) cannot be started.
    Invocation invoke(const std::vector<std::string>& args) const;
    // invoke + mapping: stdout on success, "" when no server answers, else throws
    // TmuxError::commandFailed (tmux's text, the exit text, or the time-limit text).
    std::string run(const std::vector<std::string>& args) const;

    // The bilingual text of a run killed at the limit.
    std::string timeoutMessage() const;

    // ---- Queries and commands ----
    // Targets are tmux ids ("$3", "@7", "%12", "$3:1.0"), as the app passes for every object
    // the user picked, or readable targets ("dev", "dev:1", "dev:1.0") whose session part is
    // a name; each reaches tmux in its exact form (exactTarget), so no other session is ever
    // addressed by prefix. A name that looks like an id goes through resolveTarget first.
    // The whole server in one tmux run, here or on another machine.
    std::vector<TmuxSession> snapshot() const;
    // Sessions, and, when clients' records follow, attached only where a client that is not
    // in control mode is.
    static std::vector<TmuxSession> parseSessions(const std::string& output);
    static std::vector<std::pair<std::string, TmuxWindow>> parseWindows(const std::string& output);
    static std::vector<std::tuple<std::string, std::int64_t, TmuxPane>> parsePanes(const std::string& output);
    // The snapshot's assembly step, exposed for tests and benchmarks.
    static std::vector<TmuxSession> assemble(std::vector<TmuxSession> sessions,
                                             std::vector<std::pair<std::string, TmuxWindow>> windows,
                                             std::vector<std::tuple<std::string, std::int64_t, TmuxPane>> panes);
    static const std::string& sessionsFormat();
    // The clients' records that may follow the sessions' in parseSessions' input.
    static const std::string& clientsFormat();
    // list-sessions, then list-clients in the same run: what parseSessions reads, so that
    // control-mode clients are not counted as attached.
    static const std::vector<std::string>& sessionListArguments();
    // One run of sessionListArguments(); a server without sessions answers empty, not failed.
    Invocation listSessions() const;
    static const std::string& windowsFormat();
    static const std::string& panesFormat();

    // A readable target typed by a person or an agent ("dev", "$0:1.0", "=x:0.0"), its
    // session part read as a name only, turned into one on that session's id ("$4",
    // "$4:1.0") from a fresh session list, by exact comparison. Without a server the exact
    // form is returned, so a query reads as empty; "window.pane" passes unchanged. Throws
    // TmuxError::commandFailed with tmux's "can't find session: <name>" when no session has
    // the name.
    std::string resolveTarget(const std::string& target) const;

    std::string capturePane(const std::string& target, std::int64_t lines) const;
    // The whole history; unlike run(), a server that does not answer is a failure (tmux's
    // text), so an export never takes it for an empty pane.
    std::string captureScrollback(const std::string& target) const;
    // Never fails: the server's prefix, else ~/.tmux.conf's, else "C-b".
    std::string currentPrefix() const;
    static std::string prefixFromConfig(const std::string& configText);
    std::string version() const;
    std::optional<std::string> displayMessage(const std::string& target, const std::string& format) const;
    // Both return the id ("@4") of the window they created.
    std::string newSession(const std::string& name, const std::optional<std::string>& directory = std::nullopt) const;
    void killSession(const std::string& name) const;
    void renameSession(const std::string& oldName, const std::string& newName) const;
    std::string newWindow(const std::string& session, const std::string& name,
                          const std::optional<std::string>& directory = std::nullopt) const;
    void renameWindow(const std::string& target, const std::string& newName) const;
    void killWindow(const std::string& target) const;
    void killPane(const std::string& target) const;
    void swapPane(const std::string& target, const std::string& direction) const;
    void sendKeys(const std::string& target, const std::string& keys, bool enter) const;
    void reloadConfig() const;

private:
    // run()'s mapping of an outcome; with noServerIsEmpty false, "no server" throws too.
    std::string outputOf(Invocation invocation, bool noServerIsEmpty) const;
};

}  // namespace quillon
