// Snapshot documents and the ring that keeps them. A document that decodes reads back the same
// after it is written again (decode, encode, decode gives what the first decode gave). A file
// in the ring is either loaded, with that same content, or renamed aside byte for byte:
// nothing in the directory is lost or emptied.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/server_snapshot.h"
#include "core/snapshot_ring.h"
#include "fuzz/fuzz_check.h"

namespace {

using namespace quillon;
namespace fs = std::filesystem;

std::optional<ServerSnapshot> decoded(const std::string& text) {
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded()) return std::nullopt;
    try {
        return snapshotFromJson(document);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void checkRing(const std::string& text, const std::optional<ServerSnapshot>& snapshot) {
    static const fs::path ring = [] {
        const fs::path dir = fs::temp_directory_path() / ("quillon-fuzz-ring-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        return dir;
    }();
    for (const auto& entry : fs::directory_iterator(ring)) fs::remove(entry.path());
    const fs::path file = ring / SnapshotRing::fileName(fromEpochSeconds(1'765'000'000));
    std::ofstream(file, std::ios::binary) << text;

    const RingContents loaded = SnapshotRing::load(ring);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(ring)) {
        ++files;
        FUZZ_CHECK(contents(entry.path()) == text);
    }
    FUZZ_CHECK(files == 1);
    FUZZ_CHECK(loaded.snapshots.size() + loaded.future.size() + loaded.keptAside.size() == 1);
    for (const auto* kept : {&loaded.snapshots, &loaded.future}) {
        if (kept->empty()) continue;
        FUZZ_CHECK(snapshot.has_value());
        FUZZ_CHECK(kept->front().snapshot == *snapshot);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool throughRing = data[0] & 1;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto snapshot = decoded(text);
    if (snapshot) {
        const auto again = decoded(toJson(*snapshot).dump());
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(*again == *snapshot);
    }
    if (throughRing) checkRing(text, snapshot);
    return 0;
}
