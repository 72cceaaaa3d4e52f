#include "core/pane_state_tracker.h"

#include <algorithm>
#include <unordered_set>

namespace quillon {

PaneStateTracker::PaneStateTracker(AttentionThresholds thresholds, Timing timing)
    : thresholds_(thresholds), timing_(timing) {}

bool PaneStateTracker::busy(const Entry& entry) const {
    // A dead pane whose status tmux has not told yet: read again soon.
    if (entry.track.deadUntoldSince) return true;
    switch (entry.track.status.state) {
        case PaneState::running:
        case PaneState::waitingForInput:
        case PaneState::quiet: return true;
        case PaneState::unknown: return entry.track.episode.has_value();
        default: return false;
    }
}

std::optional<std::uint64_t> PaneStateTracker::skippable(const Entry& entry) const {
    const auto state = entry.track.status.state;
    const bool atPrompt = (state == PaneState::idle || state == PaneState::finished) &&
                          entry.facts.shellInForeground && entry.facts.use == TerminalUse::prompt;
    if (!atPrompt) return std::nullopt;
    return entry.facts.switches;
}

PaneStateTracker::Plan PaneStateTracker::plan(TimePoint now) const {
    Plan plan;
    const bool anyBusy = std::any_of(entries_.begin(), entries_.end(), [&](const auto& e) { return busy(e.second); });
    // A program just seen needs the output it started from, before it prints much more.
    const bool unmarked = std::any_of(entries_.begin(), entries_.end(), [](const auto& e) {
        return e.second.track.episode && !e.second.track.episode->marked;
    });
    // Quiet is told by tmux's fields: read them as soon as a printing program's silence is due.
    const bool silenceDue = std::any_of(entries_.begin(), entries_.end(), [&](const auto& e) {
        const PaneTrack& track = e.second.track;
        if (track.status.state != PaneState::running || !track.episode || !track.episode->printed ||
            !track.lastOutputAt)
            return false;
        const TimePoint due = *track.lastOutputAt + thresholds_.silence;
        return now >= due && track.outputReadAt < due;
    });
    // A shell that ran something since tmux was last read (a quick command, a bell) has tmux's
    // fields read as soon as a busy pane's would be; one that sat still costs no tmux run.
    const bool stirred = std::any_of(entries_.begin(), entries_.end(), [](const auto& e) {
        return e.second.facts.switches != e.second.switchesAtTmuxRead;
    });
    if (!tmuxReadAt_ || unmarked || silenceDue ||
        now - *tmuxReadAt_ >= (anyBusy || stirred ? timing_.busyTmux : timing_.idleTmux)) {
        plan.tmux = true;
        return plan;
    }
    for (const auto& pane : panes_) {
        auto found = entries_.find(pane.paneId);
        if (found == entries_.end() || pane.dead) continue;
        const Entry& entry = found->second;
        const bool isBusy = busy(entry);
        if (now - entry.procReadAt < (isBusy ? timing_.busyProc : timing_.idleProc)) continue;
        plan.requests.push_back({pane.pid, pane.tty, isBusy ? std::nullopt : skippable(entry)});
    }
    return plan;
}

std::vector<ForegroundProbe::Request> PaneStateTracker::requestsFor(const std::vector<PaneSignals>& panes) const {
    std::vector<ForegroundProbe::Request> requests;
    requests.reserve(panes.size());
    for (const auto& pane : panes) {
        auto found = entries_.find(pane.paneId);
        std::optional<std::uint64_t> skip;
        if (found != entries_.end() && found->second.track.status.state != PaneState::exited &&
            !busy(found->second))
            skip = skippable(found->second);
        requests.push_back({pane.pid, pane.tty, skip});
    }
    return requests;
}

std::unordered_map<std::string, std::optional<TimePoint>> PaneStateTracker::bells(const std::vector<PaneSignals>& panes,
                                                                                  TimePoint now) const {
    std::unordered_map<std::string, std::vector<const PaneSignals*>> windows;
    for (const auto& pane : panes) windows[pane.windowId].push_back(&pane);
    std::unordered_map<std::string, std::optional<TimePoint>> rang;
    for (const auto& [window, members] : windows) {
        if (!members.front()->windowBell) continue;
        bool before = false;
        std::vector<const PaneSignals*> printed;
        for (const auto* pane : members) {
            auto found = entries_.find(pane->paneId);
            if (found == entries_.end()) continue;
            before = before || found->second.track.windowBell;
            if (found->second.track.outputKnown && found->second.track.output != pane->output) printed.push_back(pane);
        }
        if (before) continue;
        // tmux flags the window; the pane that rang is the one that printed since the last
        // reading, else the one the window shows.
        std::vector<const PaneSignals*> ringers = printed;
        if (ringers.empty())
            for (const auto* pane : members)
                if (pane->active) ringers.push_back(pane);
        if (ringers.empty()) ringers = members;
        const auto activity = members.front()->windowActivity;
        const bool recent = activity && *activity <= now && (!tmuxReadAt_ || *activity >= *tmuxReadAt_ - std::chrono::seconds(1));
        for (const auto* pane : ringers) rang[pane->paneId] = recent ? *activity : now;
    }
    return rang;
}

std::optional<PaneStateTracker::Change> PaneStateTracker::observe(const PaneSignals& pane,
                                                                   const std::optional<ForegroundFacts>& facts,
                                                                   std::optional<TimePoint> bell, bool fresh,
                                                                   TimePoint now) {
    auto found = entries_.find(pane.paneId);
    std::optional<PaneTrack> previous;
    ForegroundFacts used;
    if (found != entries_.end()) {
        previous = found->second.track;
        used = found->second.facts;
    }
    if (facts) used = *facts;
    PaneObservation observation{pane, used, now, bell, fresh};
    Entry& entry = entries_[pane.paneId];
    entry.track = advance(previous, observation, thresholds_);
    entry.facts = used;
    entry.procReadAt = now;
    if (previous && previous->status == entry.track.status) return std::nullopt;
    return Change{previous ? std::optional<PaneStatus>(previous->status) : std::nullopt, entry.track.status};
}

std::vector<PaneStateTracker::Change> PaneStateTracker::updateAll(const std::vector<PaneSignals>& panes,
                                                                  const std::vector<std::optional<ForegroundFacts>>& facts,
                                                                  TimePoint now) {
    const auto rang = bells(panes, now);
    std::vector<Change> changes;
    std::unordered_set<std::string> listed;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        listed.insert(panes[i].paneId);
        auto bell = rang.find(panes[i].paneId);
        auto change = observe(panes[i], i < facts.size() ? facts[i] : std::nullopt,
                              bell == rang.end() ? std::nullopt : bell->second, true, now);
        if (change) changes.push_back(std::move(*change));
    }
    std::erase_if(entries_, [&](const auto& entry) { return !listed.count(entry.first); });
    for (auto& [id, entry] : entries_) entry.switchesAtTmuxRead = entry.facts.switches;
    panes_ = panes;
    tmuxReadAt_ = now;
    return changes;
}

std::vector<PaneStateTracker::Change> PaneStateTracker::updateSome(const std::vector<ForegroundProbe::Request>& requests,
                                                                   const std::vector<std::optional<ForegroundFacts>>& facts,
                                                                   TimePoint now) {
    std::vector<Change> changes;
    for (std::size_t i = 0; i < requests.size() && i < facts.size(); ++i) {
        auto pane = std::find_if(panes_.begin(), panes_.end(), [&](const PaneSignals& p) {
            return p.pid == requests[i].panePid && p.tty == requests[i].tty;
        });
        if (pane == panes_.end()) continue;
        if (auto change = observe(*pane, facts[i], std::nullopt, false, now)) changes.push_back(std::move(*change));
    }
    return changes;
}

std::vector<PaneStatus> PaneStateTracker::statuses() const {
    std::vector<PaneStatus> out;
    out.reserve(panes_.size());
    // One per pane and in the panes' order, so that callers may pair them by place: a pane not
    // read yet is unknown rather than missing.
    for (const auto& pane : panes_) {
        if (auto found = entries_.find(pane.paneId); found != entries_.end()) out.push_back(found->second.track.status);
        else out.emplace_back().paneId = pane.paneId;
    }
    return out;
}

std::optional<PaneStatus> PaneStateTracker::status(const std::string& paneId) const {
    auto found = entries_.find(paneId);
    if (found == entries_.end()) return std::nullopt;
    return found->second.track.status;
}

}  // namespace quillon
