#pragma once
// What is seen of one pane at one instant, the input of its classification: tmux's own
// fields (PaneSignals: read by pane_signals.h from one list-panes run, or from the live
// watcher's subscription) and what /proc shows of the process holding the pane's terminal
// (ForegroundFacts: read by foreground_probe.h, on this machine or on the pane's host).
// Times are already on this machine's clock: a host's own clock never reaches them.

#include <cstdint>
#include <optional>
#include <string>

#include "core/tmux_model.h"

namespace quillon {

// What changes when a pane prints: its history and cursor. (Output that rewrites the
// screen in place without moving the cursor is seen through the window's activity time.)
struct OutputMark {
    std::int64_t historySize = 0;
    std::int64_t historyBytes = 0;
    std::int64_t cursorX = 0;
    std::int64_t cursorY = 0;
    bool operator==(const OutputMark&) const = default;
};

struct PaneSignals {
    std::string paneId;  // "%3"
    std::string windowId;
    std::string sessionId;
    std::string sessionName;  // for display and rules; never for addressing
    std::int64_t windowIndex = 0;
    std::int64_t paneIndex = 0;
    std::int64_t pid = 0;  // the pane's first process (usually its shell)
    std::string tty;       // "/dev/pts/3"
    std::string currentCommand;
    bool dead = false;
    std::optional<int> deadStatus;
    std::optional<int> deadSignal;
    std::optional<TimePoint> deadAt;
    bool windowBell = false;  // tmux's bell flag: rang and not yet seen in a client
    std::optional<TimePoint> windowActivity;  // the window's last output (whole seconds)
    std::int64_t windowPanes = 1;
    bool active = false;  // the window's active pane
    OutputMark output;
    // A person's client shows this pane: its session is attached by a client that is not
    // in control mode and has not lost focus, and pane and window are the active ones.
    bool watched = false;

    std::string target() const;  // "session:window.pane", for display
    bool operator==(const PaneSignals&) const = default;
};

// How the process holding the terminal uses it.
enum class TerminalUse {
    busy,     // not waiting on the terminal: computing, sleeping, waiting for children
    reading,  // blocked reading the terminal with no time limit: it waits for its user
    polling,  // waiting on the terminal with a time limit: it wakes by itself (top, watch)
    prompt,   // the pane's shell reading its command line
    unknown,  // not readable
};

struct ForegroundFacts {
    enum class Access {
        readable,
        denied,   // the foreground process is not ours to read (sudo, another user)
        missing,  // no /proc, or the pane's process is gone
        changing, // the foreground group ended while it was read: nothing to tell yet
    };
    Access access = Access::missing;
    // The pane's own first process holds the terminal and is a shell.
    bool shellInForeground = false;
    std::string shell;    // the name of the pane's first process
    std::string program;  // the name of the foreground group's leader
    std::int64_t group = 0;  // the terminal's foreground process group
    std::optional<TimePoint> programStarted;  // the leader's start
    std::optional<TimePoint> shellStarted;    // the pane's first process's start
    TerminalUse use = TerminalUse::unknown;
    // Since when the process that uses the terminal has not run, where the kernel says.
    std::optional<TimePoint> blockedSince;
    // Context switches of the processes read: unchanged between two reads means none of
    // them ran in between.
    std::uint64_t switches = 0;

    bool operator==(const ForegroundFacts&) const = default;
};

struct PaneObservation {
    PaneSignals pane;
    ForegroundFacts foreground;
    TimePoint at{};
    // A bell rang in this pane (the tracker tells which pane of a window rang it).
    std::optional<TimePoint> bell;
    // pane holds tmux's fields as just read; false: as read before (only /proc is new).
    bool signalsFresh = true;
};

}  // namespace quillon
