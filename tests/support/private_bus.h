#pragma once
// A session bus of this test process's own. Tests that play the notification service own a
// well-known name; on the suite's shared bus they would wait for each other, or find a real
// service that some started program had activated there and that keeps the name.

#include <sys/types.h>

#include <optional>

namespace quillon::testing {

class PrivateSessionBus {
public:
    // Starts a dbus-daemon and points DBUS_SESSION_BUS_ADDRESS at it, before anything in the
    // process connects. Does nothing without a bus to replace (the tests then skip as before)
    // or without dbus-daemon.
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

private:
    std::optional<pid_t> daemon_;
};

}  // namespace quillon::testing
