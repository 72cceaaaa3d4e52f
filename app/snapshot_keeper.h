#pragma once
// Remembers the server the app shows: after a refresh that changed its structure, a snapshot
// (core/server_snapshot.h) goes into the ring of that server's identity, host and socket
// (core/snapshot_ring.h), at most once
// every 10 s; the last change inside that gap is saved when it ends. The GUI thread only
// copies the shape and compares it; JSON and the file are made in the keeper's pool, one
// write after another.
//
// It also offers the way back: while the server is stopped or lacks sessions of the newest
// snapshot, `offer` says how many and from when; restore() runs the plan through the client.

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "core/restore_plan.h"
#include "core/server_snapshot.h"
#include "core/snapshot_ring.h"
#include "core/tmux_model.h"

namespace quillon {

class AppEnvironment;

struct RestoreOffer {
    std::int64_t sessions = 0;  // of the newest snapshot, missing from the server
    TimePoint taken{};
    bool operator==(const RestoreOffer&) const = default;
};
using OptionalRestoreOffer = std::optional<RestoreOffer>;

class SnapshotKeeper : public QObject {
    Q_OBJECT
    Q_PROPERTY(quillon::OptionalRestoreOffer offer READ offer NOTIFY offerChanged)

public:
    static constexpr std::chrono::seconds minimumGap{10};

    // root: where the servers' rings live (SnapshotRing::rootDirectory); empty keeps nothing.
    SnapshotKeeper(AppEnvironment& environment, std::filesystem::path root, QObject* parent = nullptr);
    // Waits for the writes in flight.
    ~SnapshotKeeper() override;

    bool enabled() const noexcept { return !root_.empty(); }
    // The ring of the server shown (AppEnvironment::serverIdentity()).
    std::filesystem::path directory() const;
    const OptionalRestoreOffer& offer() const noexcept { return offer_; }
    // The newest snapshot written or found for this server.
    // (The offer counts against the snapshot of the server before, while one died.)
    const std::optional<ServerSnapshot>& newest() const noexcept { return newest_; }

    // The GUI-thread part of a refresh: captures, compares and hands a changed shape to the
    // pool (or keeps it for the end of the gap). Called on every change of the sessions.
    void observe(const std::vector<TmuxSession>& sessions, TimePoint now = Clock::now());
    // Every snapshot of this server, newest first, read in the pool.
    void load(std::function<void(RingContents)> done);
    // Recreates the chosen sessions (all when empty) that the server lacks, then refreshes;
    // its folders are looked for on the machine the server runs on. A snapshot of another
    // server than the one shown is refused, with the reason in the report's failures.
    void restore(ServerSnapshot snapshot, std::set<std::string> sessions, std::function<void(RestoreReport)> done);
    // Blocks until the writes handed to the pool are on disk (tests and benchmarks).
    void waitForWrites() { writer_.waitForDone(); }

signals:
    void offerChanged();
    // A snapshot reached the disk (or failed to: message not empty).
    void written(QString file, QString message);

private:
    void reloadRing();
    void observeShown();
    void write(ServerSnapshot snapshot, TimePoint now);
    void updateOffer();

    AppEnvironment& environment_;
    std::filesystem::path root_;
    std::optional<ServerSnapshot> newest_;
    std::optional<ServerSnapshot> pending_;
    // The newest snapshot of a server that died (or lost every session) since: what the offer
    // counts against, so that a fresh server's first snapshot does not hide the way back.
    std::optional<ServerSnapshot> lost_;  // a change waiting for the end of the gap
    std::optional<TimePoint> lastWrite_;
    bool ringRead_ = false;  // nothing is compared or written before the ring is known
    OptionalRestoreOffer offer_;
    QTimer* gapTimer_;
    std::uint64_t generation_ = 0;  // bumped with every new client
    QThreadPool writer_;  // one thread: writes land in order
    QThreadPool worker_;  // loading and restoring
};

}  // namespace quillon
