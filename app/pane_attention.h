#pragma once
// The panes of the shown server that need their user, for the tray: a program waiting for
// input, a pane that exited with an error, a bell, a program that finished, each since the
// user last looked at that pane (opened it from the list, or a terminal of theirs shows it).
// Newest first.
//
// A PaneStateSampler of the shown server reads in the application's thread pool, one job at a time,
// as often as its own plan says (a pane with a program in front every 250 ms, the quiet ones
// far less); the statuses come back to the GUI thread. While the live watcher runs, it says
// when a pane printed, rang, died or changed its command: all are read at the next tick, and
// panes where nothing stirs are read only now and then. A switch of server drops the sampler
// and everything known of the old server's panes. The user's silence threshold reaches the
// sampler with the reading after it changed.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/pane_sampler.h"
#include "core/pane_state.h"

namespace quillon {

class AppEnvironment;

class PaneAttention : public QObject {
    Q_OBJECT
public:
    struct Entry {
        PaneSignals pane;     // where it lives, as last listed
        PaneStatus status;
        Urgency urgency = Urgency::unknown;
        TimePoint at{};       // when it began to need the user: the bell's time, else the state's
    };

    explicit PaneAttention(AppEnvironment& env, QObject* parent = nullptr);

    // Reading starts at once when the environment has a client, and follows its server.
    void start();
    void stop();
    bool running() const noexcept { return timer_.isActive(); }
    // How often panes are read while the watcher runs (SamplingTiming::watched() unless set).
    void setWatchedTiming(const SamplingTiming& timing) { watchedTiming_ = timing; }

    const std::vector<Entry>& needsYou() const noexcept { return needs_; }
    // Every pane of the shown server as last read, and its status, index for index.
    const std::vector<PaneSignals>& panes() const noexcept { return panes_; }
    const std::vector<PaneStatus>& statuses() const noexcept { return statuses_; }
    // The pane's status as last read, or nothing for a pane not read yet.
    const PaneStatus* statusOf(const std::string& paneId) const;
    // A session's most urgent pane status (by session id), or nothing for a session without read panes.
    const PaneStatus* sessionStatus(const std::string& sessionId) const;
    // The user looked at the pane: it leaves the list until it needs them again.
    void markSeen(const std::string& paneId);
    // Takes a reading of the shown server's panes, as the sampler's come back to this thread.
    void apply(std::vector<PaneSignals> panes, std::vector<PaneStatus> statuses);

signals:
    // needsYou() changed.
    void changed();
    // panes() or statuses() changed: a reading differed from the one before, or the server changed.
    void statesChanged();

private:
    void restart();
    void tick();
    void rebuild();
    void index();

    AppEnvironment& env_;
    QTimer timer_;
    std::shared_ptr<PaneStateSampler> sampler_;
    AttentionThresholds thresholds_;  // the settings', handed to the sampler with each reading
    SamplingTiming watchedTiming_ = SamplingTiming::watched();
    std::uint64_t generation_ = 0;
    bool reading_ = false;
    bool stirred_ = false;  // the watcher told of a pane that may have changed: read all at once
    std::vector<PaneSignals> panes_;
    std::vector<PaneStatus> statuses_;
    // Positions in statuses_: by pane id, and each session's most urgent pane.
    std::unordered_map<std::string, std::size_t> byPane_;
    std::unordered_map<std::string, std::size_t> bySession_;
    std::map<std::string, TimePoint> seen_;  // by pane id: when the user last looked
    std::vector<Entry> needs_;
};

}  // namespace quillon
