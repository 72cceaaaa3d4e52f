#include "app/terminal_launcher.h"

#include "core/l10n.h"
#include "core/process_runner.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "core/tmux_target.h"

namespace quillon::TerminalLauncher {

std::vector<TerminalApp> installedTerminals(const TerminalHost& host) { return host.installedTerminals(); }

std::string buildShellCommand(std::string_view sessionName, const std::optional<std::string>& windowTarget,
                              std::string_view tmuxPath, const std::vector<std::string>& socketArgs) {
    // The path is quoted too: a tmux installed under a directory with spaces must still run.
    std::vector<std::string> words{text::shellQuote(tmuxPath)};
    for (const std::string& arg : socketArgs) words.push_back(text::shellQuote(arg));
    words.insert(words.end(), {"attach-session", "-t", text::shellQuote(exactTarget(sessionName))});
    std::string line = text::join(words, " ");
    if (!windowTarget) return line;
    line += " ';' select-window -t " + text::shellQuote(exactTarget(*windowTarget));
    // A pane's id selects its window, and then the pane itself.
    if (windowTarget->starts_with('%')) line += " ';' select-pane -t " + text::shellQuote(*windowTarget);
    return line;
}

std::string buildRemoteShellCommand(std::string_view sshProgram, std::string_view destination,
                                    std::string_view sessionName, const std::optional<std::string>& windowTarget,
                                    const std::vector<std::string>& socketArgs) {
    const std::string remoteLine = buildShellCommand(sessionName, windowTarget, "tmux", socketArgs);
    return text::shellQuote(sshProgram) + " -t -- " + text::shellQuote(destination) + " " +
           text::shellQuote(remoteLine);
}

void launch(const TerminalHost& host, TerminalApp app, std::string_view sessionName,
            const std::optional<std::string>& windowTarget, std::string_view tmuxPath,
            const std::vector<std::string>& socketArgs) {
    host.open(app, buildShellCommand(sessionName, windowTarget, tmuxPath, socketArgs));
}

std::string escapeForAppleScript(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else out += c;
    }
    return out;
}

std::string appleScript(TerminalApp app, std::string_view shellCommand) {
    const std::string escaped = escapeForAppleScript(shellCommand);
    if (app == TerminalApp::iterm) {
        return "tell application \"iTerm\"\n"
               "    activate\n"
               "    create window with default profile\n"
               "    tell current session of current window\n"
               "        write text \"" +
               escaped +
               "\"\n"
               "    end tell\n"
               "end tell";
    }
    return "tell application \"Terminal\"\n"
           "    activate\n"
           "    do script \"" +
           escaped +
           "\"\n"
           "end tell";
}

std::vector<std::string> openArguments(TerminalApp app, std::string_view shellCommand) {
    std::vector<std::string> args{"-b", std::string(bundleID(app)), "-n", "--args"};
    if (app == TerminalApp::wezterm) args.insert(args.end(), {"start", "--"});
    else args.push_back("-e");
    args.insert(args.end(), {"/bin/sh", "-c", std::string(shellCommand)});
    return args;
}

std::string openFailureText(TerminalApp app) {
    const std::string name(displayName(app));
    return L("Nu am putut deschide " + name, "Could not open " + name);
}

std::string osascriptFailureText() { return L("osascript a eșuat", "osascript failed"); }

void runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                const std::string& failureText) {
    std::vector<std::string> argv{executable};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProcessOutput output = quillon::runProcess(executable, argv);
    if (output.exitCode == 0) return;
    std::string message(text::isValidUtf8(output.err) ? text::trim(output.err) : std::string_view());
    throw TmuxError::commandFailed(message.empty() ? failureText : message);
}

void runAppleScript(TerminalApp app, std::string_view shellCommand) {
    runProcess("/usr/bin/osascript", {"-e", appleScript(app, shellCommand)}, osascriptFailureText());
}

void runOpen(TerminalApp app, std::string_view shellCommand) {
    runProcess("/usr/bin/open", openArguments(app, shellCommand), openFailureText(app));
}

}  // namespace quillon::TerminalLauncher
