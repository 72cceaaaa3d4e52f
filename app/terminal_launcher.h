#pragma once
// Opening a terminal attached to a tmux session: the attach command line, and the two
// macOS routes (AppleScript for Terminal and iTerm, `open` for the others) as builders.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/terminal_host.h"
#include "core/terminal_app.h"

namespace quillon::TerminalLauncher {

std::vector<TerminalApp> installedTerminals(const TerminalHost& host);

// tmux path, socket arguments, attach-session -t session, every word shell-quoted;
// with a window target, "';' select-window -t" and the quoted target follow. The app passes
// tmux's ids ("$3", "@7"); a readable target is made exact: a session gone since the last
// refresh is never replaced by another whose name starts the same. A pane's id ("%12") as
// the window target selects that pane in its window too.
std::string buildShellCommand(std::string_view sessionName, const std::optional<std::string>& windowTarget,
                              std::string_view tmuxPath, const std::vector<std::string>& socketArgs);

// The same attach on another machine: `ssh -t -- <destination>` and the remote line (tmux
// from that machine's PATH), quoted once more for the local shell.
std::string buildRemoteShellCommand(std::string_view sshProgram, std::string_view destination,
                                    std::string_view sessionName, const std::optional<std::string>& windowTarget,
                                    const std::vector<std::string>& socketArgs);

// Builds the command line and opens it in the terminal. Throws TmuxError or std::system_error.
void launch(const TerminalHost& host, TerminalApp app, std::string_view sessionName,
            const std::optional<std::string>& windowTarget, std::string_view tmuxPath,
            const std::vector<std::string>& socketArgs);

// ---- macOS routes ----
// Backslashes doubled, then double quotes escaped.
std::string escapeForAppleScript(std::string_view text);
// The script that makes iTerm (for iTerm) or Terminal (for any other app) run the line.
std::string appleScript(TerminalApp app, std::string_view shellCommand);
// The arguments of /usr/bin/open for a terminal started with the line.
std::vector<std::string> openArguments(TerminalApp app, std::string_view shellCommand);
// "Could not open <display name>" / "osascript failed", in the current language.
std::string openFailureText(TerminalApp app);
std::string osascriptFailureText();

// Runs the program and waits; a non-zero exit throws TmuxError::commandFailed with its trimmed
// standard error, or the failure text when that is empty.
void runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                const std::string& failureText);
void runAppleScript(TerminalApp app, std::string_view shellCommand);  // /usr/bin/osascript -e script
void runOpen(TerminalApp app, std::string_view shellCommand);         // /usr/bin/open -b id -n --args …

}  // namespace quillon::TerminalLauncher
