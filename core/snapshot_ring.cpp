#include "core/snapshot_ring.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <system_error>

#include "core/atomic_file.h"
#include "core/paths.h"

namespace quillon::SnapshotRing {
namespace {

namespace fs = std::filesystem;
constexpr std::string_view extension = ".json";


// A file of the ring: its name's instant, and what it holds when it parses.
struct RingFile {
    fs::path file;
    std::optional<StoredSnapshot> stored;
    std::int64_t sequence = 0;
    TimePoint written{};
};

std::optional<StoredSnapshot> parseFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        const nlohmann::json document = nlohmann::json::parse(bytes.str());
        StoredSnapshot stored{file, snapshotFromJson(document), 0, {}};
        stored.written = stored.snapshot.taken;
        if (const auto sequence = document.find("sequence"); sequence != document.end()) {
            if (!sequence->is_number_integer() || sequence->get<std::int64_t>() < 0) return std::nullopt;
            stored.sequence = sequence->get<std::int64_t>();
        }
        if (const auto written = document.find("written"); written != document.end())
            stored.written = fromEpochSeconds(written->get<double>());
        return stored;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The ring's files, newest first: by sequence, then (older files have none) by instant.
std::vector<RingFile> ringFiles(const fs::path& directory) {
    std::vector<RingFile> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        if (!entry.is_regular_file(error)) continue;
        const auto named = instantOfFileName(entry.path().filename().string());
        if (!named) continue;
        RingFile& file = files.emplace_back(RingFile{entry.path(), parseFile(entry.path()), 0, *named});
        if (file.stored) {
            file.sequence = file.stored->sequence;
            file.written = file.stored->written;
        }
    }
    std::sort(files.begin(), files.end(), [](const RingFile& a, const RingFile& b) {
        if (a.sequence != b.sequence) return a.sequence > b.sequence;
        return a.written != b.written ? a.written > b.written : a.file > b.file;
    });
    return files;
}

bool fromTheFuture(const RingFile& file, TimePoint now) { return file.written > now + aheadAllowed; }

}  // namespace

fs::path rootDirectory(const Environment& environment) {
    return fs::path(paths::xdgDirectory(environment, "XDG_STATE_HOME", ".local/state")) / "quillon" / "snapshots";
}

fs::path serverDirectory(const fs::path& root, const ServerIdentity& server) { return root / server.folder(); }

std::vector<bool> keep(const std::vector<TimePoint>& takenNewestFirst, TimePoint now) {
    std::vector<bool> kept(takenNewestFirst.size(), false);
    for (std::size_t i = 0; i < takenNewestFirst.size() && i < newestKept; ++i) kept[i] = true;
    constexpr auto day = std::chrono::hours(24);
    for (int d = 0; d < daysKept; ++d) {
        const TimePoint end = now - d * day;
        const TimePoint start = end - day;
        // Newest first, so the first one inside the span is its newest.
        for (std::size_t i = 0; i < takenNewestFirst.size(); ++i) {
            const TimePoint t = takenNewestFirst[i];
            // Today's span also takes instants a little ahead of the clock.
            if (t > start && (t <= end || d == 0)) {
                kept[i] = true;
                break;
            }
        }
    }
    return kept;
}

std::string fileName(TimePoint taken) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(taken.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[48];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%S", &utc);
    char out[64];
    std::snprintf(out, sizeof out, "%s.%03dZ.json", buffer, static_cast<int>(((ms % 1000) + 1000) % 1000));
    return out;
}

std::optional<TimePoint> instantOfFileName(const std::string& name) {
    // 20261207T151200.123Z, then an optional "-n", then ".json"
    if (name.size() < 20 + extension.size() || name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
        return std::nullopt;
    std::tm utc{};
    int millis = 0;
    char z = 0;
    if (std::sscanf(name.c_str(), "%4d%2d%2dT%2d%2d%2d.%3d%c", &utc.tm_year, &utc.tm_mon, &utc.tm_mday, &utc.tm_hour,
                    &utc.tm_min, &utc.tm_sec, &millis, &z) != 8 ||
        z != 'Z')
        return std::nullopt;
    const std::string rest = name.substr(20, name.size() - 20 - extension.size());
    if (!rest.empty() && (rest.front() != '-' || rest.find_first_not_of("0123456789", 1) != std::string::npos))
        return std::nullopt;
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    const std::time_t seconds = timegm(&utc);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return Clock::from_time_t(seconds) + std::chrono::milliseconds(millis);
}

std::optional<fs::path> save(const fs::path& directory, const ServerSnapshot& snapshot, TimePoint now) {
    if (snapshot.sessions.empty()) return std::nullopt;
    fs::create_directories(directory);
    std::int64_t sequence = 0;
    for (const RingFile& file : ringFiles(directory)) sequence = std::max(sequence, file.sequence);
    nlohmann::json document = toJson(snapshot);
    document["sequence"] = sequence + 1;
    document["written"] = toEpochSeconds(now);
    const std::string name = fileName(snapshot.taken);
    fs::path file = directory / name;
    // Never over another file, good or not.
    for (int n = 1; fs::exists(file) || fs::is_symlink(file); ++n)
        file = directory / (name.substr(0, name.size() - extension.size()) + "-" + std::to_string(n) + std::string(extension));
    writeFileAtomically(file, document.dump(), 0600);
    prune(directory, now, file);
    return file;
}

void prune(const fs::path& directory, TimePoint now, const fs::path& spared) {
    // Files that do not parse are load's to set aside, never the rule's to delete.
    std::vector<RingFile> files;
    for (RingFile& file : ringFiles(directory))
        if (file.stored && !fromTheFuture(file, now)) files.push_back(std::move(file));
    std::vector<TimePoint> written;
    written.reserve(files.size());
    for (const RingFile& file : files) written.push_back(file.written);
    const std::vector<bool> kept = keep(written, now);
    std::error_code ignored;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!kept[i] && files[i].file != spared) fs::remove(files[i].file, ignored);
}

RingContents load(const fs::path& directory, TimePoint now) {
    RingContents contents;
    for (RingFile& file : ringFiles(directory)) {
        if (file.stored) {
            (fromTheFuture(file, now) ? contents.future : contents.snapshots).push_back(std::move(*file.stored));
            continue;
        }
        const fs::path aside = corruptAsidePath(file.file);
        std::error_code error;
        fs::rename(file.file, aside, error);
        contents.keptAside.push_back(error ? file.file : aside);
    }
    return contents;
}

}  // namespace quillon::SnapshotRing
