#include "tests/support/private_bus.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include "core/process_runner.h"
#include "core/text.h"

namespace quillon::testing {

PrivateSessionBus::PrivateSessionBus() {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) return;
    try {
        // It forks and prints its address and pid; the parent we wait for ends at once.
        const auto started = runProcess("/usr/bin/dbus-daemon",
                                        {"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"},
                                        std::chrono::seconds(10));
        const auto lines = text::split(started.out, "\n", false);
        if (started.exitCode != 0 || lines.size() < 2) return;
        const auto pid = text::parseInt(lines[1]);
        if (!pid) return;
        daemon_ = static_cast<pid_t>(*pid);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", std::string(lines[0]).c_str(), 1);
    } catch (const std::exception&) {
        // No dbus-daemon: the shared bus stays.
    }
}

PrivateSessionBus::~PrivateSessionBus() {
    if (daemon_) ::kill(*daemon_, SIGTERM);
}

}  // namespace quillon::testing
