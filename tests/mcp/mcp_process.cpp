#include "tests/mcp/mcp_process.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "core/l10n.h"
#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using Deadline = std::chrono::steady_clock::time_point;

Deadline after(std::chrono::milliseconds timeout) { return std::chrono::steady_clock::now() + timeout; }

bool passed(Deadline deadline) { return std::chrono::steady_clock::now() >= deadline; }

UniqueFd nonBlocking(UniqueFd fd) {
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
    return fd;
}

// Reads what is available; closes the descriptor at end of file.
void drain(UniqueFd& fd, std::string& into) {
    char chunk[65536];
    while (fd) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got > 0)
            into.append(chunk, static_cast<std::size_t>(got));
        else if (got < 0 && errno == EAGAIN)
            return;
        else if (got == 0 || errno != EINTR)
            fd.reset();
    }
}

}  // namespace

McpProcess::McpProcess(const EnvChanges& env, bool inheritRest) {
    ignoreSigpipe();
    Pipe in = Pipe::create(), out = Pipe::create(), err = Pipe::create();
    EnvChanges changes = env;
    if (!inheritRest)
        for (const auto& [name, value] : L10n::processEnvironment()) changes.emplace(name, std::nullopt);
    std::vector<std::unique_ptr<ScopedEnv>> scoped;
    for (const auto& [name, value] : changes) scoped.push_back(std::make_unique<ScopedEnv>(name, value));
    child_ =
        ChildProcess::spawn(QUILLON_MCP_BINARY, {"quillon-mcp"}, {in.read.get(), out.write.get(), err.write.get()});
    in_ = nonBlocking(std::move(in.write));
    out_ = nonBlocking(std::move(out.read));
    err_ = nonBlocking(std::move(err.read));
}

McpProcess::~McpProcess() { finish(); }

bool McpProcess::pump(std::chrono::milliseconds wait) {
    pollfd fds[2] = {{out_.get(), POLLIN, 0}, {err_.get(), POLLIN, 0}};
    if (::poll(fds, 2, static_cast<int>(wait.count())) <= 0) return false;
    const std::size_t before = outBuffer_.size() + errBuffer_.size();
    drain(out_, outBuffer_);
    drain(err_, errBuffer_);
    return outBuffer_.size() + errBuffer_.size() != before;
}

void McpProcess::send(std::string_view bytes) {
    for (const Deadline deadline = after(60s); !bytes.empty();) {
        const ssize_t written = in_ ? ::write(in_.get(), bytes.data(), bytes.size()) : -1;
        if (written > 0)
            bytes.remove_prefix(static_cast<std::size_t>(written));
        else if (!in_ || (errno != EAGAIN && errno != EINTR) || passed(deadline))
            throw std::runtime_error("quillon-mcp does not read its input");
        else {
            // Keep its output flowing while it is busy, so neither side can stall the other.
            pollfd writable{in_.get(), POLLOUT, 0};
            ::poll(&writable, 1, 5);
            pump(0ms);
        }
    }
}

std::optional<std::string> McpProcess::readLine(std::chrono::milliseconds timeout) {
    for (const Deadline deadline = after(timeout);;) {
        if (const auto end = outBuffer_.find('\n'); end != std::string::npos) {
            std::string line = outBuffer_.substr(0, end);
            outBuffer_.erase(0, end + 1);
            return line;
        }
        if (!out_ || passed(deadline)) return std::nullopt;
        pump(50ms);
    }
}

nlohmann::json McpProcess::request(const nlohmann::json& message) {
    send(message.dump() + "\n");
    const auto line = readLine();
    if (!line) throw std::runtime_error("no answer to " + message.dump());
    return nlohmann::json::parse(*line);
}

std::pair<std::string, int> McpProcess::finish() {
    in_.reset();
    std::optional<int> status;
    for (const Deadline deadline = after(30s); child_.running() && !(status = child_.tryWait()) && !passed(deadline);)
        pump(10ms);
    if (child_.running()) status = child_.kill();
    while (pump(0ms)) {
    }
    return {std::exchange(outBuffer_, {}), status.value_or(-1)};
}

std::vector<std::string> McpProcess::logLines() {
    while (pump(20ms)) {
    }
    std::vector<std::string> lines;
    for (auto line : text::split(errBuffer_, "\n", true)) lines.emplace_back(line);
    return lines;
}

}  // namespace quillon::testing
