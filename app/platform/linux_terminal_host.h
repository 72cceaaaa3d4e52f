#pragma once
// Terminals on Linux are executables on PATH. Ghostty, WezTerm and Alacritty are found by
// their own names; "Terminal" is the desktop's default terminal (x-terminal-emulator, else
// $TERMINAL, else a common terminal); iTerm never exists here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/terminal_host.h"
#include "core/l10n.h"

namespace quillon {

// The first executable file named `name` in the directories of pathVariable; a name with a
// slash is taken as a path.
std::optional<std::string> findExecutable(std::string_view name, std::string_view pathVariable);

class LinuxTerminalHost : public TerminalHost {
public:
    explicit LinuxTerminalHost(Environment environment = L10n::processEnvironment());

    std::vector<TerminalApp> installedTerminals() const override;
    // Started detached (the launcher is reaped at once, the terminal outlives us).
    void open(TerminalApp app, const std::string& shellCommand) const override;

    // The executable standing for the app, or nothing.
    std::optional<std::string> executableFor(TerminalApp app) const;
    // The terminal's own way of running "/bin/sh -c line", chosen by its file name.
    static std::vector<std::string> runArguments(std::string_view executable, std::string_view shellCommand);

private:
    std::string variable(const char* name) const;
    Environment environment_;
};

}  // namespace quillon
