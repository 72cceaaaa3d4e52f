#pragma once
// Reads one server's panes for its PaneStateTracker: tmux's fields (PaneSignalQuery) and
// /proc (ForegroundProbe). On this machine that is one tmux run and /proc read in this
// process; on another machine (a client with a host) one ssh run through the shared
// connection does both: a read-only `sh -c` script runs tmux there and then reads /proc of
// every pane it listed, so a reading of 50 panes costs one round trip. With the live
// watcher's pushed fields, tmux is not run at all and only /proc is read.
//
// Not thread-safe: one thread at a time (the app runs it in one pool job at a time). A
// sampler belongs to one server (its client's host and socket) for its whole life; a
// switch of server makes a new one, so no state read on one server reaches another.
//
// A caller that asks once (an MCP call) gets sound states from one reading where the
// kernel says when a process last ran (/proc/<pid>/sched) and tmux when a window last
// printed: waiting, running, idle, exited and a bell need no history. Finished needs to
// have seen the program (keep the sampler between calls), and without /proc/<pid>/sched
// waiting needs 2 s of readings: settle() reads for a short window to cover both.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/pane_state_tracker.h"
#include "core/server_identity.h"
#include "core/tmux_client.h"

namespace quillon {

class PaneStateSampler {
public:
    struct Step {
        bool read = false;  // something was due, and was read
        std::vector<PaneStateTracker::Change> changes;
        // The server or host could not be read (tmux's or ssh's text, both languages for
        // a time limit); the tracker keeps what it knew.
        std::optional<std::string> error;
    };

    explicit PaneStateSampler(TmuxClient client, AttentionThresholds thresholds = {},
                              SamplingTiming timing = {});

    const TmuxClient& client() const noexcept { return client_; }
    const ServerIdentity& server() const noexcept { return server_; }
    PaneStateTracker& tracker() noexcept { return tracker_; }
    const PaneStateTracker& tracker() const noexcept { return tracker_; }
    // The host has a /proc (false: every pane's state is unknown, exited aside).
    bool procAvailable() const noexcept { return procAvailable_; }

    // Reads what the tracker says is due now (nothing when nothing is). pushed: tmux's
    // fields of every pane from the live watcher, used instead of running tmux.
    Step step(const std::vector<PaneSignals>* pushed = nullptr);
    // Reads every pane now.
    Step readAll(const std::vector<PaneSignals>* pushed = nullptr);
    // readAll(), then step() every busyProc until window has passed; the statuses then.
    std::vector<PaneStatus> settle(std::chrono::milliseconds window);

private:
    Step readFull(const std::vector<PaneSignals>* pushed);
    Step readSome(const std::vector<ForegroundProbe::Request>& requests);
    Step readFullRemote(const std::vector<PaneSignals>* pushed);
    Step readSomeRemote(const std::vector<ForegroundProbe::Request>& requests);

    TmuxClient client_;
    ServerIdentity server_;
    PaneStateTracker tracker_;
    bool procAvailable_ = true;
};

}  // namespace quillon
