#pragma once
// Helpers for tests of the app's stores: waiting on the event loop, stand-ins for desktop
// services that cannot run here, and a tmux wrapper script that logs or fails on demand.

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_environment.h"
#include "core/tmux_error.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {

// Runs the event loop until the condition holds or the deadline passes.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Starts an action that takes a completion and waits for it.
inline bool finish(const std::function<void(AppEnvironment::Done)>& action,
                   std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    bool done = false;
    action([&done] { done = true; });
    return waitUntil([&done] { return done; }, timeout);
}

// Children of this process that have exited but were never reaped.
inline int zombieChildren() {
    int zombies = 0;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // pid (comm) state ppid …: comm may hold spaces, so read after the last ')'.
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        std::string state, parent;
        rest >> state >> parent;
        zombies += state == "Z" && parent == self;
    }
    return zombies;
}

inline void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream file(path, std::ios::trunc);
    file << contents;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void writeScript(const std::filesystem::path& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

class RecordingTerminalHost : public TerminalHost {
public:
    explicit RecordingTerminalHost(std::vector<TerminalApp> installed = {TerminalApp::terminal})
        : installed_(std::move(installed)) {}

    std::vector<TerminalApp> installedTerminals() const override { return installed_; }
    void open(TerminalApp app, const std::string& shellCommand) const override {
        std::lock_guard guard(lock_);
        opened_.emplace_back(app, shellCommand);
        if (failure_) throw TmuxError::commandFailed(*failure_);
    }

    void failWith(std::string message) { failure_ = std::move(message); }
    std::vector<std::pair<TerminalApp, std::string>> opened() const {
        std::lock_guard guard(lock_);
        return opened_;
    }

private:
    std::vector<TerminalApp> installed_;
    std::optional<std::string> failure_;
    mutable std::mutex lock_;
    mutable std::vector<std::pair<TerminalApp, std::string>> opened_;
};

class RecordingDirectoryOpener : public DirectoryOpener {
public:
    bool openDirectory(const std::string& path) override {
        opened.push_back(path);
        return succeed;
    }
    std::vector<std::string> opened;
    bool succeed = true;
};

class CountingAuthorizer : public NotificationAuthorizer {
public:
    void requestAuthorization() override { ++requests; }
    int requests = 0;
};

class MemoryLoginItem : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    void setEnabled(bool value) override {
        if (failure) throw std::runtime_error(*failure);
        enabled = value;
    }
    bool enabled = false;
    std::optional<std::string> failure;
};

struct RecordingPlatform {
    std::shared_ptr<RecordingTerminalHost> terminals = std::make_shared<RecordingTerminalHost>();
    std::shared_ptr<MemoryLoginItem> loginItem = std::make_shared<MemoryLoginItem>();
    std::shared_ptr<RecordingDirectoryOpener> directories = std::make_shared<RecordingDirectoryOpener>();
    std::shared_ptr<CountingAuthorizer> notifications = std::make_shared<CountingAuthorizer>();

    AppPlatform platform() const { return AppPlatform{terminals, loginItem, directories, notifications}; }
};

// A tmux that appends every argument vector to a log (one line each, arguments separated by
// a space), fails when its arguments contain a given text, runs a command twice (so the
// second run finds its object already gone), or takes half a second over it.
class WrappedTmux {
public:
    explicit WrappedTmux(const std::filesystem::path& directory)
        : path_(directory / "tmux-wrapper"), log_(directory / "tmux.log"), rules_(directory / "tmux.fail"),
          twice_(directory / "tmux.twice"), slow_(directory / "tmux.slow") {
        writeFile(rules_, "");
        writeFile(twice_, "");
        writeFile(slow_, "");
        const std::string tmux = "'" + TmuxSandbox::tmuxPath() + "'";
        writeScript(path_,
                    "echo \"$*\" >> '" + log_.string() + "'\n"
                    "while IFS= read -r rule; do\n"
                    "  case \"$*\" in *\"$rule\"*) [ -n \"$rule\" ] && sleep 0.5 ;; esac\n"
                    "done < '" + slow_.string() + "'\n"
                    "while IFS= read -r rule; do\n"
                    "  case \"$*\" in *\"$rule\"*) [ -n \"$rule\" ] && { echo \"refused: $rule\" >&2; exit 1; } ;; esac\n"
                    "done < '" + rules_.string() + "'\n"
                    "while IFS= read -r rule; do\n"
                    "  case \"$*\" in *\"$rule\"*) [ -n \"$rule\" ] && " + tmux + " \"$@\" ;; esac\n"
                    "done < '" + twice_.string() + "'\n"
                    "exec " + tmux + " \"$@\"\n");
    }
    std::string path() const { return path_.string(); }
    // Runs whose arguments contain this text fail with "refused: <text>".
    void failWhenArgumentsContain(const std::string& text) { writeFile(rules_, text + "\n"); }
    void runTwiceWhenArgumentsContain(const std::string& text) { writeFile(twice_, text + "\n"); }
    void slowWhenArgumentsContain(const std::string& text) { writeFile(slow_, text + "\n"); }
    void clearFailures() { writeFile(rules_, ""); }
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        std::ifstream file(log_);
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
    std::size_t count(const std::string& needle) const {
        std::size_t n = 0;
        for (const auto& line : log())
            if (line.find(needle) != std::string::npos) ++n;
        return n;
    }

private:
    std::filesystem::path path_;
    std::filesystem::path log_;
    std::filesystem::path rules_;
    std::filesystem::path twice_;
    std::filesystem::path slow_;
};

}  // namespace quillon::testing
