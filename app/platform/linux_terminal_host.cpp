#include "app/platform/linux_terminal_host.h"

#include <unistd.h>

#include <QProcess>
#include <QStringList>

#include <array>
#include <filesystem>

#include "app/terminal_launcher.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/tmux_error.h"

namespace quillon {
namespace {

bool isExecutableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// Tried in order when neither x-terminal-emulator nor $TERMINAL gives one.
constexpr std::array<std::string_view, 8> commonTerminals{
    "gnome-terminal", "konsole", "xfce4-terminal", "kitty", "foot", "terminator", "alacritty", "xterm"};

}  // namespace

std::optional<std::string> findExecutable(std::string_view name, std::string_view pathVariable) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path = paths::expandTilde(name);
        return isExecutableFile(path) ? std::optional(path) : std::nullopt;
    }
    for (std::string_view directory : text::split(pathVariable, ":", true)) {
        std::string candidate = paths::join(directory, name);
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

LinuxTerminalHost::LinuxTerminalHost(Environment environment) : environment_(std::move(environment)) {}

std::string LinuxTerminalHost::variable(const char* name) const {
    auto it = environment_.find(name);
    return it == environment_.end() ? std::string() : it->second;
}

std::optional<std::string> LinuxTerminalHost::executableFor(TerminalApp app) const {
    const std::string path = variable("PATH");
    switch (app) {
    case TerminalApp::terminal: {
        if (auto found = findExecutable("x-terminal-emulator", path)) return found;
        if (auto found = findExecutable(text::trim(variable("TERMINAL")), path)) return found;
        for (std::string_view name : commonTerminals)
            if (auto found = findExecutable(name, path)) return found;
        return std::nullopt;
    }
    case TerminalApp::iterm: return std::nullopt;
    case TerminalApp::ghostty: return findExecutable("ghostty", path);
    case TerminalApp::wezterm: return findExecutable("wezterm", path);
    case TerminalApp::alacritty: return findExecutable("alacritty", path);
    }
    return std::nullopt;
}

std::vector<TerminalApp> LinuxTerminalHost::installedTerminals() const {
    std::vector<TerminalApp> installed;
    for (TerminalApp app : allTerminalApps())
        if (executableFor(app)) installed.push_back(app);
    return installed;
}

std::vector<std::string> LinuxTerminalHost::runArguments(std::string_view executable, std::string_view shellCommand) {
    const std::string name = paths::lastComponent(executable);
    const std::string line(shellCommand);
    if (name == "wezterm") return {"start", "--", "/bin/sh", "-c", line};
    if (name == "gnome-terminal") return {"--", "/bin/sh", "-c", line};
    if (name == "xfce4-terminal" || name == "terminator") return {"-x", "/bin/sh", "-c", line};
    if (name == "kitty" || name == "foot") return {"/bin/sh", "-c", line};
    // xterm, x-terminal-emulator, alacritty, ghostty, konsole and most others.
    return {"-e", "/bin/sh", "-c", line};
}

void LinuxTerminalHost::open(TerminalApp app, const std::string& shellCommand) const {
    const auto executable = executableFor(app);
    if (!executable) throw TmuxError::commandFailed(TerminalLauncher::openFailureText(app));
    QStringList arguments;
    for (const std::string& arg : runArguments(*executable, shellCommand)) arguments << QString::fromStdString(arg);
    // Detached: Qt reaps the intermediate child, so no zombie is left behind.
    if (!QProcess::startDetached(QString::fromStdString(*executable), arguments))
        throw TmuxError::commandFailed(TerminalLauncher::openFailureText(app));
}

}  // namespace quillon
