#pragma once
// The world of an app or screen test: a private tmux server, a private HOME and config
// directory, the three stores on them with a recording stand-in for the desktop services,
// and a tmux wrapper that logs, refuses, repeats or slows runs on demand.

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/rule_store.h"
#include "app/template_store.h"
#include "core/l10n.h"
#include "core/stored_hosts.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "tests/support/processes.h"
#include "tests/support/ssh_sandbox.h"
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
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        if (!std::isdigit(static_cast<unsigned char>(entry.path().filename().string()[0]))) continue;
        const std::string stat = readWhole(entry.path() / "stat");
        const auto name = stat.rfind(')');  // "pid (name) state ppid …": the name may hold anything
        char state = 0;
        int parent = 0;
        if (name != std::string::npos && std::sscanf(stat.c_str() + name + 1, " %c %d", &state, &parent) == 2)
            zombies += state == 'Z' && parent == ::getpid();
    }
    return zombies;
}

inline void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream file(path, std::ios::trunc);
    file << contents;
}

inline void writeScript(const std::filesystem::path& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

inline std::vector<std::string> names(const SessionList& sessions) {
    std::vector<std::string> out;
    for (const auto& s : sessions) out.push_back(s.name);
    return out;
}

inline const TmuxSession* find(const SessionList& sessions, const std::string& name) {
    auto it = std::find_if(sessions.begin(), sessions.end(), [&](const TmuxSession& s) { return s.name == name; });
    return it == sessions.end() ? nullptr : &*it;
}

// Every desktop service at once, recording what it was asked; failures on demand.
class RecordingDesktop : public TerminalHost, public LoginItem, public DirectoryOpener,
                         public NotificationAuthorizer, public Notifier {
public:
    std::vector<TerminalApp> installedTerminals() const override { return installed; }
    void open(TerminalApp app, const std::string& shellCommand) const override {
        std::lock_guard guard(lock_);
        opened_.emplace_back(app, shellCommand);
        if (terminalFailure) throw TmuxError::commandFailed(*terminalFailure);
    }
    std::vector<std::pair<TerminalApp, std::string>> opened() const {
        std::lock_guard guard(lock_);
        return opened_;
    }
    bool isEnabled() const override { return loginEnabled; }
    void setEnabled(bool value) override {
        if (loginFailure) throw std::runtime_error(*loginFailure);
        loginEnabled = value;
    }
    bool openDirectory(const std::string& path) override {
        directories.push_back(path);
        return directoriesOpen;
    }
    void requestAuthorization() override { ++authorizationRequests; }
    void post(const std::string& title, const std::string& body) override { posts.emplace_back(title, body); }
    // The services, owned by this object.
    AppPlatform platform() {
        const std::shared_ptr<void> none;
        return {{none, this}, {none, this}, {none, this}, {none, this}};
    }

    std::vector<TerminalApp> installed{TerminalApp::terminal};
    std::optional<std::string> terminalFailure, loginFailure;
    bool loginEnabled = false, directoriesOpen = true;
    std::vector<std::string> directories;
    int authorizationRequests = 0;
    std::vector<std::pair<std::string, std::string>> posts;

private:
    mutable std::mutex lock_;
    mutable std::vector<std::pair<TerminalApp, std::string>> opened_;
};

// A tmux that appends every argument vector to a log (one line each, arguments separated by
// a space) and, for runs whose arguments contain a given text, waits half a second first,
// fails with "refused: <text>", or runs the command twice (so the second run finds its
// object already gone).
class WrappedTmux {
public:
    explicit WrappedTmux(const std::filesystem::path& directory) : directory_(directory) {
        std::string body = "echo \"$*\" >> '" + (directory / "tmux.log").string() + "'\n";
        const std::string tmux = "'" + TmuxSandbox::tmuxPath() + "' \"$@\"";
        for (const auto& [file, action] : {std::pair{"slow", std::string("sleep 0.5")},
                                           {"fail", "{ echo \"refused: $rule\" >&2; exit 1; }"},
                                           {"twice", tmux}}) {
            writeFile(directory / file, "");
            body += "while IFS= read -r rule; do\n  case \"$*\" in *\"$rule\"*) [ -n \"$rule\" ] && " + action +
                    " ;; esac\ndone < '" + (directory / file).string() + "'\n";
        }
        writeScript(path(), body + "exec " + tmux + "\n");
    }
    std::string path() const { return (directory_ / "tmux-wrapper").string(); }
    void slowWhenArgumentsContain(const std::string& text) { writeFile(directory_ / "slow", text + "\n"); }
    void failWhenArgumentsContain(const std::string& text) { writeFile(directory_ / "fail", text + "\n"); }
    void runTwiceWhenArgumentsContain(const std::string& text) { writeFile(directory_ / "twice", text + "\n"); }
    void clearFailures() { writeFile(directory_ / "fail", ""); }
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        std::ifstream file(directory_ / "tmux.log");
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
    std::size_t count(const std::string& needle) const {
        const auto lines = log();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return text::contains(l, needle); });
    }

private:
    std::filesystem::path directory_;
};

class AppFixture : public ::testing::Test {
protected:
    ~AppFixture() override { L10n::setLanguage(AppLanguage::en); }
    // The environment on this test's server (bootstrapped: first refresh done, polling on),
    // with the template and rule stores beside it. Without a tmux path, as on a machine where
    // tmux is not installed, nothing is waited for.
    void startStores(const std::string& language = "en") {
        DefaultsStore defaults = store();
        defaults.set("socketMode", "name");
        defaults.set("socketValue", server);
        defaults.set("language", language);
        restartStores();
        if (tmuxPath) {
            ASSERT_TRUE(waitUntil([&] { return env->pollingTimerInterval().has_value(); }));
        }
    }
    // New stores on the same document, as after a restart of the program.
    void restartStores() {
        rules.reset();
        templates.reset();
        env.reset();
        env = std::make_unique<AppEnvironment>(
            AppEnvironment::Options{store(), tmuxPath, services, snapshotRoot, watchServer});
        templates = std::make_unique<TemplateStore>(store(), *env);
        rules = std::make_unique<RuleStore>(store(), *env, desktop);
        storesStarted();
    }
    virtual void storesStarted() {}
    // A server as another machine shows it: the session "far away" on a socket of its own in
    // the directory the private sshd's tmux reads, the good and the refusing host stored, the
    // stores started. Its socket name.
    std::string startWithRemoteServer() {
        const auto remote = TmuxSandbox::uniqueName("remote");
        sandbox.newSession(remote, "far away");
        store().set(StoredHosts::key, StoredHosts::encode({SshSandbox::good, SshSandbox::refusing}));
        startStores();
        return remote;
    }
    // A person's terminal attached to a session of this server: a tmux client on a
    // pseudo-terminal. Its input stays open; at the end of input, script ends the client
    // within moments.
    std::unique_ptr<QProcess> personAttachedTo(const std::string& sessionName) const {
        auto terminal = std::make_unique<QProcess>();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TERM", "xterm");
        terminal->setProcessEnvironment(environment);
        terminal->start("script", {"-qfc",
                                   QString::fromStdString(text::shellQuote(TmuxSandbox::tmuxPath()) + " -L " + server +
                                                          " attach -t =" + sessionName),
                                   "/dev/null"});
        terminal->waitForStarted();
        return terminal;
    }
    // One refresh that starts now, waited for.
    void refreshNow() {
        ASSERT_TRUE(waitUntil([&] { return !env->refreshing(); }));
        ASSERT_TRUE(finish([&](AppEnvironment::Done done) { env->refresh(done); }));
    }

    DefaultsStore store() const { return DefaultsStore(home.path() / "config" / "quillon" / "org.quillon.Quillon.json"); }
    std::string tmux(const std::vector<std::string>& args) { return sandbox.tmux(server, args); }
    // A new window of the session, left in the background, running command (else a shell); its pane.
    std::string newPane(const std::string& session, const std::string& command = {}) {
        std::vector<std::string> args{"new-window", "-d", "-t", session + ":", "-P", "-F", "#{pane_id}"};
        if (!command.empty()) args.push_back(command);
        return std::string(text::trim(tmux(args)));
    }
    // A line typed into the pane as a person types it, then Enter.
    void type(const std::string& pane, const std::string& keys) {
        tmux({"send-keys", "-t", pane, "-l", keys});
        tmux({"send-keys", "-t", pane, "Enter"});
    }

    TmuxSandbox sandbox;
    TempDir home{"quillon-home"};
    ScopedEnv homeEnv{"HOME", home.str()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", (home.path() / "config").string()};
    RecordingDesktop desktop;
    // What the environment is given; a test may swap a service or the tmux binary first.
    AppPlatform services = desktop.platform();
    std::optional<std::string> tmuxPath = TmuxSandbox::tmuxPath();
    // Where the environment keeps snapshots; empty: none (a test sets it before the stores start).
    std::filesystem::path snapshotRoot;
    // Whether the environment watches its server; off, it polls alone, as these tests expect.
    bool watchServer = false;
    std::string server = TmuxSandbox::uniqueName("app");
    std::unique_ptr<AppEnvironment> env;
    std::unique_ptr<TemplateStore> templates;
    std::unique_ptr<RuleStore> rules;
};

}  // namespace quillon::testing
