#include "core/server_scanner.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <fstream>

#include "core/process_runner.h"
#include "core/tmux_error.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::TmuxSandbox;
using namespace std::chrono_literals;

// A socket file with nothing behind it, like one left by a crashed server.
void makeDeadSocket(const std::string& path) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
}

TEST(ServerScanner, DefaultSocketDirectory) {
    using TmuxServerScanner::defaultSocketDirectory;
    EXPECT_EQ(defaultSocketDirectory({{"TMUX_TMPDIR", "/var/tmp"}}, 501), "/var/tmp/tmux-501");
    EXPECT_EQ(defaultSocketDirectory({{"TMUX_TMPDIR", "/var/tmp/"}}, 501), "/var/tmp/tmux-501");
    EXPECT_EQ(defaultSocketDirectory({{"TMUX_TMPDIR", ""}}, 7), "/tmp/tmux-7");
    EXPECT_EQ(defaultSocketDirectory({}, 7), "/tmp/tmux-7");
}

TEST(ServerScanner, ListsOnlySocketsInNameOrder) {
    TempDir dir;
    makeDeadSocket(dir.str() + "/b");
    makeDeadSocket(dir.str() + "/a");
    std::ofstream(dir.path() / "c") << "not a socket";
    ::symlink((dir.str() + "/a").c_str(), (dir.str() + "/d").c_str());
    EXPECT_EQ(TmuxServerScanner::socketPaths(dir.str()),
              (std::vector<std::string>{dir.str() + "/a", dir.str() + "/b"}));
    EXPECT_TRUE(TmuxServerScanner::socketPaths(dir.str() + "/missing").empty());
}

class ServerScannerLive : public ::testing::Test {
protected:
    void SetUp() override { L10n::setLanguage(AppLanguage::en); }
    TmuxSandbox sandbox;
    TmuxClient client{TmuxSandbox::tmuxPath()};
};

TEST_F(ServerScannerLive, ClassifiesAliveStaleAndUnknown) {
    const auto alive = TmuxSandbox::uniqueName("a-alive");
    const auto killed = TmuxSandbox::uniqueName("b-killed");
    const auto empty = TmuxSandbox::uniqueName("c-empty");
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
    EXPECT_FALSE(servers[0].diagnostic);
    EXPECT_TRUE(servers[0].socketModified);
    EXPECT_EQ(servers[0].socketArgs(), (std::vector<std::string>{"-L", alive}));

    EXPECT_EQ(servers[1].liveness, ServerLiveness::stale);
    ASSERT_TRUE(servers[1].diagnostic);
    EXPECT_TRUE(servers[1].diagnostic->find("no server running") != std::string::npos ||
                servers[1].diagnostic->find("error connecting to") != std::string::npos)
        << *servers[1].diagnostic;
    EXPECT_TRUE(servers[1].sessions.empty());

    EXPECT_EQ(servers[2].liveness, ServerLiveness::unknown);
    EXPECT_EQ(servers[2].diagnostic, "tmux replied without error but listed no sessions");
}

TEST_F(ServerScannerLive, AStoppedServerIsUnknownWithinTheLimit) {
    const auto wedged = TmuxSandbox::uniqueName("wedged");
    sandbox.newSession(wedged, "main");
    sandbox.stopServer(wedged);
    client.timeout = 1s;
    const auto start = std::chrono::steady_clock::now();
    auto server = TmuxServerScanner::probe(client, sandbox.socketPath(wedged), wedged);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(server.liveness, ServerLiveness::unknown);
    EXPECT_EQ(server.diagnostic, "tmux did not answer within 1 s and was stopped (the server seems stuck)");
    sandbox.continueServer(wedged);
}

TEST_F(ServerScannerLive, TwoStoppedServersCostOneLimit) {
    std::vector<std::string> wedged{TmuxSandbox::uniqueName("w1"), TmuxSandbox::uniqueName("w2")};
    for (const auto& name : wedged) {
        sandbox.newSession(name, "main");
        sandbox.stopServer(name);
    }
    client.timeout = 1s;
    const auto start = std::chrono::steady_clock::now();
    auto servers = TmuxServerScanner::scan(client, std::nullopt, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1900ms);
    ASSERT_EQ(servers.size(), 2u);
    for (const auto& server : servers) EXPECT_EQ(server.liveness, ServerLiveness::unknown);
    for (const auto& name : wedged) sandbox.continueServer(name);
}

TEST_F(ServerScannerLive, ExtraPathsAreProbedByPath) {
    const auto named = TmuxSandbox::uniqueName("named");
    sandbox.newSession(named, "s");
    TempDir other;
    const std::string dead = other.str() + "/dead";
    makeDeadSocket(dead);
    const std::string found = sandbox.socketPath(named);
    auto servers = TmuxServerScanner::scan(client, sandbox.socketDirectory(), {found, dead, dead});
    ASSERT_EQ(servers.size(), 3u);  // the found path once, the extra twice
    EXPECT_EQ(servers[0].socketName, named);
    EXPECT_EQ(servers[0].liveness, ServerLiveness::alive);
    for (int i : {1, 2}) {
        EXPECT_FALSE(servers[i].socketName);
        EXPECT_EQ(servers[i].socketPath, dead);
        EXPECT_EQ(servers[i].liveness, ServerLiveness::stale);
        EXPECT_EQ(servers[i].socketArgs(), (std::vector<std::string>{"-S", dead}));
    }
    // A missing directory still probes the extras.
    servers = TmuxServerScanner::scan(client, other.str() + "/none", {dead});
    ASSERT_EQ(servers.size(), 1u);
    EXPECT_EQ(servers[0].liveness, ServerLiveness::stale);
}

TEST_F(ServerScannerLive, SocketsOutsideTmuxsOwnDirectoryAreAddressedByPath) {
    // A live server in tmux's directory, and a dead socket of the same name elsewhere.
    const auto twin = TmuxSandbox::uniqueName("twin");
    sandbox.newSession(twin, "main");
    TempDir other;
    const std::string dead = other.str() + "/" + twin;
    makeDeadSocket(dead);
    // A path too long to connect to proves nothing about a server behind it.
    const std::string tooLong = other.str() + "/" + std::string(120, 'x');
    auto servers = TmuxServerScanner::scan(client, other.str(), {tooLong});
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0].socketName, twin);
    EXPECT_EQ(servers[0].liveness, ServerLiveness::stale);
    EXPECT_TRUE(servers[0].sessions.empty());
    EXPECT_EQ(servers[0].socketArgs(), (std::vector<std::string>{"-S", dead}));
    EXPECT_EQ(servers[1].liveness, ServerLiveness::unknown);
    ASSERT_TRUE(servers[1].diagnostic);
    EXPECT_NE(servers[1].diagnostic->find("File name too long"), std::string::npos) << *servers[1].diagnostic;
    EXPECT_THROW(TmuxClient(TmuxSandbox::tmuxPath(), servers[1].socketArgs()).run({"list-sessions"}), TmuxError);
}

TEST_F(ServerScannerLive, UnstartableTmuxIsUnknown) {
    const auto named = TmuxSandbox::uniqueName("named");
    sandbox.newSession(named, "s");
    TmuxClient missing("/nonexistent/tmux");
    auto server = TmuxServerScanner::probe(missing, sandbox.socketPath(named), named);
    EXPECT_EQ(server.liveness, ServerLiveness::unknown);
    ASSERT_TRUE(server.diagnostic);
    EXPECT_NE(server.diagnostic->find("/nonexistent/tmux"), std::string::npos);
    EXPECT_EQ(server.socketPath, sandbox.socketPath(named));
    EXPECT_EQ(server.socketName, named);
    EXPECT_TRUE(server.socketModified);
    EXPECT_FALSE(TmuxServerScanner::probe(missing, "/tmp/nowhere", std::nullopt).socketModified);
}

TEST(ServerScanner, EnumerationCaveatInBothLanguages) {
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(TmuxServerScanner::enumerationCaveat("/d"),
              "Enumeration covers sockets in /d (those started with `tmux -L name`). A server started with "
              "`tmux -S /other/path` only shows up if you pass its path explicitly.");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(TmuxServerScanner::enumerationCaveat("/d"),
              "Enumerarea acoperă socket-urile din /d (cele pornite cu `tmux -L nume`). Un server pornit cu "
              "`tmux -S /altă/cale` nu apare aici decât dacă îi dai calea explicit.");
}

}  // namespace
}  // namespace quillon
