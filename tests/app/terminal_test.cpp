// Attach lines quoted for any name, and the Linux terminal host finding terminals and starting
// a real one on the suite's display without leaving a zombie.
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
    // A pane by its id: its window, then the pane itself.
    EXPECT_EQ(TerminalLauncher::buildShellCommand("$3", std::string("%12"), "/usr/bin/tmux", {"-L", "work"}),
              "'/usr/bin/tmux' '-L' 'work' attach-session -t '$3' ';' select-window -t '%12' ';' select-pane -t '%12'");
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
    EXPECT_THROW(host().open(TerminalApp::alacritty, "true"), TmuxError);
}

// With a display, the real default terminal (xterm here) runs the attach line: a client
// appears on the session and window asked for, whatever the shell would make of their names.
TEST(RealTerminal, AttachesThroughTheDesktopDefaultTerminal) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    LinuxTerminalHost host;
    if (!host.executableFor(TerminalApp::terminal)) GTEST_SKIP() << "no terminal installed";
    TmuxSandbox sandbox;
    TempDir tools("quillon-tools");  // a tmux path with a space in it
    std::filesystem::create_directories(tools.path() / "my tools");
    std::filesystem::create_symlink(TmuxSandbox::tmuxPath(), tools.path() / "my tools" / "tmux");
    const std::string server = TmuxSandbox::uniqueName("real"), name = "it's \"a\"; b & c";
    sandbox.newSession(server, name);
    sandbox.newWindow(server, name, "second");
    TerminalLauncher::launch(host, TerminalApp::terminal, name, name + ":1", (tools.path() / "my tools" / "tmux").string(),
                             {"-L", server});
    EXPECT_TRUE(waitUntil([&] {
        return sandbox.tmux(server, {"list-clients", "-F", "#{session_name}|#{window_index}"}) == name + "|1\n";
    }, 10s));
    // Ending the server closes the terminal.
    sandbox.killServer(server);
    EXPECT_TRUE(waitUntil([] { return zombieChildren() == 0; }, 5s));
}

}  // namespace
}  // namespace quillon::testing
