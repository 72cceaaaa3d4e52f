#pragma once
// The shown server's watcher, as the GUI thread sees it: one control-mode child attached
// read-only, its size ignored and without pane output (ServerWatch), whose lines are read
// on its own thread and come back here as three signals. The first change after a quiet
// spell makes a structureChanged at once; those that follow it within `coalescing` make one
// more, when that time is up.
//
// Owns the child: stop(), a new start() and the destructor end it. The end of a child that
// does not answer at once (a stopped server, a mute host) is waited for on a thread of the
// watcher's own, so the GUI thread never waits; the destructor waits for it.

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/server_watch.h"
#include "core/tmux_client.h"

namespace quillon {

class TmuxControlMode;

class ServerWatcher : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds coalescing{30};
    // A child that says nothing a control client says within this time is given up.
    static constexpr std::chrono::milliseconds answerLimit{10'000};

    explicit ServerWatcher(QObject* parent = nullptr);
    ~ServerWatcher() override;

    // Watches client's server through a control client attached to session (an id).
    // Replaces a running child. A child that cannot start ends at once (ended(false), queued).
    void start(const TmuxClient& client, const std::string& session);
    // Ends the child without a report.
    void stop();

    // A child runs (started, not ended).
    bool running() const noexcept { return control_ != nullptr; }
    // It attached and answers: changes are pushed.
    bool watching() const noexcept { return running() && attached_; }
    std::optional<pid_t> pid() const;
    // The session the running child was started for, as start() was given it.
    const std::string& session() const noexcept { return session_; }

signals:
    // The client is attached; what changed before it may not have been pushed.
    void attached();
    void structureChanged();
    // Each notification of a change as tmux wrote it, for readers of their own (the scanner).
    void notified(const std::string& line);
    void valuesChanged(const quillon::ServerWatch::LiveValues& values);
    // The child ended or was given up. byTmux: tmux ended the client (its session or server
    // went, someone detached it), and watching may start again at once; otherwise it ended
    // unexpectedly or never answered.
    void ended(bool byTmux);

private:
    void handleLine(std::uint64_t generation, const std::string& line);
    void handleEnd(std::uint64_t generation);
    void retire();  // the child's end, off this thread
    void finish(bool byTmux);

    std::unique_ptr<TmuxControlMode> control_;
    std::string session_;
    bool attached_ = false;
    bool sound_ = false;   // a control client's line came
    bool exiting_ = false;  // tmux said it ends the client
    bool changedSince_ = false;  // a change came since the last structureChanged
    // Lines and ends of a replaced child are told apart by this counter.
    std::uint64_t generation_ = 0;
    QTimer coalesce_;
    QTimer answer_;
    QThreadPool retirements_;
};

}  // namespace quillon
