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


std::optional<ServerSnapshot> parseFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        return snapshotFromJson(nlohmann::json::parse(bytes.str()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The ring's files (by name), newest first.
std::vector<std::pair<TimePoint, fs::path>> snapshotFiles(const fs::path& directory) {
    std::vector<std::pair<TimePoint, fs::path>> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        if (!entry.is_regular_file(error)) continue;
        if (auto taken = instantOfFileName(entry.path().filename().string())) files.emplace_back(*taken, entry.path());
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    return files;
}

}  // namespace

fs::path rootDirectory(const Environment& environment) {
    return fs::path(paths::xdgDirectory(environment, "XDG_STATE_HOME", ".local/state")) / "quillon" / "snapshots";
}

fs::path serverDirectory(const fs::path& root, const std::string& serverName) { return root / serverName; }

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
    const std::string name = fileName(snapshot.taken);
    fs::path file = directory / name;
    // Never over another file, good or not.
    for (int n = 1; fs::exists(file) || fs::is_symlink(file); ++n)
        file = directory / (name.substr(0, name.size() - extension.size()) + "-" + std::to_string(n) + std::string(extension));
    writeFileAtomically(file, toJson(snapshot).dump(), 0600);
    prune(directory, now);
    return file;
}

void prune(const fs::path& directory, TimePoint now) {
    const auto files = snapshotFiles(directory);
    std::vector<TimePoint> taken;
    taken.reserve(files.size());
    for (const auto& [instant, file] : files) taken.push_back(instant);
    const std::vector<bool> kept = keep(taken, now);
    std::error_code ignored;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!kept[i]) fs::remove(files[i].second, ignored);
}

RingContents load(const fs::path& directory) {
    RingContents contents;
    for (const auto& [instant, file] : snapshotFiles(directory)) {
        if (auto snapshot = parseFile(file)) {
            contents.snapshots.push_back({file, std::move(*snapshot)});
            continue;
        }
        const fs::path aside = corruptAsidePath(file);
        std::error_code error;
        fs::rename(file, aside, error);
        contents.keptAside.push_back(error ? file : aside);
    }
    std::stable_sort(contents.snapshots.begin(), contents.snapshots.end(),
                     [](const StoredSnapshot& a, const StoredSnapshot& b) { return a.snapshot.taken > b.snapshot.taken; });
    return contents;
}

}  // namespace quillon::SnapshotRing
