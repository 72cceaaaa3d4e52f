#pragma once
// The snapshots of one server on disk: one JSON file per snapshot in
// $XDG_STATE_HOME/quillon/snapshots/<server>/ (default ~/.local/state), named after the
// instant it was taken (UTC), written atomically.
//
// The ring keeps the newest 20 and the newest of each of the last 7 days. A snapshot of a
// stopped or empty server is never written, so the death of a server can never push a good
// snapshot out. A file that does not parse is renamed aside (<file>.corrupt-<time>) and
// skipped; nothing ever writes over it.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/l10n.h"
#include "core/server_snapshot.h"

namespace quillon {

struct StoredSnapshot {
    std::filesystem::path file;
    ServerSnapshot snapshot;
};

struct RingContents {
    std::vector<StoredSnapshot> snapshots;  // newest first
    std::vector<std::filesystem::path> keptAside;  // files that did not parse, after renaming
};

namespace SnapshotRing {

inline constexpr std::size_t newestKept = 20;
inline constexpr int daysKept = 7;

// $XDG_STATE_HOME/quillon/snapshots (an unset or relative value: $HOME/.local/state).
std::filesystem::path rootDirectory(const Environment& environment);
// The directory of one server (serverDirectoryName) under a root.
std::filesystem::path serverDirectory(const std::filesystem::path& root, const std::string& serverName);

// Which of these instants (newest first) the ring keeps at now: the first newestKept, and
// the newest one in each of the daysKept 24-hour spans that end at now.
std::vector<bool> keep(const std::vector<TimePoint>& takenNewestFirst, TimePoint now);

// The file name for an instant ("20261207T151200.123Z.json") and the instant of a name.
std::string fileName(TimePoint taken);
std::optional<TimePoint> instantOfFileName(const std::string& name);

// Writes the snapshot (creating the directory) and prunes the ring. Nothing is written, and
// nothing pruned, when the snapshot holds no session. Throws std::system_error (or
// std::filesystem::filesystem_error) when the file cannot be written; the ring is then as it was.
std::optional<std::filesystem::path> save(const std::filesystem::path& directory, const ServerSnapshot& snapshot,
                                          TimePoint now);
// Deletes the snapshot files the rule does not keep; other files are left alone.
void prune(const std::filesystem::path& directory, TimePoint now);
// Every snapshot of the directory, newest first; files that do not parse are renamed aside.
RingContents load(const std::filesystem::path& directory);

}  // namespace SnapshotRing
}  // namespace quillon
