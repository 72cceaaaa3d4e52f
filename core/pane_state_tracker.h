#pragma once
// The states of every pane of one server over time. Fed with readings (tmux's fields of every
// pane, /proc of some), it advances each pane's track (pane_classifier.h) and says what
// changed. It also says what to read next, so that the cost stays low where nothing happens:
// - a pane whose program holds the terminal: /proc every busyProc (250 ms);
// - a pane at its prompt: every idleProc (1 s), and then only its shell's context switches
//   unless the shell ran (the reading is skipped: "unchanged");
// - tmux's fields of every pane: every busyTmux (1 s) while some program runs, every
//   idleTmux (5 s) while all panes sit at their prompt (busyTmux again once a shell has run
//   something since the last reading: a bell or a quick command), and at once when a program was just
//   seen (its output is measured from there); a caller with the live watcher passes the
//   fields it was pushed instead.
// With the live watcher, tmux says itself when a pane's window printed or rang, its command
// changed or it died; the caller then reads at once and the idle readings above are only a
// slow safety net (SamplingTiming::watched()).
// No clock and no I/O here: PaneStateSampler (pane_sampler.h) does the reading. One tracker
// belongs to one server; pane ids are only unique within it.

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/foreground_probe.h"
#include "core/pane_classifier.h"
#include "core/pane_observation.h"

namespace quillon {

// How often panes are read (see above).
struct SamplingTiming {
    std::chrono::milliseconds busyProc{250};
    std::chrono::milliseconds idleProc{1000};
    std::chrono::milliseconds busyTmux{1000};
    std::chrono::milliseconds idleTmux{5000};

    // While the watcher tells of every stir: at idle, nearly nothing is read.
    static SamplingTiming watched() { return {std::chrono::milliseconds(250), std::chrono::seconds(10),
                                              std::chrono::seconds(1), std::chrono::seconds(30)}; }
};

class PaneStateTracker {
public:
    using Timing = SamplingTiming;
    // What is due at a given time.
    struct Plan {
        bool tmux = false;  // tmux's fields of every pane, and then /proc of every pane
        std::vector<ForegroundProbe::Request> requests;  // else /proc of these panes
        bool empty() const noexcept { return !tmux && requests.empty(); }
    };
    // A pane whose status changed; before is nothing for a pane first seen.
    struct Change {
        std::optional<PaneStatus> before;
        PaneStatus after;
    };

    explicit PaneStateTracker(AttentionThresholds thresholds = {}, Timing timing = {});

    Plan plan(TimePoint now) const;
    // A reading of the whole server: tmux's fields of every pane (a pane not listed is gone)
    // and, in the same order, each one's /proc facts (nothing: unchanged since the last).
    std::vector<Change> updateAll(const std::vector<PaneSignals>& panes,
                                  const std::vector<std::optional<ForegroundFacts>>& facts, TimePoint now);
    // /proc of some panes (requests as plan() gave them), tmux's last fields kept.
    std::vector<Change> updateSome(const std::vector<ForegroundProbe::Request>& requests,
                                   const std::vector<std::optional<ForegroundFacts>>& facts, TimePoint now);
    // Every pane's status, in tmux's order, and the fields it was last listed with.
    std::vector<PaneStatus> statuses() const;
    const std::vector<PaneSignals>& panes() const noexcept { return panes_; }
    std::optional<PaneStatus> status(const std::string& paneId) const;
    // The requests of a full reading: every listed pane, the quiet ones skippable.
    std::vector<ForegroundProbe::Request> requestsFor(const std::vector<PaneSignals>& panes) const;

    const AttentionThresholds& thresholds() const noexcept { return thresholds_; }
    void setThresholds(const AttentionThresholds& thresholds) { thresholds_ = thresholds; }
    const Timing& timing() const noexcept { return timing_; }
    void setTiming(const Timing& timing) { timing_ = timing; }

private:
    struct Entry {
        PaneTrack track;
        ForegroundFacts facts;
        TimePoint procReadAt{};
        std::uint64_t switchesAtTmuxRead = 0;  // the foreground's, when tmux was last read
    };
    bool busy(const Entry& entry) const;
    std::optional<std::uint64_t> skippable(const Entry& entry) const;
    std::optional<Change> observe(const PaneSignals& pane, const std::optional<ForegroundFacts>& facts,
                                  std::optional<TimePoint> bell, bool fresh, TimePoint now);
    std::unordered_map<std::string, std::optional<TimePoint>> bells(const std::vector<PaneSignals>& panes,
                                                                     TimePoint now) const;

    AttentionThresholds thresholds_;
    Timing timing_;
    std::vector<PaneSignals> panes_;
    std::unordered_map<std::string, Entry> entries_;  // by pane id
    std::optional<TimePoint> tmuxReadAt_;
};

}  // namespace quillon
