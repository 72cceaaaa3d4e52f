#include "core/control_mode.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "core/ssh_transport.h"
#include "core/text.h"
#include "core/tmux_target.h"

namespace quillon {

namespace ControlModeParser {

const std::vector<std::string_view>& forwardedHeads() {
    static const std::vector<std::string_view> heads = {
        "%sessions-changed",     "%session-renamed",       "%session-changed", "%session-window-changed",
        "%window-add",           "%window-close",          "%window-renamed",  "%unlinked-window-add",
        "%unlinked-window-close", "%layout-change",        "%window-pane-changed",
    };
    return heads;
}

bool isForwarded(std::string_view line) {
    if (!text::startsWith(line, "%")) return false;
    for (std::string_view head : forwardedHeads())
        if (text::startsWith(line, head)) return true;
    return false;
}

namespace {

// What follows word (a piece of line) and the one blank after it, verbatim: a name keeps
// every blank it has, also leading and repeated ones.
std::string restAfter(std::string_view line, std::string_view word) {
    const std::size_t from = static_cast<std::size_t>(word.data() - line.data()) + word.size() + 1;
    return from < line.size() ? std::string(line.substr(from)) : std::string();
}

}  // namespace

std::optional<ControlNotification> parse(std::string_view line) {
    using Kind = ControlNotification::Kind;
    if (!text::startsWith(line, "%")) return std::nullopt;
    const std::vector<std::string_view> pieces = text::split(line, " ", true);
    if (pieces.empty()) return std::nullopt;

    const std::string_view head = pieces.front();
    const auto args = pieces.begin() + 1;
    // A window notification without its window says only that something changed.
    if (args == pieces.end() && head != "%sessions-changed" && head != "%session-renamed")
        return ControlNotification{Kind::other, {}, {}};
    const std::string firstId = args != pieces.end() ? std::string(*args) : std::string();

    if (head == "%sessions-changed") return ControlNotification{Kind::sessionsChanged, {}, {}};
    if (head == "%session-renamed") {
        // tmux sends the session id before the name; older servers sent the name alone.
        const bool withId = args != pieces.end() && text::startsWith(*args, "$");
        return ControlNotification{Kind::sessionRenamed, {}, restAfter(line, withId ? *args : head)};
    }
    if (head == "%window-add" || head == "%unlinked-window-add") return ControlNotification{Kind::windowAdd, firstId, {}};
    if (head == "%window-close" || head == "%unlinked-window-close")
        return ControlNotification{Kind::windowClose, firstId, {}};
    if (head == "%window-renamed") {
        return ControlNotification{Kind::windowRenamed, firstId, args != pieces.end() ? restAfter(line, *args) : ""};
    }
    return ControlNotification{Kind::other, {}, {}};
}

}  // namespace ControlModeParser

bool ControlLineBuffer::acceptable(std::string_view line) { return text::isValidUtf8(line); }

void ControlLineBuffer::append(std::string_view bytes, const std::function<void(const std::string&)>& onLine) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        // An over-long line is dropped as it arrives, and so is the rest of it.
        if (!skipping_ && buffer_.size() + piece.size() > maxLineBytes) {
            skipping_ = true;
            buffer_.clear();
            buffer_.shrink_to_fit();
        }
        if (!skipping_) buffer_.append(piece);
        if (end == std::string_view::npos) return;
        bytes.remove_prefix(end + 1);
        if (!skipping_) {
            std::string_view line(buffer_);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (acceptable(line)) onLine(std::string(line));
        }
        buffer_.clear();
        skipping_ = false;
    }
}

std::vector<std::string> TmuxControlMode::arguments(const TmuxClient& client, const std::string& session,
                                                    const std::string& clientFlags) {
    std::vector<std::string> args{"-u", "-C"};
    args.insert(args.end(), client.socketArgs.begin(), client.socketArgs.end());
    args.insert(args.end(), {"attach-session", "-t", exactTarget(session)});
    if (!clientFlags.empty()) args.insert(args.end(), {"-f", clientFlags});
    return args;
}

namespace {

// Small command lines into an empty pipe: the whole text fits its buffer.
void sendTo(int fd, const std::vector<std::string>& commands) {
    std::string text;
    for (const std::string& command : commands) text.append(command).push_back('\n');
    std::string_view rest(text);
    while (!rest.empty()) {
        const ssize_t count = write(fd, rest.data(), rest.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;  // tmux already left: its end is reported as usual
        rest.remove_prefix(static_cast<std::size_t>(count));
    }
}

}  // namespace

void TmuxControlMode::send(const std::vector<std::string>& commands) {
    if (running_) sendTo(stdinWrite_.get(), commands);
}

std::optional<pid_t> TmuxControlMode::pid() const noexcept {
    if (!process_.running()) return std::nullopt;
    return process_.pid();
}

void TmuxControlMode::start(const TmuxClient& client, const std::string& session, LineHandler onLine,
                            ExitHandler onExit, Attachment attachment) {
    stop();
    std::vector<std::string> argv{client.host ? std::string("tmux") : client.binaryPath};
    for (std::string& arg : arguments(client, session, attachment.clientFlags)) argv.push_back(std::move(arg));
    // A remote server's control client is the same tmux behind `ssh -T`.
    if (client.host) argv = SshTransport::processCommandLine(*client.host, argv);

    Pipe input = Pipe::create();
    Pipe output = Pipe::create();
    Pipe wake = Pipe::create();
    // Standard error goes nowhere: a pipe nobody reads could fill up and stall tmux.
    ChildProcess child = ChildProcess::spawn(argv.front(), argv, {input.read.get(), output.write.get(), -1});

    process_ = std::move(child);
    stdinWrite_ = std::move(input.write);
    outRead_ = std::move(output.read);
    wake_ = std::move(wake);
    running_ = true;
    try {
        reader_ = std::thread([outFd = outRead_.get(), wakeFd = wake_.read.get(), onLine = std::move(onLine),
                               onExit = std::move(onExit), wanted = std::move(attachment.wanted)] {
            readLoop(outFd, wakeFd, onLine, wanted);
            if (onExit) onExit();
        });
    } catch (...) {
        stop();
        throw;
    }
}

void TmuxControlMode::readLoop(int outFd, int wakeFd, const LineHandler& onLine,
                               const std::function<bool(std::string_view)>& wanted) {
    ControlLineBuffer lines;
    char block[4096];
    pollfd fds[2] = {{outFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents == 0) continue;
        const ssize_t count = read(outFd, block, sizeof block);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;
        lines.append(std::string_view(block, static_cast<std::size_t>(count)), [&](const std::string& line) {
            if (onLine && (wanted ? wanted(line) : ControlModeParser::isForwarded(line))) onLine(line);
        });
    }
}

void TmuxControlMode::stop() {
    if (process_.running()) {
        stdinWrite_.reset();  // tmux -C also leaves when its input ends
        process_.signal(SIGTERM);
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(1000);
        while (!process_.tryWait() && steady_clock::now() < deadline) std::this_thread::sleep_for(milliseconds(2));
        if (process_.running()) process_.kill();
    }
    if (wake_.write) {
        const char byte = 1;
        [[maybe_unused]] ssize_t ignored = write(wake_.write.get(), &byte, 1);
    }
    if (reader_.joinable()) reader_.join();
    stdinWrite_.reset();
    outRead_.reset();
    wake_ = Pipe{};
    process_ = ChildProcess{};
    running_ = false;
}

}  // namespace quillon
