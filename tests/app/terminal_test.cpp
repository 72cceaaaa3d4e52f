// Attach lines quoted for any name and run for real, the macOS routes as builders, and the
// Linux terminal host finding and starting terminals without leaving zombies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/platform/linux_terminal_host.h"
#include "app/terminal_launcher.h"
#include "core/l10n.h"
#include "core/process_runner.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using V = std::vector<std::string>;

TEST(AttachLine, QuotesEveryWord) {
    EXPECT_EQ(TerminalLauncher::buildShellCommand("dev", std::nullopt, "/opt/homebrew/bin/tmux", {}),
              "'/opt/homebrew/bin/tmux' attach-session -t '=dev:'");
    EXPECT_EQ(TerminalLauncher::buildShellCommand("dev", std::nullopt, "/usr/bin/tmux", {"-L", "work"}),
              "'/usr/bin/tmux' '-L' 'work' attach-session -t '=dev:'");
    EXPECT_EQ(TerminalLauncher::buildShellCommand("it's", std::string("it's:2"), "/my tools/tmux", {}),
              "'/my tools/tmux' attach-session -t '=it'\\''s:' ';' select-window -t '=it'\\''s:2'");
}

// The line a terminal would run, run for real inside a pane of another server: the target
// server must then list a client on that session.
class AttachLineExecution : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox.newSession(host, "host");
        // A tmux path with a space in it, as the line must cope with.
        std::filesystem::create_directories(tools.path() / "my tools");
        std::filesystem::create_symlink(TmuxSandbox::tmuxPath(), tools.path() / "my tools" / "tmux");
    }

    // Runs the line in a new pane of the host server (outside tmux's nesting guard).
    void runInPane(const std::string& line) {
        sandbox.tmux(host, {"new-window", "-d", "-t", "host:", "/usr/bin/env", "-u", "TMUX", "/bin/sh", "-c", line});
    }
    std::vector<std::string> clients() {
        const std::string output = sandbox.tmux(target, {"list-clients", "-F", "#{session_name}|#{window_index}"});
        std::vector<std::string> lines;
        for (auto piece : text::split(output, "\n", true)) lines.emplace_back(piece);
        return lines;
    }

    TmuxSandbox sandbox;
    TempDir tools{"quillon-tools"};
    std::string host = TmuxSandbox::uniqueName("host");
    std::string target = TmuxSandbox::uniqueName("target");
};

TEST_F(AttachLineExecution, AttachesToSessionsWithShellSpecialNamesAndTheirWindow) {
    const std::vector<std::string> requested{"with space", "it's", "say \"hi\"", "cost$HOME", "a;b"};
    for (const auto& name : requested) sandbox.newSession(target, name);
    sandbox.newWindow(target, "a;b", "second");
    // tmux may store a name differently from how it was asked for: attach to what it lists.
    const auto sessions = sandbox.client(target).snapshot();
    ASSERT_EQ(sessions.size(), requested.size());
    const std::string tmuxPath = (tools.path() / "my tools" / "tmux").string();
    for (const auto& session : sessions) {
        const auto window = session.windows.size() > 1 ? std::optional(session.name + ":1") : std::nullopt;
        runInPane(TerminalLauncher::buildShellCommand(session.name, window, tmuxPath, {"-L", target}));
        const std::string expected = session.name + (window ? "|1" : "|0");
        EXPECT_TRUE(waitUntil([&] {
            const auto all = clients();
            return std::find(all.begin(), all.end(), expected) != all.end();
        }, 5s)) << expected << " clients: " << text::join(clients(), ", ");
    }
}

TEST(MacRoutes, TheLineIsEscapedIntoTheScriptOrPassedAsArguments) {
    EXPECT_EQ(TerminalLauncher::escapeForAppleScript(R"(-t 'say "hi" \ now')"), R"(-t 'say \"hi\" \\ now')");
    EXPECT_EQ(TerminalLauncher::appleScript(TerminalApp::terminal, "a\"b"),
              "tell application \"Terminal\"\n    activate\n    do script \"a\\\"b\"\nend tell");
    EXPECT_TRUE(text::contains(TerminalLauncher::appleScript(TerminalApp::iterm, "a\"b"), "write text \"a\\\"b\""));
    EXPECT_EQ(TerminalLauncher::openArguments(TerminalApp::wezterm, "L"),
              (V{"-b", "com.github.wez.wezterm", "-n", "--args", "start", "--", "/bin/sh", "-c", "L"}));
    EXPECT_EQ(TerminalLauncher::openArguments(TerminalApp::alacritty, "L"),
              (V{"-b", "org.alacritty", "-n", "--args", "-e", "/bin/sh", "-c", "L"}));
}

TEST(LauncherProcess, NonZeroExitBecomesTheErrorText) {
    L10n::setLanguage(AppLanguage::ro);
    const auto failure = [](const std::string& script) -> std::string {
        try {
            TerminalLauncher::runProcess("/bin/sh", {"-c", script}, TerminalLauncher::osascriptFailureText());
        } catch (const TmuxError& error) {
            return error.localizedDescription();
        }
        return "no error";
    };
    EXPECT_EQ(failure("printf '  not allowed\\n\\n' >&2; exit 1"), "not allowed");
    EXPECT_EQ(failure("exit 3"), "osascript a eșuat");
    EXPECT_EQ(failure("echo fine"), "no error");
    EXPECT_THROW(TerminalLauncher::runProcess("/nonexistent/osascript", {}, "x"), std::system_error);
    L10n::setLanguage(AppLanguage::en);
}

class LinuxTerminals : public ::testing::Test {
protected:
    std::string bin(const std::string& name, const std::string& body = "exit 0\n") {
        writeScript(dir.path() / name, body);
        return (dir.path() / name).string();
    }
    LinuxTerminalHost host(Environment extra = {}) {
        extra.emplace("PATH", dir.str());
        return LinuxTerminalHost(extra);
    }
    TempDir dir{"quillon-terms"};
};

TEST_F(LinuxTerminals, InstalledInCatalogueOrderAndTerminalIsTheDesktopDefault) {
    EXPECT_TRUE(host().installedTerminals().empty());
    bin("ghostty");
    bin("wezterm");
    writeFile(dir.path() / "foot", "");  // not executable: not installed
    EXPECT_EQ(host().installedTerminals(), (TerminalList{TerminalApp::ghostty, TerminalApp::wezterm}));
    // Terminal is x-terminal-emulator, else $TERMINAL, else the first of the common ones.
    const std::string xterm = bin("xterm"), kitty = bin("kitty");
    EXPECT_EQ(host().installedTerminals(), (TerminalList{TerminalApp::terminal, TerminalApp::ghostty, TerminalApp::wezterm}));
    EXPECT_EQ(host().executableFor(TerminalApp::terminal), kitty);
    EXPECT_EQ(host({{"TERMINAL", "xterm"}}).executableFor(TerminalApp::terminal), xterm);
    EXPECT_EQ(host({{"TERMINAL", xterm}}).executableFor(TerminalApp::terminal), xterm);
    const std::string standard = bin("x-terminal-emulator");
    EXPECT_EQ(host({{"TERMINAL", "xterm"}}).executableFor(TerminalApp::terminal), standard);
    EXPECT_EQ(host().executableFor(TerminalApp::ghostty), (dir.path() / "ghostty").string());
    EXPECT_EQ(host().executableFor(TerminalApp::iterm), std::nullopt);
}

TEST_F(LinuxTerminals, OpenRunsTheTerminalDetachedAndLeavesNoZombie) {
    const auto marker = dir.path() / "ran";
    // A stand-in terminal that runs what follows -e, as x-terminal-emulator does.
    bin("x-terminal-emulator", "[ \"$1\" = -e ] && shift; exec \"$@\"\n");
    auto terminals = host();
    for (int i = 0; i < 5; ++i) terminals.open(TerminalApp::terminal, "echo $$ >> '" + marker.string() + "'");
    EXPECT_TRUE(waitUntil([&] { return text::split(readFile(marker), "\n", true).size() == 5; }, 5s));
    EXPECT_TRUE(waitUntil([] { return zombieChildren() == 0; }, 2s));

    L10n::setLanguage(AppLanguage::en);
    try {
        terminals.open(TerminalApp::wezterm, "true");
        FAIL() << "wezterm is not installed";
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.localizedDescription(), "Could not open WezTerm");
    }
}

// With a display, the real default terminal (xterm here) attaches to a session.
TEST(RealTerminal, AttachesThroughTheDesktopDefaultTerminal) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    LinuxTerminalHost host;
    if (!host.executableFor(TerminalApp::terminal)) GTEST_SKIP() << "no terminal installed";
    TmuxSandbox sandbox;
    const std::string server = TmuxSandbox::uniqueName("real");
    sandbox.newSession(server, "it's here");
    TerminalLauncher::launch(host, TerminalApp::terminal, "it's here", std::nullopt, TmuxSandbox::tmuxPath(),
                             {"-L", server});
    EXPECT_TRUE(waitUntil([&] {
        return text::contains(sandbox.tmux(server, {"list-clients", "-F", "#{session_name}"}), "it's here");
    }, 10s));
    // Ending the server closes the terminal.
    sandbox.killServer(server);
    EXPECT_TRUE(waitUntil([] { return zombieChildren() == 0; }, 5s));
}

}  // namespace
}  // namespace quillon::testing
