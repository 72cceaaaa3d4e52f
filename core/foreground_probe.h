#pragma once
// What /proc shows of the process that holds a pane's terminal, read-only, for many panes
// at once: on this machine in this process, on another one by one `sh -c` script through
// the shared ssh connection (one round trip, tmux's listing included when asked for).
//
// Per pane, from the pane's first process (tmux's pane_pid):
// - its `stat` gives the terminal's foreground process group (tpgid);
// - that group's leader, and the members of the group it waits for (children walked
//   through task/<pid>/children, a few levels), each give `wchan`, `syscall` (which call
//   and its arguments: read on the terminal's descriptor, select/poll/epoll on it and with
//   or without a time limit), `schedstat` (how often it ran) and `sched` (when it last ran);
// - the terminal's own mode (termios), only where it decides between a shell's prompt and
//   its `read`, and for a foreground that is not ours (echo off: a password prompt).
// Both ways produce the same PaneReading, and one pure function, interpret(), turns it into
// ForegroundFacts, so the rules are tested on recorded /proc texts.
//
// What this kernel shows (Linux 6.x, checked by experiment): a read on a terminal waits in
// `wait_woken` (older kernels: `n_tty_read`), select and poll in `poll_schedule_timeout`;
// `syscall` names the call with its arguments (poll's -1 is 0xffffffff). `wchan` and
// `syscall` of another user's process read as "0" and EACCES; with Yama's ptrace_scope=1
// `syscall` is refused for our own processes too, and wchan alone is used.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pane_observation.h"

namespace quillon::ForegroundProbe {

// One pane to read. unchangedIf: the context switches of the pane's first process at the
// last reading, for a pane at its prompt; when they are the same, nothing of the pane ran
// since and the reading is skipped (the answer says "unchanged").
struct Request {
    std::int64_t panePid = 0;
    std::string tty;
    std::optional<std::uint64_t> unchangedIf;
};

// One process as read.
struct ProcessReading {
    std::int64_t pid = 0;
    std::string name;       // `comm`
    std::string stat;       // `stat` after "(comm) ": state, ppid, pgrp, …
    bool ours = false;      // owned by the reading user
    std::optional<std::string> wchan;    // nothing: not readable
    std::optional<std::string> syscall;  // nothing: not readable
    std::optional<std::uint64_t> switches;  // `schedstat`'s third field
    std::optional<double> lastRanMs;        // `sched`'s se.exec_start
    std::vector<int> terminalFds;           // its descriptors open on the pane's terminal
    bool epollWatchesTerminal = false;      // the epoll it waits on has the terminal

    bool operator==(const ProcessReading&) const = default;
};

struct PaneReading {
    std::int64_t panePid = 0;
    bool unchanged = false;                  // skipped: see Request::unchangedIf
    std::optional<ProcessReading> first;     // the pane's first process; nothing: gone or no /proc
    std::vector<ProcessReading> foreground;  // the group's leader, then members it waits for
    std::optional<unsigned> localModes;      // termios c_lflag, where read

    bool operator==(const PaneReading&) const = default;
};

// The reading host's clocks at the time of the reading.
struct HostClock {
    double uptimeSeconds = 0;             // /proc/uptime
    std::optional<double> scheduledMs;    // the reader's own se.exec_start: "now" for sched
    long ticksPerSecond = 100;            // stat's start time unit
    bool privileged = false;              // root reads every process
    std::string machine;                  // uname's machine: the calls' numbers differ
};

// ---- Pure ----
// A shell's name (sh, bash, zsh, fish, …; "-bash" for a login shell): never typed into when
// restored, and a prompt when it is in front.
bool isShell(std::string_view name);
// Shells whose prompt edits the line in raw mode (bash, zsh, fish, ksh…): in canonical mode
// such a shell is in its own `read`.
bool editsLineRaw(std::string_view name);
ForegroundFacts interpret(const PaneReading& reading, const HostClock& clock, TimePoint now);

// ---- This machine ----
HostClock localClock();
std::vector<PaneReading> readLocal(const std::vector<Request>& requests);

// ---- Another machine ----
// The words of one remote run (`sh -c <script> …`). With tmuxWords (the tmux command line:
// "tmux", "-u", socket options, PaneSignalQuery::arguments()) the script runs tmux first and
// then reads every pane it listed; without, it reads the requests' panes.
std::vector<std::string> remoteWords(const std::vector<std::string>& tmuxWords, const std::vector<Request>& requests);

struct RemoteAnswer {
    bool ran = false;            // the script answered (else ssh failed before it)
    bool procAvailable = false;  // the host has a /proc to read
    HostClock clock;
    double hostNow = 0;          // the host's epoch seconds
    std::string tmuxOutput;      // tmux's records, when it was run
    std::string tmuxError;       // what else tmux printed (its error text)
    int tmuxStatus = 0;
    std::vector<PaneReading> readings;
};
RemoteAnswer parseRemote(std::string_view output);

}  // namespace quillon::ForegroundProbe
