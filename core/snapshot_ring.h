#pragma once
// The snapshots of one server on disk: one JSON file per snapshot in
// $XDG_STATE_HOME/quillon/snapshots/<ServerIdentity::folder()>/ (default ~/.local/state),
// named after the instant it was taken (UTC), written atomically.
//
// Which snapshot is newer is told by the sequence number each file carries (one more than
// any in the directory when it was written), not by the clock: a clock that ran ahead once
// cannot make the current state look old. A file written more than aheadAllowed after now
// is from the future: kept apart, never pruned and never counted, until the clock reaches it.
//
// The ring keeps the newest 20 and the newest of each of the last 7 days, and never the
// file just written. A snapshot of a stopped or empty server is never written, so the death
// of a server can never push a good snapshot out. A file that does not parse is renamed
// aside (<file>.corrupt-<time>) and skipped; nothing ever writes over it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/l10n.h"
#include "core/server_identity.h"
#include "core/server_snapshot.h"

namespace quillon {

struct StoredSnapshot {
    std::filesystem::path file;
    ServerSnapshot snapshot;
    std::int64_t sequence = 0;  // 0: written by a version that kept none
    TimePoint written{};        // the clock when it was written; taken for older files
};

struct RingContents {
    std::vector<StoredSnapshot> snapshots;  // newest first
    std::vector<std::filesystem::path> keptAside;  // files that did not parse, after renaming
    std::vector<StoredSnapshot> future;  // written after now, by a clock that ran ahead
};

namespace SnapshotRing {

inline constexpr std::size_t newestKept = 20;
inline constexpr int daysKept = 7;
inline constexpr std::chrono::minutes aheadAllowed{10};

// $XDG_STATE_HOME/quillon/snapshots (an unset or relative value: $HOME/.local/state).
std::filesystem::path rootDirectory(const Environment& environment);
// The directory of one server under a root: never outside it, whatever the host or socket.
std::filesystem::path serverDirectory(const std::filesystem::path& root, const ServerIdentity& server);

// Which of these instants (newest first) the ring keeps at now: the first newestKept, and
// the newest one in each of the daysKept 24-hour spans that end at now.
std::vector<bool> keep(const std::vector<TimePoint>& takenNewestFirst, TimePoint now);

// The file name for an instant ("20261207T151200.123Z.json") and the instant of a name.
std::string fileName(TimePoint taken);
std::optional<TimePoint> instantOfFileName(const std::string& name);

// Writes the snapshot (creating the directory) with the next sequence number and now as its
// write time, then prunes the ring. Nothing is written, and nothing pruned, when the snapshot
// holds no session. Throws std::system_error (or std::filesystem::filesystem_error) when the
// file cannot be written; the ring is then as it was.
std::optional<std::filesystem::path> save(const std::filesystem::path& directory, const ServerSnapshot& snapshot,
                                          TimePoint now);
// Deletes the snapshot files the rule does not keep, except the one named spared; files from
// the future and other files are left alone.
void prune(const std::filesystem::path& directory, TimePoint now, const std::filesystem::path& spared = {});
// Every snapshot of the directory, newest first, those from the future apart; files that do
// not parse are renamed aside.
RingContents load(const std::filesystem::path& directory, TimePoint now = Clock::now());

}  // namespace SnapshotRing
}  // namespace quillon
