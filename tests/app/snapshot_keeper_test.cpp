// Remembering the shown server: when snapshots are written (changes only, never of a stopped
// or empty server, at most one per gap), the offer to restore, a restore through the app, and
// templates that keep their panes in both directions of their stored form.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <QSignalSpy>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/snapshot_keeper.h"
#include "core/restore_plan.h"
#include "core/server_snapshot.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::size_t snapshotFiles(const fs::path& dir) {
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error))
        if (SnapshotRing::instantOfFileName(entry.path().filename().string())) ++count;
    return count;
}

class SnapshotKeeperTest : public AppFixture {
protected:
    void start() {
        DefaultsStore defaults = store();
        defaults.set("socketMode", "name");
        defaults.set("socketValue", server);
        defaults.set("language", "en");
        defaults.set("pollingInterval", 30.0);  // the tests refresh when they mean to
        env.reset();
        env = std::make_unique<AppEnvironment>(AppEnvironment::Options{store(), tmuxPath, services, state.path()});
        ASSERT_TRUE(waitUntil([&] { return env->pollingTimerInterval().has_value(); }));
    }
    SnapshotKeeper& keeper() { return env->snapshots(); }
    fs::path ring() { return keeper().directory(); }

    TempDir state{"quillon-state"};
};

TEST_F(SnapshotKeeperTest, OnlyChangesOfALiveServerAreWrittenAndItsDeathOffersTheWayBack) {
    start();  // no server yet
    refreshNow();
    keeper().waitForWrites();
    EXPECT_EQ(snapshotFiles(ring()), 0u);
    EXPECT_EQ(ring(), state.path() / server);

    sandbox.newSession(server, "one");
    sandbox.newSession(server, "two");
    refreshNow();
    keeper().waitForWrites();
    EXPECT_EQ(snapshotFiles(ring()), 1u);
    refreshNow();  // nothing changed
    keeper().waitForWrites();
    EXPECT_EQ(snapshotFiles(ring()), 1u);
    EXPECT_EQ(keeper().offer(), std::nullopt);

    sandbox.killServerHard(server);
    refreshNow();
    keeper().waitForWrites();
    EXPECT_EQ(snapshotFiles(ring()), 1u);
    ASSERT_TRUE(keeper().offer());
    EXPECT_EQ(keeper().offer()->sessions, 2);
    EXPECT_EQ(keeper().offer()->taken, keeper().newest()->taken);

    // A fresh start finds the snapshot on disk and offers it again.
    start();
    ASSERT_TRUE(waitUntil([&] { return keeper().offer().has_value(); }));
    EXPECT_EQ(keeper().offer()->sessions, 2);
}

TEST_F(SnapshotKeeperTest, AtMostOneWritePerGapAndTheLastChangeLandsWhenItEnds) {
    start();
    sandbox.newSession(server, "one");
    refreshNow();
    keeper().waitForWrites();
    ASSERT_EQ(snapshotFiles(ring()), 1u);
    const TimePoint first = keeper().newest()->taken;

    sandbox.newWindow(server, "one", "second");
    sandbox.newSession(server, "three");
    // Two changes 9.7 s after the last write: kept, then written when the gap ends (0.3 s later).
    auto sessions = env->client()->snapshot();
    keeper().observe({sessions.begin(), sessions.begin() + 1}, first + 9700ms);
    keeper().observe(sessions, first + 9700ms);
    keeper().waitForWrites();
    EXPECT_EQ(snapshotFiles(ring()), 1u);
    ASSERT_TRUE(waitUntil([&] {
        keeper().waitForWrites();
        return snapshotFiles(ring()) == 2u;
    }));
    const RingContents contents = SnapshotRing::load(ring());
    EXPECT_EQ(contents.snapshots.front().snapshot.sessionNames(), (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(contents.snapshots.front().snapshot.sessions[0].windows.size(), 2u);
}

TEST_F(SnapshotKeeperTest, RestoreBringsTheSessionsBackAndACorruptFileIsSkipped) {
    const auto project = home.path() / "project";
    fs::create_directories(project);
    sandbox.newSession(server, "web", project.string(), "code");
    sandbox.splitWindow(server, "web:0", home.str());
    sandbox.newSession(server, "db");
    env.reset();
    // An unreadable snapshot newer than any good one.
    const fs::path dir = state.path() / server;
    fs::create_directories(dir);
    std::ofstream(dir / SnapshotRing::fileName(Clock::now() + 1h)) << "{ not json";
    start();
    ASSERT_TRUE(waitUntil([&] {
        keeper().waitForWrites();
        return snapshotFiles(dir) == 1u;
    }));
    sandbox.killServerHard(server);
    refreshNow();
    ASSERT_TRUE(keeper().offer());
    EXPECT_EQ(keeper().offer()->sessions, 2);

    RingContents contents;
    bool loaded = false;
    keeper().load([&](RingContents c) {
        contents = std::move(c);
        loaded = true;
    });
    ASSERT_TRUE(waitUntil([&] { return loaded; }));
    // Set aside when the ring was first read, and left as it was.
    ASSERT_EQ(contents.snapshots.size(), 1u);
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(dir))
        if (text::contains(entry.path().filename().string(), ".corrupt-")) aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream in(aside[0]);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "{ not json");

    std::optional<RestoreReport> report;
    keeper().restore(contents.snapshots[0].snapshot, {"web"}, [&](RestoreReport r) { report = std::move(r); });
    ASSERT_TRUE(waitUntil([&] { return report.has_value(); }, 20s));
    EXPECT_EQ(report->sessions, 1);
    EXPECT_EQ(report->panes, 2);
    ASSERT_EQ(env->sessions().size(), 1u);
    EXPECT_EQ(env->sessions()[0].name, "web");
    EXPECT_EQ(env->sessions()[0].windows[0].panes[0].path, project.string());
    // db is still missing from the newest snapshot: the offer stays, for one session.
    ASSERT_TRUE(keeper().offer());
    EXPECT_EQ(keeper().offer()->sessions, 1);
}

std::vector<std::vector<std::string>> sessionNamesOfRing(const fs::path& dir) {
    std::vector<std::vector<std::string>> out;
    for (const StoredSnapshot& stored : SnapshotRing::load(dir).snapshots) out.push_back(stored.snapshot.sessionNames());
    return out;
}

TEST_F(SnapshotKeeperTest, ASwitchOfServerNeverSavesTheOldServersSessionsUnderTheNewOne) {
    std::vector<std::string> tenNames;
    for (int i = 0; i < 10; ++i) sandbox.newSession(server, tenNames.emplace_back("w" + std::to_string(i)));
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "solo");
    // The new server answers slowly: its ring is read long before its first refresh.
    WrappedTmux wrapper(home.path());
    wrapper.slowWhenArgumentsContain(other);
    tmuxPath = wrapper.path();
    start();
    ASSERT_TRUE(waitUntil([&] {
        keeper().waitForWrites();
        return snapshotFiles(ring()) == 1u;
    }));
    const fs::path workRing = ring();

    std::vector<OptionalRestoreOffer> offers;
    QObject::connect(&keeper(), &SnapshotKeeper::offerChanged, [&] { offers.push_back(keeper().offer()); });
    env->useServer(std::nullopt, other, sandbox.socketPath(other));
    EXPECT_TRUE(env->sessions().empty());
    EXPECT_FALSE(env->sessionsKnown());
    ASSERT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"solo"}; }));
    ASSERT_TRUE(waitUntil([&] {
        keeper().waitForWrites();
        return snapshotFiles(ring()) == 1u;
    }));
    EXPECT_EQ(ring(), state.path() / other);
    EXPECT_EQ(sessionNamesOfRing(ring()), (std::vector<std::vector<std::string>>{{"solo"}}));
    EXPECT_EQ(sessionNamesOfRing(workRing), (std::vector<std::vector<std::string>>{tenNames}));
    EXPECT_EQ(keeper().offer(), std::nullopt);
    for (const auto& offer : offers) EXPECT_EQ(offer, std::nullopt) << offer->sessions;
}

// The process works in a folder of its own while it lives.
struct WorkingDirectory {
    explicit WorkingDirectory(const fs::path& dir) : before(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(before); }
    fs::path before;
};

// One socket name here and on another machine (the private sshd): each server keeps its own
// ring, a switch never offers the other's sessions, a snapshot is restored only on its own
// server, and there its folders are looked for where it runs.
TEST_F(SnapshotKeeperTest, OneSocketNameOnTwoMachinesKeepsTwoRingsAndRestoresOnlyItsOwn) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    TempDir far("quillon-far");
    SshSandbox ssh(far.str());
    TmuxClient there(TmuxSandbox::tmuxPath(), {"-L", server, "-f", "/dev/null"});
    there.host = SshSandbox::good;
    there.timeout = 30s;
    struct StopFar {
        TmuxClient client;
        ~StopFar() {
            try { client.run({"kill-server"}); } catch (...) {}
        }
    } stopFar{there};
    std::vector<std::string> nine;
    for (int i = 0; i < 9; ++i) there.run({"new-session", "-d", "-s", nine.emplace_back("w" + std::to_string(i))});
    sandbox.newSession(server, "here");
    start();
    ASSERT_TRUE(waitUntil([&] {
        keeper().waitForWrites();
        return snapshotFiles(ring()) == 1u;
    }));
    const fs::path localRing = ring();
    EXPECT_EQ(localRing, state.path() / server);

    env->useServer(SshSandbox::good, server, sandbox.socketPath(server));
    ASSERT_TRUE(waitUntil([&] { return names(env->sessions()) == nine; }, 60s));
    ASSERT_TRUE(waitUntil([&] {
        keeper().waitForWrites();
        return snapshotFiles(ring()) == 1u;
    }));
    const fs::path remoteRing = ring();
    EXPECT_EQ(remoteRing, state.path() / (std::string("%40") + SshSandbox::good) / server);
    EXPECT_EQ(sessionNamesOfRing(localRing), (std::vector<std::vector<std::string>>{{"here"}}));
    // Over there the nine are replaced by another session at once: the way back is offered.
    std::vector<std::vector<std::string>> replace{{"new-session", "-d", "-s", "anchor"}};
    for (const std::string& name : nine) replace.push_back({"kill-session", "-t", "=" + name});
    there.run(joinCommands(replace));
    refreshNow();
    ASSERT_TRUE(keeper().offer());
    EXPECT_EQ(keeper().offer()->sessions, 9);
    ServerSnapshot farSnapshot;
    for (const StoredSnapshot& stored : SnapshotRing::load(remoteRing).snapshots)
        if (stored.snapshot.sessionNames() == nine) farSnapshot = stored.snapshot;
    ASSERT_EQ(farSnapshot.sessionNames(), nine);
    EXPECT_EQ(farSnapshot.server, ServerIdentity::named(server, SshSandbox::good));

    // Here, under the same socket name: nothing of the other machine is offered or restored.
    std::vector<OptionalRestoreOffer> offers;
    const auto watch = QObject::connect(&keeper(), &SnapshotKeeper::offerChanged, [&] { offers.push_back(keeper().offer()); });
    env->useServer(std::nullopt, server, sandbox.socketPath(server));
    ASSERT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"here"}; }));
    ASSERT_TRUE(waitUntil([&] { return keeper().newest().has_value(); }));
    refreshNow();
    EXPECT_EQ(ring(), localRing);
    EXPECT_EQ(keeper().offer(), std::nullopt);
    for (const auto& offer : offers) EXPECT_EQ(offer, std::nullopt) << offer->sessions;
    QObject::disconnect(watch);
    const std::pair<AppLanguage, std::string> reasons[] = {{AppLanguage::en, "the server shown now is"},
                                                           {AppLanguage::ro, "serverul afișat acum este"}};
    for (const auto& [language, reason] : reasons) {
        L10n::setLanguage(language);
        std::optional<RestoreReport> refused;
        keeper().restore(farSnapshot, {}, [&](RestoreReport r) { refused = std::move(r); });
        ASSERT_TRUE(waitUntil([&] { return refused.has_value(); }));
        EXPECT_EQ(refused->sessions, 0);
        ASSERT_EQ(refused->failures.size(), 1u);
        EXPECT_TRUE(text::contains(refused->failures[0].message, reason)) << refused->failures[0].message;
        EXPECT_TRUE(text::contains(refused->failures[0].message, SshSandbox::good)) << refused->failures[0].message;
    }
    L10n::setLanguage(AppLanguage::en);
    refreshNow();
    EXPECT_EQ(names(env->sessions()), std::vector<std::string>{"here"});

    // Over there again: the folders are looked for there. This process works in a folder
    // that holds "only-here"; the far side starts in its account's home, where it is not.
    env->useServer(SshSandbox::good, server, sandbox.socketPath(server));
    ASSERT_TRUE(waitUntil([&] { return names(env->sessions()) == std::vector<std::string>{"anchor"}; }, 60s));
    TempDir here("quillon-here");
    fs::create_directories(here.path() / "only-here");
    WorkingDirectory inside(here.path());
    const std::string onlyHere = "/proc/self/cwd/only-here";
    farSnapshot.sessions[3].windows[0].panes[0].directory = onlyHere;
    std::optional<RestoreReport> report;
    keeper().restore(farSnapshot, {}, [&](RestoreReport r) { report = std::move(r); });
    ASSERT_TRUE(waitUntil([&] { return report.has_value(); }, 60s));
    EXPECT_EQ(report->failures, std::vector<RestoreFailure>{});
    EXPECT_EQ(report->sessions, 9);
    EXPECT_EQ(report->missingDirectories, std::vector<std::string>{onlyHere});
    const TmuxSession* w3 = find(env->sessions(), "w3");
    ASSERT_TRUE(w3);
    EXPECT_EQ(w3->windows[0].panes[0].path, ::getpwuid(::getuid())->pw_dir);
    EXPECT_EQ(names(SessionList(there.snapshot())).size(), 10u);
    EXPECT_EQ(sandbox.tmux(server, {"list-sessions", "-F", "#{session_name}"}), "here\n");
}

// ---- Templates that keep their panes ----

TEST(TemplatePanes, OldDocumentsLoadUnchangedAndNewOnesKeepTheOldKeys) {
    const nlohmann::json old = nlohmann::json::parse(R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","name":"dev",
        "directory":"/src","windows":[{"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","name":"ed","command":"vim"}]}])");
    const auto loaded = templatesFromJson(old);
    EXPECT_TRUE(loaded[0].windows[0].panes.empty());
    EXPECT_EQ(toJson(loaded), old);

    auto pane = [](std::int64_t index, std::string command, std::string path) {
        TmuxPane p;
        p.index = index;
        p.command = std::move(command);
        p.path = std::move(path);
        return p;
    };
    auto window = [](std::string name, std::vector<TmuxPane> panes, std::string layout) {
        TmuxWindow w;
        w.name = std::move(name);
        w.panes = std::move(panes);
        w.layout = std::move(layout);
        return w;
    };
    const TmuxPane c = pane(2, "htop", "/");
    TmuxSession live;
    live.name = "dev";
    live.path = "/src";
    live.windows = {window("ed", {pane(0, "vim", "/src"), pane(1, "bash", "/src/lib"), c},
                           "b25f,80x24,0,0{40x24,0,0,1,39x24,41,0,2}"),
                    window("one", {c}, "c3a1,80x24,0,0,7")};
    const SessionTemplate captured = SessionTemplate::fromSession(live, {"vim", "htop", "bash"});
    const auto& w = captured.windows[0];
    EXPECT_EQ(w.command, "vim");  // the first pane's, where older versions type it
    EXPECT_EQ(w.panes, (std::vector<TemplatePane>{{"/src", ""}, {"/src/lib", ""}, {"/", "htop"}}));
    EXPECT_EQ(w.layout, live.windows[0].layout);
    EXPECT_EQ(captured.windows[1].layout, "");

    const nlohmann::json stored = toJson({captured});
    EXPECT_EQ(templatesFromJson(nlohmann::json::parse(stored.dump())), std::vector<SessionTemplate>{captured});
    // What an older version reads: every key it requires, of its type; the rest it ignores.
    for (const auto& t : stored) {
        for (const char* key : {"id", "name", "directory"}) EXPECT_TRUE(t.at(key).is_string()) << key;
        for (const auto& window : t.at("windows"))
            for (const char* key : {"id", "name", "command"}) EXPECT_TRUE(window.at(key).is_string()) << key;
    }
    // Unknown keys and odd values of the new ones are ignored.
    nlohmann::json odd = stored;
    odd[0]["windows"][0]["layout"] = 5;
    odd[0]["windows"][0]["panes"][1] = "x";
    odd[0]["windows"][0]["future"] = true;
    const auto read = templatesFromJson(odd);
    EXPECT_EQ(read[0].windows[0].layout, "");
    EXPECT_EQ(read[0].windows[0].panes.size(), 2u);
    // A layout without panes (edited by hand) survives the next save.
    nlohmann::json bare = stored;
    bare[0]["windows"][1].erase("panes");
    bare[0]["windows"][1]["layout"] = "main-vertical";
    const auto kept = templatesFromJson(bare);
    EXPECT_EQ(templatesFromJson(toJson(kept)), kept);
    EXPECT_EQ(kept[0].windows[1].layout, "main-vertical");
}

class TemplatePanesLaunch : public AppFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        startStores();
    }
    // Until its shell has started, a new pane shows tmux's own name and folder.
    bool shellsStarted(const std::string& session) {
        return waitUntil([&] {
            const auto commands = text::split(tmux({"list-panes", "-s", "-t", "=" + session, "-F", "#{pane_current_command}"}), "\n", true);
            return !commands.empty() && std::all_of(commands.begin(), commands.end(), [](const auto& c) { return c == "sh"; });
        });
    }
};

TEST_F(TemplatePanesLaunch, LaunchingRebuildsPanesDirectoriesAndLayout) {
    for (const char* d : {"a", "b", "c"}) fs::create_directories(home.path() / d);
    const std::string a = (home.path() / "a").string(), b = (home.path() / "b").string(), c = (home.path() / "c").string();
    sandbox.newSession(server, "orig", a, "work");
    sandbox.splitWindow(server, "orig:0", b);
    sandbox.tmux(server, {"split-window", "-h", "-t", "orig:0.1", "-c", c});
    sandbox.newWindow(server, "orig", "solo", c);
    ASSERT_TRUE(shellsStarted("orig"));
    refreshNow();
    const auto found = std::find_if(env->sessions().begin(), env->sessions().end(), [](const auto& s) { return s.name == "orig"; });
    ASSERT_NE(found, env->sessions().end());
    SessionTemplate t = SessionTemplate::fromSession(*found);
    t.name = "copy";
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, false, done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);
    ASSERT_TRUE(shellsStarted("copy"));
    const std::string format = "#{window_name}|#{pane_index}|#{pane_current_path}";
    EXPECT_EQ(tmux({"list-panes", "-s", "-t", "=copy", "-F", format}), tmux({"list-panes", "-s", "-t", "=orig", "-F", format}));
    const std::string layouts = tmux({"list-windows", "-t", "=orig", "-F", "#{window_layout}"});
    const std::string copied = tmux({"list-windows", "-t", "=copy", "-F", "#{window_layout}"});
    EXPECT_EQ(layoutShape(copied.substr(0, copied.find('\n'))), layoutShape(layouts.substr(0, layouts.find('\n'))));
    EXPECT_EQ(tmux({"display-message", "-p", "-t", "=copy:0", "#{pane_index}"}), "0\n");
}

}  // namespace
}  // namespace quillon::testing
