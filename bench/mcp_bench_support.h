#pragma once
// Shared by the quillon-mcp benchmarks: the built binary as a child with pipes, and a
// private TMUX_TMPDIR with named servers that are always killed at the end.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/process_runner.h"
#include "core/tmux_client.h"

namespace quillon::bench {

// $QUILLON_MCP_BINARY, else the quillon-mcp built next to this benchmark.
inline std::string mcpBinary() {
    if (const char* path = std::getenv("QUILLON_MCP_BINARY"); path && *path) return path;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "mcp" / "quillon-mcp").string();
}

class McpChild {
public:
    McpChild() {
        Pipe in = Pipe::create(), out = Pipe::create();
        child_ = ChildProcess::spawn(mcpBinary(), {"quillon-mcp"}, {in.read.get(), out.write.get(), -1});
        in_ = std::move(in.write);
        out_ = std::move(out.read);
    }
    ~McpChild() {
        in_.reset();
        if (child_.running()) child_.wait();
    }
    pid_t pid() const { return child_.pid(); }

    void send(const std::string& line) {
        const std::string bytes = line + "\n";
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(in_.get(), bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("quillon-mcp stopped reading");
            done += static_cast<std::size_t>(n);
        }
    }
    std::string readLine() {
        while (true) {
            if (const auto end = buffer_.find('\n'); end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            char chunk[65536];
            const ssize_t n = ::read(out_.get(), chunk, sizeof chunk);
            if (n <= 0) throw std::runtime_error("quillon-mcp ended");
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    ChildProcess child_;
    UniqueFd in_, out_;
    std::string buffer_;
};

// Resident and peak memory of a process in KiB, from /proc.
inline std::pair<long, long> residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    long rss = -1, hwm = -1;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) rss = std::stol(line.substr(6));
        if (line.rfind("VmHWM:", 0) == 0) hwm = std::stol(line.substr(6));
    }
    return {rss, hwm};
}

// The baseline the figures compare with: one shell running body once per word, the word in
// "$s" and tmux's path in "$0" (as a user's loop would). Its standard output.
inline std::string shellLoop(const std::string& tmuxPath, const std::string& body,
                             const std::vector<std::string>& words) {
    std::vector<std::string> argv{"sh", "-c", "for s in \"$@\"; do " + body + "; done", tmuxPath};
    argv.insert(argv.end(), words.begin(), words.end());
    return runProcess("/bin/sh", argv, std::chrono::minutes(5)).out;
}

// Named servers in a private TMUX_TMPDIR. A program may hold several, one per benchmark file:
// use() points TMUX_TMPDIR (this process's and its children's) at this one, and its own tmux
// runs name their socket by path, so each set is stopped whichever was used last.
class PrivateServers {
public:
    PrivateServers() {
        std::string pattern = "/tmp/quillon-bench-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        use();
        ::unsetenv("TMUX");
        // What tmux -L would make: the sockets are named by path, which makes no directory.
        if (::mkdir(socketDirectory().c_str(), 0700) != 0) throw std::runtime_error("mkdir failed");
        // Panes run a plain shell: the user's start-up files (a version manager's rehash, say)
        // would be what is measured.
        ::setenv("SHELL", "/bin/sh", 1);
        tmux_ = TmuxClient::detect().value().binaryPath;
    }
    ~PrivateServers() {
        for (const auto& name : names_) {
            resume(name);
            runProcess(tmux_, {"tmux", "-S", socket(name), "kill-server"}, std::chrono::seconds(5));
        }
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    PrivateServers& use() {
        ::setenv("TMUX_TMPDIR", dir_.c_str(), 1);
        return *this;
    }
    const std::string& tmuxPath() const { return tmux_; }
    std::string socketDirectory() const { return dir_ + "/tmux-" + std::to_string(::getuid()); }

    void start(const std::string& name) {
        runProcess(tmux_, {"tmux", "-S", socket(name), "-f", "/dev/null", "new-session", "-d", "-s", "main"},
                   std::chrono::seconds(10));
        names_.push_back(name);
    }
    // SIGSTOP: the server keeps its socket but never answers.
    void wedge(const std::string& name) { signalServer(name, SIGSTOP); }
    void resume(const std::string& name) { signalServer(name, SIGCONT); }

private:
    std::string socket(const std::string& name) const { return socketDirectory() + "/" + name; }
    void signalServer(const std::string& name, int signo) {
        auto& pid = pids_[name];
        if (!pid) {
            const auto out = runProcess(tmux_, {"tmux", "-S", socket(name), "display-message", "-p", "#{pid}"},
                                        std::chrono::seconds(5));
            pid = std::atoi(out.out.c_str());
        }
        if (pid > 0) ::kill(pid, signo);
    }

    std::string dir_, tmux_;
    std::vector<std::string> names_;
    std::map<std::string, pid_t> pids_;
};

}  // namespace quillon::bench
