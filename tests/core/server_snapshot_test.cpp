#include <gtest/gtest.h>

#include <fstream>

#include "core/server_snapshot.h"
#include "core/snapshot_ring.h"
#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using namespace std::chrono_literals;

ServerSnapshot sample(TimePoint taken = fromEpochSeconds(1'800'000'000.25)) {
    return {ServerIdentity::named("work"),
            taken,
            {{"dev",
              "/src",
              {{0, "editor", "b25f,80x24,0,0{40x24,0,0,1,39x24,41,0,2}", true, true,
                {{0, "/src", "vim", true}, {1, "/src/lib", "bash", false}}},
               {2, "logs # 1;", "", false, false, {{0, "/var/log", "tail", true}}}}},
             {"ops", "/", {{1, "sh", "", true, false, {{0, "/", "sh", true}}}}}}};
}

TEST(ServerSnapshot, CaptureKeepsTheShapeAndNoText) {
    TmuxPane pane{3, true, "vim", 42, 80, 24, "/src", "dev:1.3", "%9"};
    TmuxWindow window{1, "ed", true, 1, {pane}, "abcd,80x24,0,0,9", "dev:1", "@4", true};
    TmuxSession session{"dev", "$1", fromEpochSeconds(5), false, 1, std::nullopt, "/src", {window}};
    const ServerSnapshot snapshot = ServerSnapshot::capture(ServerIdentity{}, {session}, fromEpochSeconds(7));
    EXPECT_EQ(snapshot, (ServerSnapshot{ServerIdentity{}, fromEpochSeconds(7),
                                        {{"dev", "/src", {{1, "ed", "abcd,80x24,0,0,9", true, true, {{3, "/src", "vim", true}}}},
                                          fromEpochSeconds(5)}}}));
    EXPECT_EQ(snapshot.sessionNames(), std::vector<std::string>{"dev"});
}

TEST(ServerSnapshot, JsonRoundTripsAndIgnoresUnknownKeys) {
    const ServerSnapshot original = sample();
    EXPECT_EQ(snapshotFromJson(nlohmann::json::parse(toJson(original).dump())), original);
    nlohmann::json extended = toJson(original);
    extended["future"] = {1, 2};
    extended["sessions"][0]["windows"][0]["panes"][0]["text"] = "never read";
    EXPECT_EQ(snapshotFromJson(extended), original);
}

TEST(ServerSnapshot, DocumentsThatAreNotSnapshotsThrow) {
    const char* bad[] = {R"([])", R"({"server":"x","taken":1})", R"({"server":"x","taken":"soon","sessions":[]})",
                         R"({"server":"x","taken":1,"sessions":{}})",
                         R"({"server":"x","taken":1,"sessions":[{"name":"a","windows":[{"name":"w","panes":[]}]}]})",
                         // Indexes that are no int64: no value a conversion could make up.
                         R"({"server":"x","taken":1,"sessions":[{"name":"a","windows":[{"index":1e300,"name":"w","panes":[]}]}]})",
                         R"({"server":"x","taken":1,"sessions":[{"name":"a","windows":[{"index":0,"name":"w","panes":[{"index":-1e19}]}]}]})",
                         R"({"server":"x","taken":1,"sessions":[{"name":"a","windows":[{"index":18446744073709551615,"name":"w","panes":[]}]}]})",
                         R"({"server":"x","taken":1,"sessions":[{"name":"a","windows":[{"index":1.5,"name":"w","panes":[]}]}]})"};
    for (const char* text : bad) EXPECT_ANY_THROW(snapshotFromJson(nlohmann::json::parse(text))) << text;
}

TEST(ServerSnapshot, StructureIgnoresActiveFlagsAndTimeOnly) {
    const ServerSnapshot base = sample();
    const std::vector<std::pair<const char*, std::function<void(ServerSnapshot&)>>> changes = {
        {"window name", [](ServerSnapshot& s) { s.sessions[0].windows[0].name = "x"; }},
        {"window index", [](ServerSnapshot& s) { s.sessions[0].windows[1].index = 5; }},
        {"layout", [](ServerSnapshot& s) { s.sessions[0].windows[0].layout = "x"; }},
        {"zoom", [](ServerSnapshot& s) { s.sessions[0].windows[0].isZoomed = false; }},
        {"pane directory", [](ServerSnapshot& s) { s.sessions[0].windows[0].panes[1].directory = "/"; }},
        {"pane command", [](ServerSnapshot& s) { s.sessions[0].windows[0].panes[0].command = "less"; }},
        {"pane gone", [](ServerSnapshot& s) { s.sessions[0].windows[0].panes.pop_back(); }},
        {"session gone", [](ServerSnapshot& s) { s.sessions.pop_back(); }},
        {"session renamed", [](ServerSnapshot& s) { s.sessions[1].name = "ops2"; }},
    };
    for (const auto& [what, change] : changes) {
        ServerSnapshot changed = base;
        change(changed);
        EXPECT_FALSE(sameStructure(base, changed)) << what;
    }
    ServerSnapshot moved = base;
    moved.taken += 1h;
    moved.sessions[0].windows[0].isActive = false;
    moved.sessions[0].windows[0].panes[1].isActive = true;
    EXPECT_TRUE(sameStructure(base, moved));
}

TEST(ServerSnapshot, LayoutShapes) {
    EXPECT_EQ(layoutShape("b25f,160x48,0,0{80x48,0,0,1,79x48,81,0[79x24,81,0,12,79x23,81,25,3]}"),
              "160x48,0,0{80x48,0,0,79x48,81,0[79x24,81,0,79x23,81,25]}");
    EXPECT_EQ(layoutShape("c3a1,80x24,0,0,7"), "80x24,0,0");
}

// Each snapshot names the server it was taken of, host included; a document of an older
// version, which named it by its local folder only, reads as that server of this machine.
TEST(ServerSnapshot, TheServerTravelsWithTheSnapshot) {
    const ServerIdentity servers[] = {ServerIdentity{}, ServerIdentity::named("work"), ServerIdentity::atPath("/tmp/a%b"),
                                      ServerIdentity::named("work", "rhost"), ServerIdentity::atPath("/run/s", "user@rhost")};
    for (const ServerIdentity& server : servers) {
        ServerSnapshot snapshot = sample();
        snapshot.server = server;
        const nlohmann::json document = toJson(snapshot);
        EXPECT_EQ(snapshotFromJson(nlohmann::json::parse(document.dump())), snapshot) << document.dump();
        EXPECT_EQ(document.at("server"), server.folder().generic_string());
    }
    const struct {
        const char* server;
        ServerIdentity identity;
    } older[] = {
        {"default", ServerIdentity{}},
        {"work", ServerIdentity::named("work")},
        {"%2E.", ServerIdentity::named("..")},
        {"%2Ftmp%2Fa%25b", ServerIdentity::atPath("/tmp/a%b")},
    };
    for (const auto& [folder, identity] : older) {
        nlohmann::json document = toJson(sample());
        for (const char* key : {"host", "socketName", "socketPath"}) document.erase(key);
        document["server"] = folder;
        EXPECT_EQ(snapshotFromJson(document).server, identity) << folder;
    }
}

// JSON holds UTF-8 only: names and folders with stray bytes are kept byte for byte, and a
// snapshot that holds them is still written.
TEST(ServerSnapshot, TextsThatAreNotUtf8RoundTripByteForByte) {
    ServerSnapshot snapshot = sample();
    snapshot.sessions[0].name = "x\\377y";  // as tmux shows a session name with the byte 0xff
    snapshot.sessions[0].directory = "/src/\xff";
    snapshot.sessions[0].windows[0].name = "w\xff\x01";
    snapshot.sessions[0].windows[0].panes[0].directory = "/tmp/d\xfe\xffx";
    snapshot.sessions[0].windows[0].panes[1].command = "prog\xc3";
    snapshot.server = ServerIdentity::named("s\xff", "h\xff");
    std::string text;
    ASSERT_NO_THROW(text = toJson(snapshot).dump());
    EXPECT_TRUE(text::isValidUtf8(text));
    EXPECT_EQ(snapshotFromJson(nlohmann::json::parse(text)), snapshot);
    EXPECT_THROW(snapshotFromJson(nlohmann::json::parse(R"({"server":"w","taken":1,"sessions":[{"name":"a","nameBytes":"zz","windows":[]}]})")),
                 std::invalid_argument);
}

// ---- The ring ----

TimePoint at(int hoursAgo, TimePoint now) { return now - std::chrono::hours(hoursAgo); }

TEST(SnapshotRing, KeepsTheNewestTwentyAndOnePerDayForAWeek) {
    const TimePoint now = fromEpochSeconds(1'800'000'000);
    std::vector<TimePoint> taken;
    for (int h = 0; h < 24 * 10; h += 2) taken.push_back(at(h, now));  // every 2 h for 10 days, newest first
    const std::vector<bool> kept = SnapshotRing::keep(taken, now);
    std::vector<int> keptHours;
    for (std::size_t i = 0; i < taken.size(); ++i)
        if (kept[i]) keptHours.push_back(static_cast<int>(i) * 2);
    // 0…38 h are the newest 20; then the newest of days 2…6 (48, 72, 96, 120, 144 h ago): the
    // span of day d is (now − (d+1)·24 h, now − d·24 h].
    std::vector<int> expected;
    for (int h = 0; h < 40; h += 2) expected.push_back(h);
    for (int d = 2; d < 7; ++d) expected.push_back(d * 24);
    EXPECT_EQ(keptHours, expected);
    EXPECT_EQ(SnapshotRing::keep({}, now), std::vector<bool>{});
}

TEST(SnapshotRing, FileNamesCarryTheInstant) {
    const TimePoint t = fromEpochSeconds(1'800'000'000) + 123ms;
    const std::string name = SnapshotRing::fileName(t);
    EXPECT_EQ(name, "20270115T080000.123Z.json");
    EXPECT_EQ(SnapshotRing::instantOfFileName(name), std::chrono::time_point_cast<std::chrono::milliseconds>(t));
    EXPECT_TRUE(SnapshotRing::instantOfFileName("20270115T080000.123Z-2.json"));
    for (const char* other : {"notes.json", "20270115T080000.123Z.json.corrupt-1", "20270115T080000.123Z-x.json"})
        EXPECT_FALSE(SnapshotRing::instantOfFileName(other)) << other;
}

TEST(SnapshotRing, EmptyServersAreNeverWrittenAndNeverPushGoodOnesOut) {
    TempDir dir;
    const TimePoint now = fromEpochSeconds(1'800'000'000);
    ServerSnapshot good = sample(now - 1h);
    ASSERT_TRUE(SnapshotRing::save(dir.path(), good, now));
    for (int i = 0; i < 30; ++i) {
        ServerSnapshot empty{ServerIdentity::named("work"), now + std::chrono::seconds(i), {}};
        EXPECT_FALSE(SnapshotRing::save(dir.path(), empty, now + std::chrono::seconds(i)));
    }
    const RingContents contents = SnapshotRing::load(dir.path(), now);
    ASSERT_EQ(contents.snapshots.size(), 1u);
    EXPECT_EQ(contents.snapshots[0].snapshot, good);
}

TEST(SnapshotRing, SavesPruneToTheLimitAndNeverOverwrite) {
    TempDir dir;
    const TimePoint now = fromEpochSeconds(1'800'000'000);
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(SnapshotRing::save(dir.path(), sample(now - std::chrono::minutes(25 - i)), now));
    // Same instant twice: a second file, not a replaced one.
    const auto again = SnapshotRing::save(dir.path(), sample(now - 1min), now);
    ASSERT_TRUE(again);
    EXPECT_NE(again->filename().string(), SnapshotRing::fileName(now - 1min));
    std::ofstream(dir.path() / "notes.txt") << "mine";
    const RingContents contents = SnapshotRing::load(dir.path(), now);
    EXPECT_EQ(contents.snapshots.size(), SnapshotRing::newestKept);
    EXPECT_EQ(contents.snapshots.front().snapshot.taken, now - 1min);
    EXPECT_TRUE(fs::exists(dir.path() / "notes.txt"));
}

TEST(SnapshotRing, ACorruptFileIsKeptAsideAndTheOthersLoad) {
    TempDir dir;
    const TimePoint now = fromEpochSeconds(1'800'000'000);
    ASSERT_TRUE(SnapshotRing::save(dir.path(), sample(now - 2min), now));
    const fs::path corrupt = dir.path() / SnapshotRing::fileName(now - 1min);
    std::ofstream(corrupt) << R"({"server":"work","taken":)";
    const RingContents contents = SnapshotRing::load(dir.path(), now);
    ASSERT_EQ(contents.snapshots.size(), 1u);
    EXPECT_EQ(contents.snapshots[0].snapshot.taken, now - 2min);
    ASSERT_EQ(contents.keptAside.size(), 1u);
    EXPECT_FALSE(fs::exists(corrupt));
    std::ifstream in(contents.keptAside[0]);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, R"({"server":"work","taken":)");
    // A later save at that very instant does not land on the kept file either.
    ASSERT_TRUE(SnapshotRing::save(dir.path(), sample(now - 1min), now));
    EXPECT_EQ(SnapshotRing::load(dir.path(), now).snapshots.size(), 2u);
}

// A clock that once ran two days ahead left twenty snapshots named, or written, in the
// future. They are kept apart: every new snapshot is the newest, is never pruned, and the
// ring of the present keeps its limit; the future ones stay on disk untouched.
TEST(SnapshotRing, AClockThatRanAheadNeverMakesNewSnapshotsVanish) {
    TempDir dir;
    const TimePoint now = fromEpochSeconds(1'800'000'000);
    const TimePoint ahead = now + 48h;
    std::vector<fs::path> future;
    for (int i = 0; i < 10; ++i) future.push_back(*SnapshotRing::save(dir.path(), sample(ahead + std::chrono::minutes(i)), ahead + std::chrono::minutes(i)));
    for (int i = 10; i < 20; ++i) {  // as a version that kept no sequence wrote them
        future.push_back(dir.path() / SnapshotRing::fileName(ahead + std::chrono::minutes(i)));
        std::ofstream(future.back()) << toJson(sample(ahead + std::chrono::minutes(i))).dump();
    }
    for (int i = 0; i < 30; ++i) {
        const TimePoint t = now + std::chrono::seconds(i);
        const auto written = SnapshotRing::save(dir.path(), sample(t), t);
        ASSERT_TRUE(written);
        ASSERT_TRUE(fs::exists(*written)) << i;
        const RingContents contents = SnapshotRing::load(dir.path(), t);
        ASSERT_FALSE(contents.snapshots.empty());
        EXPECT_EQ(contents.snapshots.front().file, *written);
        EXPECT_EQ(contents.snapshots.front().snapshot.taken, t);
        EXPECT_EQ(contents.snapshots.size(), std::min<std::size_t>(i + 1, SnapshotRing::newestKept));
        EXPECT_EQ(contents.future.size(), 20u);
    }
    for (const fs::path& file : future) EXPECT_TRUE(fs::exists(file)) << file;
    // Once the clock reaches them they are the ring's again, older than what came since.
    const RingContents later = SnapshotRing::load(dir.path(), ahead + 1h);
    EXPECT_TRUE(later.future.empty());
    EXPECT_EQ(later.snapshots.front().snapshot.taken, now + 29s);
}

TEST(SnapshotRing, RootFollowsXdgStateHome) {
    EXPECT_EQ(SnapshotRing::rootDirectory({{"XDG_STATE_HOME", "/st"}, {"HOME", "/h"}}), fs::path("/st/quillon/snapshots"));
    EXPECT_EQ(SnapshotRing::rootDirectory({{"XDG_STATE_HOME", "rel"}, {"HOME", "/h"}}),
              fs::path("/h/.local/state/quillon/snapshots"));
    EXPECT_EQ(SnapshotRing::serverDirectory("/r", ServerIdentity::named("work")), fs::path("/r/work"));
    EXPECT_EQ(SnapshotRing::serverDirectory("/r", ServerIdentity::named("work", "rhost")), fs::path("/r/%40rhost/work"));
}

}  // namespace
}  // namespace quillon
