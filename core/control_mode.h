#pragma once
// A long-lived `tmux -C … attach-session -t name` child that only listens: tmux pushes one
// line per change, a reader thread forwards the interesting ones, and the end of its
// output is reported once. The object owns the child, its pipes and the reader thread.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/process_runner.h"
#include "core/tmux_client.h"

namespace quillon {

struct ControlNotification {
    enum class Kind { sessionRenamed, windowAdd, windowClose, windowRenamed, sessionsChanged, other };

    Kind kind = Kind::other;
    std::string id;    // windowAdd, windowClose, windowRenamed
    std::string name;  // sessionRenamed, windowRenamed

    bool operator==(const ControlNotification&) const = default;
};

namespace ControlModeParser {

// The line heads the reader forwards, in the order they are tested.
const std::vector<std::string_view>& forwardedHeads();
bool isForwarded(std::string_view line);
// Nothing for a line that is not a "%" notification.
std::optional<ControlNotification> parse(std::string_view line);

}  // namespace ControlModeParser

// Cuts a byte stream into lines: LF ends a line, one trailing CR is dropped, lines that
// are not valid UTF-8 are dropped, a tail without LF waits for more bytes. Each byte is
// looked at once; a line longer than maxLineBytes is skipped whole, so memory stays bounded.
class ControlLineBuffer {
public:
    static constexpr std::size_t maxLineBytes = 1 << 20;

    void append(std::string_view bytes, const std::function<void(const std::string&)>& onLine);
    std::size_t pending() const noexcept { return buffer_.size(); }

private:
    static bool acceptable(std::string_view line);
    std::string buffer_;     // the current line so far
    bool skipping_ = false;  // inside an over-long line
};

class TmuxControlMode {
public:
    using LineHandler = std::function<void(const std::string& line)>;
    using ExitHandler = std::function<void()>;

    // How the client attaches.
    struct Attachment {
        std::string clientFlags;  // attach-session -f …; empty: none
        // The lines onLine gets; empty: those ControlModeParser forwards.
        std::function<bool(std::string_view line)> wanted;
    };

    TmuxControlMode() = default;
    ~TmuxControlMode() { stop(); }
    TmuxControlMode(const TmuxControlMode&) = delete;
    TmuxControlMode& operator=(const TmuxControlMode&) = delete;

    // Replaces any running client. Both handlers run on the reader thread: onLine for each
    // forwarded line, onExit once when the read loop ends (also after stop()). They must not
    // wait for the thread that calls stop(). Throws std::system_error when tmux cannot start.
    void start(const TmuxClient& client, const std::string& session, LineHandler onLine, ExitHandler onExit,
               Attachment attachment = {});

    // Terminates the child (SIGTERM, SIGKILL when it lingers), reaps it, joins the reader and
    // closes every descriptor. No handler runs after it returns. Safe when nothing runs.
    void stop();

    // Sends tmux command lines, in order. Commands about the client itself (refresh-client)
    // fail with "no current client" until its first %session-changed: send them after that.
    void send(const std::vector<std::string>& commands);

    bool isRunning() const noexcept { return running_; }
    std::optional<pid_t> pid() const noexcept;

    // "-C", the socket arguments, "attach-session", "-t", session, and "-f" clientFlags when given.
    static std::vector<std::string> arguments(const TmuxClient& client, const std::string& session,
                                              const std::string& clientFlags = {});

private:
    static void readLoop(int outFd, int wakeFd, const LineHandler& onLine,
                         const std::function<bool(std::string_view)>& wanted);

    ChildProcess process_;
    UniqueFd stdinWrite_;  // held open: tmux -C ends when its input does
    UniqueFd outRead_;
    Pipe wake_;
    std::thread reader_;
    bool running_ = false;
};

}  // namespace quillon
