#pragma once
// Whether a pane needs its user. Every pane of a server is in one state, entered at a known
// time: a program waits for input, runs, ran and finished, went quiet; the shell is at its
// prompt; the pane is dead. Where the pane's processes cannot be read, the state is unknown
// rather than guessed. A bell is not a state but a mark with its time, kept beside it.
//
// These are values only: pane_classifier.h decides them from observations, and
// pane_state_tracker.h keeps them for every pane of a server.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tmux_model.h"

namespace quillon {

enum class PaneState {
    waitingForInput,  // a program blocked reading the terminal for 2 s, with no new output
    running,          // a program in the foreground, not waiting
    finished,         // a program gave the terminal back to the shell
    quiet,            // a program printed, then nothing for the silence threshold
    idle,             // the shell at its prompt
    exited,           // the pane is dead (remain-on-exit), with its exit status
    unknown,          // the pane's processes cannot be read (no /proc, not ours)
};

std::string_view toRaw(PaneState state);
std::optional<PaneState> paneStateFromRaw(std::string_view raw);
const std::vector<PaneState>& allPaneStates();
// "Waiting for input" / "Așteaptă input", … , "state unknown" / "stare necunoscută".
std::string label(PaneState state);

// One pane's state with what explains it.
struct PaneStatus {
    std::string paneId;  // "%12": unique within its server only
    PaneState state = PaneState::unknown;
    // When the state's condition began, as well as it can be known: waiting since the
    // program blocked after its last output, quiet since the last output, finished when the
    // shell took the terminal back, running since the program started (or stopped waiting).
    TimePoint since{};
    // The foreground program (waiting, running, quiet), or the one that ended (finished).
    std::string program;
    std::optional<std::chrono::milliseconds> duration;  // finished: how long it ran
    std::optional<int> exitStatus;                      // exited normally
    std::optional<int> exitSignal;                      // exited by a signal
    std::optional<TimePoint> bellAt;                    // a bell rang, not yet seen in tmux

    bool exitedWithError() const noexcept {
        return state == PaneState::exited && (exitSignal || (exitStatus && *exitStatus != 0));
    }
    bool operator==(const PaneStatus&) const = default;
};

// How strongly a pane calls for its user, highest first: waiting, exited with an error,
// bell, finished (a clean exit too), quiet, running, idle, unknown. A session takes the
// most urgent of its panes.
enum class Urgency { waiting, failed, bell, finished, quiet, running, idle, unknown };
Urgency urgency(const PaneStatus& status);
// Waiting, failed, a bell or finished: what the user is told about.
bool needsUser(Urgency urgency);

}  // namespace quillon
