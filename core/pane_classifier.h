#pragma once
// The classification of one pane: a pure step from what was known before (PaneTrack) and a
// new observation to what is known now. No clock, no I/O: the observation carries its time,
// so a table of cases tests every rule.
//
// The rules, in order:
// - tmux says the pane is dead: exited, with its status or signal.
// - /proc cannot be read for the pane: unknown.
// - the pane's shell reads its command line: idle, or finished when a program held the
//   terminal since the last prompt (its name and how long it ran are kept); a shell's own
//   start-up (its rc files) before its first prompt finishes nothing.
// - otherwise a program holds the terminal (a shell running a command line counts, and so
//   does a shell's own `read`): waiting for input when it has been blocked reading the
//   terminal, with no time limit, for 2 s and nothing was printed meanwhile; quiet when it
//   printed and then nothing for the silence threshold; else running. A foreground that is
//   not ours to read is unknown, unless the terminal is set for a password (no echo).
// Output typed at the prompt never counts as the program's: an episode's output is what
// changed after tmux's fields were first read in it, or, in that first reading, more than
// the command line's own echo since the prompt.

#include <chrono>
#include <optional>
#include <string>

#include "core/pane_observation.h"
#include "core/pane_state.h"

namespace quillon {

struct AttentionThresholds {
    std::chrono::milliseconds waitAfter{2000};  // blocked this long without output: waiting
    std::chrono::milliseconds silence{30000};   // the user's silence threshold: quiet

    bool operator==(const AttentionThresholds&) const = default;
};

// One stretch in which something other than the prompt holds the terminal: from leaving the
// prompt to coming back to it.
struct ForegroundEpisode {
    std::string program;
    TimePoint started{};    // the program's start where /proc tells it, else first seen
    TimePoint firstSeen{};
    bool printed = false;   // the program itself produced output
    bool marked = false;    // tmux's fields were read since it was first seen
    bool startup = false;   // the shell starting (its rc files), before its first prompt

    bool operator==(const ForegroundEpisode&) const = default;
};

// What is remembered of a pane between two observations.
struct PaneTrack {
    PaneStatus status;
    bool outputKnown = false;
    OutputMark output;
    TimePoint outputReadAt{};                // when tmux's fields were last read
    std::optional<TimePoint> lastOutputAt;
    std::optional<OutputMark> promptOutput;  // as last read at the prompt
    bool promptSeen = false;
    std::optional<ForegroundEpisode> episode;
    // The foreground as last read, for continuity where the kernel gives no times.
    TerminalUse use = TerminalUse::unknown;
    std::int64_t group = 0;
    std::uint64_t switches = 0;
    std::optional<TimePoint> blockedSince;
    bool windowBell = false;
    TimePoint observedAt{};
    // tmux called the pane dead before it knew how its program ended (not reaped yet).
    std::optional<TimePoint> deadUntoldSince;

    bool operator==(const PaneTrack&) const = default;
};

// The pane's track after the observation; previous is the track of the same pane (same
// server, same pane id) after the observation before, or nothing for a pane first seen.
PaneTrack advance(const std::optional<PaneTrack>& previous, const PaneObservation& observation,
                  const AttentionThresholds& thresholds = {});

}  // namespace quillon
