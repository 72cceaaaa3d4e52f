#include "core/server_scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/census_report.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::makeDeadSocket;
using testing::TempDir;
using testing::TmuxSandbox;
using namespace std::chrono_literals;
using Args = std::vector<std::string>;

TEST(ServerScanner, SocketDirectoryAndItsSocketsInNameOrder) {
    using TmuxServerScanner::defaultSocketDirectory;
    EXPECT_EQ(defaultSocketDirectory({{"TMUX_TMPDIR", "/var/tmp/"}}, 501), "/var/tmp/tmux-501");
    EXPECT_EQ(defaultSocketDirectory({{"TMUX_TMPDIR", ""}}, 7), "/tmp/tmux-7");
    EXPECT_EQ(defaultSocketDirectory({}, 7), "/tmp/tmux-7");

    TempDir dir;
    makeDeadSocket(dir.str() + "/b");
    makeDeadSocket(dir.str() + "/a");
    std::ofstream(dir.path() / "c") << "not a socket";
    ::symlink((dir.str() + "/a").c_str(), (dir.str() + "/d").c_str());
    EXPECT_EQ(TmuxServerScanner::socketPaths(dir.str()), (Args{dir.str() + "/a", dir.str() + "/b"}));
    EXPECT_TRUE(TmuxServerScanner::socketPaths(dir.str() + "/missing").empty());
}

class ServerScannerLive : public ::testing::Test {
protected:
    void SetUp() override { L10n::setLanguage(AppLanguage::en); }
    TmuxSandbox sandbox;
    TmuxClient client{TmuxSandbox::tmuxPath()};
};

TEST_F(ServerScannerLive, ClassifiesAliveStaleAndUnknown) {
    const auto alive = TmuxSandbox::uniqueName("a-alive"), killed = TmuxSandbox::uniqueName("b-killed"),
               empty = TmuxSandbox::uniqueName("c-empty");
    sandbox.newSession(alive, "one");
    sandbox.newSession(alive, "two");
    sandbox.newSession(killed, "gone");
    sandbox.killServerHard(killed);
    // A live server with no session: exit-empty off keeps it up after its last session.
    sandbox.newSession(empty, "tmp");
    sandbox.tmux(empty, {"set-option", "-s", "exit-empty", "off"});
    sandbox.tmux(empty, {"kill-session", "-t", "tmp"});

    auto servers = TmuxServerScanner::scan(client, std::nullopt, {});
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].socketName, alive);
    EXPECT_EQ(servers[0].liveness, ServerLiveness::alive);
    EXPECT_EQ(servers[0].sessions.size(), 2u);
    EXPECT_TRUE(!servers[0].diagnostic && servers[0].socketModified);
    EXPECT_EQ(servers[0].socketArgs(), (Args{"-L", alive}));
    EXPECT_EQ(servers[1].liveness, ServerLiveness::stale);
    EXPECT_TRUE(servers[1].diagnostic && servers[1].diagnostic->find("no server running") != std::string::npos)
        << servers[1].diagnostic.value_or("");
    EXPECT_EQ(servers[2].liveness, ServerLiveness::unknown);
    EXPECT_EQ(servers[2].diagnostic, "tmux replied without error but listed no sessions");
}

// Probes run side by side: however many servers are stuck, a scan costs one time limit.
TEST_F(ServerScannerLive, StoppedServersAreUnknownAndCostOneLimitTogether) {
    const Args wedged{TmuxSandbox::uniqueName("w1"), TmuxSandbox::uniqueName("w2")};
    for (const auto& name : wedged) {
        sandbox.newSession(name, "main");
        sandbox.stopServer(name);
    }
    client.timeout = 1s;
    const auto start = std::chrono::steady_clock::now();
    auto servers = TmuxServerScanner::scan(client, std::nullopt, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1900ms);
    ASSERT_EQ(servers.size(), 2u);
    for (const auto& server : servers) {
        EXPECT_EQ(server.liveness, ServerLiveness::unknown);
        EXPECT_EQ(server.diagnostic, "tmux did not answer within 1 s and was stopped (the server seems stuck)");
    }
    for (const auto& name : wedged) sandbox.continueServer(name);
}

TEST_F(ServerScannerLive, SocketsOutsideTmuxsOwnDirectoryAreAskedByPath) {
    // A live server in tmux's directory, and a dead socket of the same name elsewhere.
    const auto twin = TmuxSandbox::uniqueName("twin");
    sandbox.newSession(twin, "main");
    TempDir other;
    const std::string dead = other.str() + "/" + twin;
    makeDeadSocket(dead);
    // A path too long to connect to proves nothing about a server behind it.
    const std::string tooLong = other.str() + "/" + std::string(120, 'x');
    // An extra path that was found is probed once; the live server is asked by its path.
    auto servers = TmuxServerScanner::scan(client, other.str(), {tooLong, dead, sandbox.socketPath(twin)});
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].socketName, twin);
    EXPECT_EQ(servers[0].liveness, ServerLiveness::stale);
    EXPECT_EQ(servers[0].socketArgs(), (Args{"-S", dead}));
    EXPECT_EQ(servers[1].liveness, ServerLiveness::unknown);
    EXPECT_NE(servers[1].diagnostic.value_or("").find("File name too long"), std::string::npos);
    EXPECT_FALSE(servers[2].socketName);
    EXPECT_EQ(servers[2].liveness, ServerLiveness::alive);
    EXPECT_EQ(servers[2].socketArgs(), (Args{"-S", sandbox.socketPath(twin)}));
    // A missing directory still probes the extras.
    EXPECT_EQ(TmuxServerScanner::scan(client, other.str() + "/none", {dead}).at(0).liveness, ServerLiveness::stale);
    // A tmux that cannot start tells nothing about the server.
    const auto unasked = TmuxServerScanner::probe(TmuxClient("/nonexistent/tmux"), sandbox.socketPath(twin), twin);
    EXPECT_EQ(unasked.liveness, ServerLiveness::unknown);
    EXPECT_NE(unasked.diagnostic.value_or("").find("/nonexistent/tmux"), std::string::npos);
    EXPECT_EQ(unasked.socketPath, sandbox.socketPath(twin));
    EXPECT_TRUE(unasked.socketModified);
}

// A folder, a file or a device named as a socket holds no server, and is no socket left on
// disk by a dead one either: it is reported for what it is, and tmux is not started for it.
TEST_F(ServerScannerLive, PathsThatAreNotSocketsAreReportedSo) {
    TempDir other;
    const std::string file = other.str() + "/file", folder = other.str() + "/folder", link = other.str() + "/link";
    std::ofstream(file) << "not a socket";
    std::filesystem::create_directory(folder);
    ::symlink(folder.c_str(), link.c_str());
    const auto live = TmuxSandbox::uniqueName("live");
    sandbox.newSession(live, "main");
    const auto servers = TmuxServerScanner::scan(TmuxClient("/nonexistent/tmux"), std::nullopt,
                                                 {file, folder, link, "/dev/null"});
    ASSERT_EQ(servers.size(), 5u);
    for (std::size_t i = 1; i < servers.size(); ++i) {
        SCOPED_TRACE(servers[i].socketPath);
        EXPECT_EQ(toRaw(servers[i].liveness), "notSocket");
        EXPECT_EQ(servers[i].diagnostic, std::nullopt);
        const std::string block = CensusReport::serverBlock(servers[i], Clock::now(), true);
        EXPECT_TRUE(text::startsWith(block, "⊘ " + servers[i].socketPath + " — not a socket\n")) << block;
    }
    EXPECT_EQ(toRaw(TmuxServerScanner::probe(client, "/dev/null", std::nullopt).liveness), "notSocket");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_TRUE(text::startsWith(CensusReport::serverBlock(servers[2], Clock::now(), true),
                                 "⊘ " + folder + " — nu este un socket\n"));
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// A tmux behind a wrapper that counts its starts: a dead socket must cost none.
TEST(ServerScannerConnect, DeadAndMissingSocketsAreStaleWithoutStartingTmux) {
    L10n::setLanguage(AppLanguage::en);
    TmuxSandbox sandbox;
    const auto live = TmuxSandbox::uniqueName("live");
    sandbox.newSession(live, "main");
    for (int i = 0; i < 20; ++i) testing::makeDeadSocket(sandbox.socketPath("dead-" + std::to_string(i)));
    TempDir bin;
    const std::string counter = bin.str() + "/starts", wrapper = bin.str() + "/tmux";
    std::ofstream(wrapper) << "#!/bin/sh\necho x >> '" << counter << "'\nexec '" << TmuxSandbox::tmuxPath()
                           << "' \"$@\"\n";
    ::chmod(wrapper.c_str(), 0700);

    const std::string missing = bin.str() + "/missing";
    const auto servers = TmuxServerScanner::scan(TmuxClient(wrapper), std::nullopt, {missing});
    ASSERT_EQ(servers.size(), 22u);
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(servers[i].liveness, ServerLiveness::stale);
        EXPECT_EQ(servers[i].diagnostic, "no server running on " + servers[i].socketPath);
    }
    EXPECT_EQ(servers[20].liveness, ServerLiveness::alive);
    EXPECT_EQ(servers[21].diagnostic, "error connecting to " + missing + " (No such file or directory)");
    std::ifstream starts(counter);
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(starts), {}, '\n'), 1);  // the live server only
    EXPECT_EQ(TmuxServerScanner::deadSocketText(sandbox.socketPath(live)), std::nullopt);
}

}  // namespace
}  // namespace quillon
