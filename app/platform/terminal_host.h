#pragma once
// Where terminal applications are found and how one is opened running a command line.

#include <string>
#include <vector>

#include "core/terminal_app.h"

namespace quillon {

class TerminalHost {
public:
    virtual ~TerminalHost() = default;
    // The supported terminals that can be found, in catalogue order.
    virtual std::vector<TerminalApp> installedTerminals() const = 0;
    // Opens a new window of the terminal running the shell command line. Called off the
    // GUI thread. Throws TmuxError::commandFailed when the terminal cannot be started.
    virtual void open(TerminalApp app, const std::string& shellCommand) const = 0;
};

}  // namespace quillon
