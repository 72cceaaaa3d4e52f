#include "tests/mcp/mcp_process.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "core/defaults_store.h"
#include "core/l10n.h"
#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

using Deadline = std::chrono::steady_clock::time_point;

Deadline after(std::chrono::milliseconds timeout) { return std::chrono::steady_clock::now() + timeout; }

int remainingMs(Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

void setNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Reads what is available; closes the descriptor at end of file.
void drain(UniqueFd& fd, std::string& into) {
    char chunk[65536];
    while (fd) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got > 0) {
            into.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EINTR)) continue;
        if (got < 0 && errno == EAGAIN) return;
        fd.reset();
    }
}

}  // namespace

McpProcess::McpProcess(const EnvChanges& env, bool inheritRest) {
    ignoreSigpipe();
    Pipe in = Pipe::create();
    Pipe out = Pipe::create();
    Pipe err = Pipe::create();
    {
        EnvChanges changes = env;
        if (!inheritRest)
            for (const auto& [name, value] : L10n::processEnvironment()) changes.emplace(name, std::nullopt);
        std::vector<std::unique_ptr<ScopedEnv>> scoped;
        for (const auto& [name, value] : changes) scoped.push_back(std::make_unique<ScopedEnv>(name, value));
        child_ = ChildProcess::spawn(QUILLON_MCP_BINARY, {"quillon-mcp"},
                                     {in.read.get(), out.write.get(), err.write.get()});
    }
    in_ = std::move(in.write);
    out_ = std::move(out.read);
    err_ = std::move(err.read);
    setNonBlocking(in_.get());
    setNonBlocking(out_.get());
    setNonBlocking(err_.get());
}

McpProcess::~McpProcess() {
    in_.reset();
    for (auto deadline = after(5s); child_.running() && !child_.tryWait() && remainingMs(deadline) > 0;) pump(10ms);
    if (child_.running()) child_.kill();
}

bool McpProcess::pump(std::chrono::milliseconds wait) {
    pollfd fds[2];
    nfds_t count = 0;
    if (out_) fds[count++] = {out_.get(), POLLIN, 0};
    if (err_) fds[count++] = {err_.get(), POLLIN, 0};
    if (count == 0) return false;
    if (::poll(fds, count, static_cast<int>(wait.count())) <= 0) return false;
    const std::size_t before = outBuffer_.size() + errBuffer_.size();
    drain(out_, outBuffer_);
    drain(err_, errBuffer_);
    return outBuffer_.size() + errBuffer_.size() != before;
}

void McpProcess::send(std::string_view bytes) {
    const Deadline deadline = after(60s);
    while (!bytes.empty()) {
        if (!in_) throw std::runtime_error("stdin already closed");
        const ssize_t written = ::write(in_.get(), bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("quillon-mcp stopped reading");
        if (remainingMs(deadline) == 0) throw std::runtime_error("quillon-mcp does not read its input");
        // Keep its output flowing while it is busy, so neither side can stall the other.
        pollfd fd{in_.get(), POLLOUT, 0};
        ::poll(&fd, 1, 5);
        pump(0ms);
    }
}

std::optional<std::string> McpProcess::readLine(std::chrono::milliseconds timeout) {
    const Deadline deadline = after(timeout);
    while (true) {
        if (const auto end = outBuffer_.find('\n'); end != std::string::npos) {
            std::string line = outBuffer_.substr(0, end);
            outBuffer_.erase(0, end + 1);
            return line;
        }
        if (!out_ || remainingMs(deadline) == 0) return std::nullopt;
        pump(std::chrono::milliseconds(std::min(remainingMs(deadline), 50)));
    }
}

nlohmann::json McpProcess::request(const nlohmann::json& message, std::chrono::milliseconds timeout) {
    sendLine(message.dump());
    const auto line = readLine(timeout);
    if (!line) throw std::runtime_error("no answer to " + message.dump());
    return nlohmann::json::parse(*line);
}

std::pair<std::string, bool> McpProcess::callTool(const std::string& name, const nlohmann::json& arguments,
                                                  std::chrono::milliseconds timeout) {
    static int nextId = 1000;
    const auto answer = request({{"jsonrpc", "2.0"},
                                 {"id", nextId++},
                                 {"method", "tools/call"},
                                 {"params", {{"name", name}, {"arguments", arguments}}}},
                                timeout);
    const auto& result = answer.at("result");
    return {result.at("content").at(0).at("text").get<std::string>(), result.at("isError").get<bool>()};
}

void McpProcess::closeInput() { in_.reset(); }

void McpProcess::closeOutput() { out_.reset(); }

std::pair<std::string, int> McpProcess::finish(std::chrono::milliseconds timeout) {
    closeInput();
    const Deadline deadline = after(timeout);
    std::optional<int> status;
    while (!(status = child_.tryWait()) && remainingMs(deadline) > 0) pump(10ms);
    if (!status) status = child_.kill();
    while (pump(0ms)) {
    }
    std::string rest = std::move(outBuffer_);
    outBuffer_.clear();
    return {rest, *status};
}

std::vector<std::string> McpProcess::logLines() {
    pump(20ms);
    while (pump(0ms)) {
    }
    std::vector<std::string> lines;
    for (auto line : text::split(errBuffer_, "\n", true)) lines.emplace_back(line);
    return lines;
}

void storeAppLanguage(const std::string& xdgConfigHome, const std::string& language) {
    const Environment environment{{"XDG_CONFIG_HOME", xdgConfigHome}, {"HOME", xdgConfigHome}};
    DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, environment)).set("language", language);
}

}  // namespace quillon::testing
