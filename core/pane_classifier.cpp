#include "core/pane_classifier.h"

#include <algorithm>

#include "core/foreground_probe.h"

namespace quillon {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

// What a shell runs this soon after its own start is its start-up, not a command.
constexpr auto startupTime = std::chrono::seconds(3);
// tmux has reaped a dead pane's program within moments; past this its status is not waited for.
constexpr auto deadStatusGrace = std::chrono::seconds(2);

std::int64_t lineOf(const OutputMark& mark) { return mark.historySize + mark.cursorY; }

// Between the last look at the prompt and the first sight of a program, the typed command
// line and its Enter moved the cursor to the start of the next line; anything beyond that
// was printed by what ran.
bool printedBeyondEcho(const OutputMark& atPrompt, const OutputMark& now) {
    if (atPrompt == now) return false;
    const auto advanced = lineOf(now) - lineOf(atPrompt);
    return advanced >= 2 || (advanced == 1 && now.cursorX != 0);
}

// The time the same state was entered before, else the given one.
TimePoint keptSince(const std::optional<PaneTrack>& previous, PaneState state, TimePoint otherwise) {
    return previous && previous->status.state == state ? previous->status.since : otherwise;
}

// Where the output stands after this observation. tmux's fields may come later than /proc
// (they are read less often), so a change is dated by the window's activity where it can be:
// a one-pane window's activity is the pane's own (whole seconds, redraws in place too); in a
// window of several it bounds when the pane last printed.
void noteOutput(const std::optional<PaneTrack>& previous, const PaneObservation& observation, PaneTrack& next) {
    const PaneSignals& pane = observation.pane;
    if (previous) {
        next.outputKnown = previous->outputKnown;
        next.output = previous->output;
        next.outputReadAt = previous->outputReadAt;
        next.lastOutputAt = previous->lastOutputAt;
        next.promptOutput = previous->promptOutput;
        next.promptSeen = previous->promptSeen;
    }
    if (!observation.signalsFresh) return;
    const auto activity = pane.windowActivity ? std::optional(std::min(*pane.windowActivity, observation.at))
                                              : std::nullopt;
    if (!next.outputKnown) {
        next.lastOutputAt = activity;
    } else if (pane.windowPanes == 1 && activity) {
        if (!next.lastOutputAt || *activity > *next.lastOutputAt) next.lastOutputAt = activity;
    } else if (next.output != pane.output) {
        next.lastOutputAt = activity ? std::clamp(*activity + std::chrono::seconds(1), next.outputReadAt, observation.at)
                                     : observation.at;
    }
    next.outputKnown = true;
    next.output = pane.output;
    next.outputReadAt = observation.at;
}

void noteBlocking(const std::optional<PaneTrack>& previous, const ForegroundFacts& foreground, TimePoint at,
                  PaneTrack& next) {
    next.use = foreground.use;
    next.group = foreground.group;
    next.switches = foreground.switches;
    if (foreground.use != TerminalUse::reading) return;
    if (foreground.blockedSince) {
        next.blockedSince = std::min(*foreground.blockedSince, at);
        return;
    }
    // Without the kernel's time: blocked since the first read that found it so, as long as
    // the same group stayed blocked and nothing of it ran.
    const bool continued = previous && previous->use == TerminalUse::reading && previous->group == foreground.group &&
                           previous->switches == foreground.switches && previous->blockedSince;
    next.blockedSince = continued ? previous->blockedSince : std::optional<TimePoint>(at);
}

void exited(const std::optional<PaneTrack>& previous, const PaneObservation& observation, PaneTrack& next) {
    const PaneSignals& pane = observation.pane;
    next.status.state = PaneState::exited;
    next.status.since = keptSince(previous, PaneState::exited, pane.deadAt.value_or(observation.at));
    next.status.exitStatus = pane.deadSignal ? std::nullopt : pane.deadStatus;
    next.status.exitSignal = pane.deadSignal;
    if (previous && previous->episode)
        next.status.program = previous->episode->program;
    else if (previous && previous->status.state == PaneState::exited)
        next.status.program = previous->status.program;
    else
        next.status.program = pane.currentCommand;
}

void atPrompt(const std::optional<PaneTrack>& previous, const PaneObservation& observation, PaneTrack& next) {
    const auto& foreground = observation.foreground;
    next.episode.reset();
    if (observation.signalsFresh) next.promptOutput = observation.pane.output;
    next.promptSeen = true;
    if (previous && previous->episode && !previous->episode->startup) {
        const ForegroundEpisode& episode = *previous->episode;
        // The shell blocked on its prompt when the program gave the terminal back.
        TimePoint ended = std::clamp(foreground.blockedSince.value_or(observation.at), episode.started, observation.at);
        next.status.state = PaneState::finished;
        next.status.since = ended;
        next.status.program = episode.program;
        next.status.duration = duration_cast<milliseconds>(ended - episode.started);
        return;
    }
    if (previous && previous->status.state == PaneState::finished) {
        next.status.state = PaneState::finished;
        next.status.since = previous->status.since;
        next.status.program = previous->status.program;
        next.status.duration = previous->status.duration;
        return;
    }
    next.status.state = PaneState::idle;
    next.status.since = keptSince(previous, PaneState::idle, foreground.blockedSince.value_or(observation.at));
}

// Whether the program printed: output first read during the episode counts only beyond the
// typed command line's echo (measured from the prompt); later changes count whole.
void notePrinting(const std::optional<PaneTrack>& previous, const PaneObservation& observation, const PaneTrack& next,
                  ForegroundEpisode& episode) {
    if (!observation.signalsFresh) return;
    const PaneSignals& pane = observation.pane;
    if (!episode.marked) {
        episode.marked = true;
        episode.printed = next.promptOutput && printedBeyondEcho(*next.promptOutput, pane.output);
        return;
    }
    const bool changed = previous && previous->outputKnown && previous->output != pane.output;
    const bool redrawn = pane.windowPanes == 1 && pane.windowActivity &&
                         *pane.windowActivity > episode.firstSeen + std::chrono::seconds(1);
    if (changed || redrawn) episode.printed = true;
}

ForegroundEpisode episodeOf(const std::optional<PaneTrack>& previous, const PaneObservation& observation) {
    const auto& foreground = observation.foreground;
    if (previous && previous->episode) {
        ForegroundEpisode episode = *previous->episode;
        // A shell running a command line shows its own name until one of its programs runs.
        if (!foreground.shellInForeground && episode.program == foreground.shell && !foreground.program.empty())
            episode.program = foreground.program;
        return episode;
    }
    ForegroundEpisode episode;
    episode.program = foreground.program;
    episode.firstSeen = observation.at;
    episode.started = std::min(foreground.programStarted.value_or(observation.at), observation.at);
    const bool promptSeen = previous && previous->promptSeen;
    episode.startup = !promptSeen && foreground.shellStarted && ForegroundProbe::isShell(foreground.shell) &&
                      episode.started <= *foreground.shellStarted + startupTime;
    return episode;
}

void holdingTerminal(const std::optional<PaneTrack>& previous, const PaneObservation& observation,
                     const AttentionThresholds& thresholds, PaneTrack& next) {
    const auto& foreground = observation.foreground;
    const TimePoint at = observation.at;
    ForegroundEpisode episode = episodeOf(previous, observation);
    notePrinting(previous, observation, next, episode);
    next.episode = episode;
    next.status.program = episode.program;

    if (foreground.use == TerminalUse::reading) {
        TimePoint quietFrom = *next.blockedSince;
        if (next.lastOutputAt) quietFrom = std::max(quietFrom, *next.lastOutputAt);
        if (at - quietFrom >= thresholds.waitAfter) {
            next.status.state = PaneState::waitingForInput;
            next.status.since = keptSince(previous, PaneState::waitingForInput, quietFrom);
            return;
        }
    }
    if (foreground.access == ForegroundFacts::Access::denied) {
        next.status.state = PaneState::unknown;
        next.status.since = keptSince(previous, PaneState::unknown, at);
        return;
    }
    // A program reading the terminal is waiting or about to: never quiet.
    const bool reading = foreground.use == TerminalUse::reading;
    // Silence is what tmux's last reading says, not the time since: readings that come late
    // (a loaded host) must not make a printing program look quiet.
    if (!reading && episode.printed && next.lastOutputAt && next.outputReadAt - *next.lastOutputAt >= thresholds.silence) {
        next.status.state = PaneState::quiet;
        next.status.since = keptSince(previous, PaneState::quiet, *next.lastOutputAt);
        return;
    }
    next.status.state = PaneState::running;
    const bool sameEpisode = previous && previous->episode;
    next.status.since = keptSince(previous, PaneState::running, sameEpisode ? at : episode.started);
}

}  // namespace

PaneTrack advance(const std::optional<PaneTrack>& previous, const PaneObservation& observation,
                  const AttentionThresholds& thresholds) {
    const PaneSignals& pane = observation.pane;
    const ForegroundFacts& foreground = observation.foreground;
    PaneTrack next;
    next.status.paneId = pane.paneId;
    next.observedAt = observation.at;
    next.windowBell = pane.windowBell;
    noteOutput(previous, observation, next);
    // A bell stays marked until tmux's flag is cleared (the window was looked at).
    if (observation.bell)
        next.status.bellAt = observation.bell;
    else if (previous && pane.windowBell)
        next.status.bellAt = previous->status.bellAt;

    if (pane.dead) {
        // tmux may call a pane dead a moment before it has reaped the program and knows how it
        // ended: for that moment the pane stays what it was, so a failure is never first shown
        // (or announced) as an exit without its status. A status that never comes is not waited
        // for longer.
        const bool untold = !pane.deadStatus && !pane.deadSignal;
        if (untold && (!previous || previous->status.state != PaneState::exited)) {
            const TimePoint since = previous ? previous->deadUntoldSince.value_or(observation.at) : observation.at;
            if (observation.at - since < deadStatusGrace) {
                PaneTrack kept = previous ? *previous : next;  // a pane first seen so: unknown
                if (!previous) kept.status.since = observation.at;
                kept.deadUntoldSince = since;
                return kept;
            }
        }
        exited(previous, observation, next);
        return next;
    }
    if (foreground.access == ForegroundFacts::Access::changing && previous) {
        PaneTrack kept = *previous;
        if (observation.bell) kept.status.bellAt = observation.bell;
        return kept;
    }
    if (foreground.access != ForegroundFacts::Access::readable &&
        foreground.access != ForegroundFacts::Access::denied) {
        if (previous) next.episode = previous->episode;
        next.status.state = PaneState::unknown;
        next.status.since = keptSince(previous, PaneState::unknown, observation.at);
        return next;
    }
    noteBlocking(previous, foreground, observation.at, next);
    if (foreground.shellInForeground && foreground.use == TerminalUse::prompt)
        atPrompt(previous, observation, next);
    else
        holdingTerminal(previous, observation, thresholds, next);
    return next;
}

}  // namespace quillon
