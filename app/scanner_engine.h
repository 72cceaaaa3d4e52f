#pragma once
// Watches the app's tmux server and turns every change into a ScanEvent: by polling
// (a full snapshot diff per tick) or through a control-mode client that pushes window
// changes while a slower tick still diffs sessions. Every event goes to the bounded log,
// to the close notifications when asked for, and to the rules.
//
// Lives on the GUI thread; snapshots and lookups run in pool jobs whose results come back
// to it. Destroying a running engine stops its timer and its control-mode child.

#include <QObject>
#include <QTimer>

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/control_mode.h"
#include "core/scan_event.h"
#include "core/server_identity.h"
#include "core/tmux_model.h"

namespace quillon {

class AppEnvironment;
class Notifier;
class RuleStore;

class ScannerEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)

public:
    static constexpr std::size_t maxEvents = 500;

    ScannerEngine(AppEnvironment& environment, RuleStore& rules, Notifier& notifier, QObject* parent = nullptr);
    ~ScannerEngine() override;

    // Oldest first.
    const std::deque<ScanEvent>& events() const noexcept { return events_; }
    void clearEvents();
    bool running() const noexcept { return running_; }

    // No effect when already running / not running.
    void start();
    void stop();
    // (Re)creates the tick timer at the settings' scannerPeriod(): the interval, at least 0.5 s
    // polling and 5 s in control mode, at most a day.
    void schedule();
    // One tick now, as the timer would run it.
    void timerTick();

    std::optional<std::chrono::milliseconds> timerInterval() const;
    bool controlAttached() const noexcept { return control_ != nullptr || sharing_; }
    // The control-mode child, while attached.
    std::optional<pid_t> controlPid() const;

signals:
    void runningChanged();
    void eventsChanged();
    void eventAppended(const quillon::ScanEvent& event);

private:
    using Differ = std::function<std::vector<ScanEvent>(const std::vector<TmuxSession>&,
                                                        const std::vector<TmuxSession>&)>;

    bool controlModeSelected() const;
    void snapshotTick(Differ differ);
    void sessionTick();
    void fullDiffTick();
    // Attaches to the first of these sessions (the app's list, or a fresh snapshot).
    void startControl(const std::vector<TmuxSession>& sessions);
    // A change of server (AppEnvironment::serverChanged): fresh baseline, control mode
    // reattached there, no events for the switch itself.
    void followNewServer();
    void newRun();
    void dropControl();
    void watchingChanged();
    void handleNotification(std::uint64_t generation, const std::string& line);
    void resolveWindowAdd(const std::string& id);
    void handleControlExit(std::uint64_t generation);
    void append(ScanEvent event);
    void append(ScanEvent::Kind kind, std::string message);
    // Runs work in the pool; then(result) runs later on the GUI thread if the engine lives.
    template <class Work, class Then> void inBackground(Work work, Then then);

    AppEnvironment& environment_;
    RuleStore& rules_;
    Notifier& notifier_;

    std::deque<ScanEvent> events_;
    bool running_ = false;
    QTimer* timer_ = nullptr;
    std::unique_ptr<TmuxControlMode> control_;
    // The environment's watcher is the control client: its notifications come here.
    bool sharing_ = false;
    // The last snapshot, with the server it was taken of.
    struct Baseline {
        ServerIdentity server;
        std::vector<TmuxSession> sessions;
    };
    std::optional<Baseline> previous_;
    bool ticking_ = false;
    // A control-mode push came while a snapshot was out: one more snapshot follows.
    bool pushArrived_ = false;
    // The server changed and its first snapshot has not come back yet.
    bool awaitingServer_ = false;
    // Results of an earlier run, and reports of a replaced control client, are told apart
    // from current ones by these counters.
    std::uint64_t runGeneration_ = 0;
    std::uint64_t controlGeneration_ = 0;
};

}  // namespace quillon
