// tmux on another machine through OpenSSH: destinations ssh would misread are refused,
// every word reaches the remote tmux exactly, a host that refuses, rejects our key or
// never speaks is reported within the limit, a master connection that went silent is
// replaced, and the control sockets fit whatever the runtime directory. Remote runs go to
// a private sshd on 127.0.0.1.
#include "core/ssh_transport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "core/host_census.h"
#include "core/stored_hosts.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "tests/support/ssh_sandbox.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::ScopedEnv;
using testing::SshSandbox;
using testing::TmuxSandbox;
using namespace std::chrono_literals;
using Args = std::vector<std::string>;

TEST(SshTransport, DestinationsSshWouldMisreadAreRefused) {
    L10n::setLanguage(AppLanguage::en);
    for (const char* fine : {"buildbox", "ana@buildbox", "build-box.example.org", "ana@[::1]", "ședință"})
        EXPECT_EQ(SshTransport::destinationProblem(fine), std::nullopt) << fine;
    const std::pair<std::string, std::string> refused[] = {
        {"", "empty"},
        {"-oProxyCommand=touch /tmp/x", "option"},
        {"ana buildbox", "spaces"},
        {"buildbox\n-oProxyCommand=x", "control"},
        {std::string("build\tbox"), "control"},
        {"box\x7f", "control"},
    };
    for (const auto& [destination, word] : refused) {
        const auto problem = SshTransport::destinationProblem(destination);
        ASSERT_TRUE(problem) << destination;
        EXPECT_TRUE(text::contains(*problem, word)) << *problem;
    }
    EXPECT_EQ(StoredHosts::decode(nlohmann::json::parse(
                  R"([{"destination":"a"},{"destination":"-x"},"b",{"destination":7},{"destination":"a"},{"destination":"ana@c"}])")),
              (Args{"a", "ana@c"}));
    EXPECT_EQ(StoredHosts::decode(StoredHosts::encode({"x", "y"})), (Args{"x", "y"}));
}

TEST(SshTransport, TheCommandLineSharesOneMasterAndQuotesEveryWord) {
    EXPECT_EQ(SshTransport::commandLine("/usr/bin/ssh", "/run/q", "box", {"tmux", "-u", "it's"}),
              (Args{"/usr/bin/ssh", "-T", "-o", "BatchMode=yes", "-o", "ConnectTimeout=5",
                    "-o", "ServerAliveInterval=5", "-o", "ServerAliveCountMax=2", "-o", "ControlMaster=auto",
                    "-o", "ControlPath=/run/q/ssh-%C", "-o", "ControlPersist=60", "--", "box", "'tmux'", "'-u'",
                    "'it'\\''s'"}));
    // What the remote shell makes of the quoted words: exactly the words.
    const Args words{"it's", "$HOME", "a;b", "two words", "-L", "line\nbreak", "ș ✓", "`id`", "\\", "*", ""};
    std::string line = "printf '%s\\0'";
    for (const auto& word : words) line += " " + text::shellQuote(word);
    const auto out = runProcess("/bin/sh", {"sh", "-c", line}, 5s);
    std::string expected;
    for (const auto& word : words) expected += word + std::string(1, '\0');
    EXPECT_EQ(out.out, expected);
}

TEST(SshTransport, TheControlDirectoryIsPrivate) {
    testing::TempDir runtime;
    const std::string dir = SshTransport::controlDirectory({{"XDG_RUNTIME_DIR", runtime.str()}}, ::getuid());
    EXPECT_EQ(dir, runtime.str() + "/quillon");
    ::chmod(dir.c_str(), 0755);
    EXPECT_THROW(SshTransport::controlDirectory({{"XDG_RUNTIME_DIR", runtime.str()}}, ::getuid()), std::system_error);
    EXPECT_EQ(SshTransport::sshProgram({{"QUILLON_SSH", "/opt/my ssh"}}), "/opt/my ssh");
    EXPECT_EQ(SshTransport::sshProgram({{"PATH", "/nowhere"}}), std::nullopt);
}

// A directory of exactly this many characters whose name starts with base.
std::string directoryOfLength(const std::string& base, std::size_t length) {
    std::string dir = base + "/" + std::string(length - base.size() - 1, 'r');
    std::filesystem::create_directories(dir);
    ::chmod(dir.c_str(), 0700);
    return dir;
}

TEST(SshTransport, TheControlDirectoryIsOneSshCanUseAsWritten) {
    testing::TempDir runtime, tmp;
    const std::string own = "/quillon-" + std::to_string(::getuid());
    // The longest runtime directory whose control sockets still fit: 107 bytes with ssh's
    // ".<16 characters>" while it sets a master up, "/quillon/ssh-" and 40 hex digits.
    const std::string longest = directoryOfLength(runtime.str(), 37);
    const std::string tooLong = directoryOfLength(runtime.str(), 38);
    const std::string odd[] = {runtime.str() + "/a b", runtime.str() + "/a%h", runtime.str() + "/~x", "relative"};
    EXPECT_EQ(SshTransport::controlDirectory({{"XDG_RUNTIME_DIR", longest}, {"TMPDIR", tmp.str()}}, ::getuid()),
              longest + "/quillon");
    EXPECT_EQ(SshTransport::controlDirectory({{"XDG_RUNTIME_DIR", tooLong}, {"TMPDIR", tmp.str()}}, ::getuid()),
              tmp.str() + own);
    for (const std::string& dir : odd) {
        std::filesystem::create_directories(runtime.path() / dir);
        EXPECT_EQ(SshTransport::controlDirectory({{"XDG_RUNTIME_DIR", dir}, {"TMPDIR", tmp.str()}}, ::getuid()),
                  tmp.str() + own)
            << dir;
    }
}

class RemoteTmux : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
        L10n::setLanguage(AppLanguage::en);
        ssh.emplace(sandbox.tmpDir());
        remote.host = SshSandbox::good;
        remote.timeout = 20s;  // generous: the machine running the suite may be busy
    }
    TmuxClient on(const std::string& server) const {
        TmuxClient client = remote;
        client.socketArgs = {"-L", server};
        return client;
    }
    TmuxSandbox sandbox;
    std::optional<SshSandbox> ssh;
    TmuxClient remote{TmuxSandbox::tmuxPath()};
};

TEST_F(RemoteTmux, HostileNamesReachTheRemoteTmuxUnchangedBothWays) {
    const auto server = TmuxSandbox::uniqueName("remote");
    sandbox.newSession(server, "local one");
    const TmuxClient client = on(server);
    // ("$" and "\\" stay out of names, tmux itself stores them escaped; display-message has them.)
    const Args names{"it's a; rm -rf x & y | z", "-dash `id` \"q\"", "ședință ✓ *"};
    for (const auto& name : names) client.newSession(name);
    // Made remotely, read locally.
    const std::string listed = sandbox.tmux(server, {"list-sessions", "-F", "#{session_name}"});
    for (const auto& name : names) EXPECT_TRUE(text::contains(listed, name + "\n")) << listed;
    // Made locally, read remotely.
    std::vector<std::string> seen;
    for (const auto& session : client.snapshot()) seen.push_back(session.name);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "local one"), seen.end());
    for (const auto& name : names) EXPECT_NE(std::find(seen.begin(), seen.end(), name), seen.end()) << name;
    EXPECT_EQ(client.run({"display-message", "-p", "a'b\nc $X; ș \\ *"}), "a'b\nc $X; ș \\ *\n");
}

TEST_F(RemoteTmux, PreviewAndSendKeysOnARemotePane) {
    const auto server = TmuxSandbox::uniqueName("remote");
    sandbox.newSession(server, "work");
    const TmuxClient client = on(server);
    const std::string pane = client.snapshot().at(0).windows.at(0).panes.at(0).paneID;
    client.sendKeys(pane, "echo 'hello from' \"$((40+2))\"", true);
    std::string captured;
    for (int i = 0; i < 100 && !text::contains(captured, "hello from 42"); ++i) {
        std::this_thread::sleep_for(30ms);
        captured = client.capturePane(pane, 20);
    }
    EXPECT_TRUE(text::contains(captured, "hello from 42")) << captured;
}

TEST_F(RemoteTmux, TheRemoteCensusListsThatHostsSocketsWithVerdicts) {
    const auto live = TmuxSandbox::uniqueName("a-live"), dead = TmuxSandbox::uniqueName("b-dead");
    sandbox.newSession(live, "main");
    testing::makeDeadSocket(sandbox.socketPath(dead));
    const HostCensus census = HostCensusScanner::scanHost(remote, SshSandbox::good);
    ASSERT_EQ(census.error, std::nullopt);
    EXPECT_EQ(census.socketDirectory, sandbox.socketDirectory());
    ASSERT_EQ(census.servers.size(), 2u);
    EXPECT_EQ(census.servers[0].socketName, live);
    EXPECT_EQ(census.servers[0].liveness, ServerLiveness::alive);
    EXPECT_EQ(census.servers[0].host, SshSandbox::good);
    EXPECT_EQ(census.servers[0].sessions.at(0).name, "main");
    EXPECT_EQ(census.servers[1].liveness, ServerLiveness::stale);
    EXPECT_EQ(census.servers[1].socketArgs(), (Args{"-L", dead}));
}

TEST_F(RemoteTmux, FailingHostsReportSshsOwnWordsWithinTheLimitAndNeverDelayOthers) {
    sandbox.newSession(TmuxSandbox::uniqueName("live"), "main");
    // Long enough for a handshake on a busy machine; the mute host must cost just this.
    remote.timeout = 4s;
    const auto started = std::chrono::steady_clock::now();
    const auto hosts = HostCensusScanner::scanHosts(
        remote, {SshSandbox::mute, SshSandbox::good, SshSandbox::refusing, SshSandbox::wrongKey});
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_LT(elapsed, 4s + 1500ms);
    EXPECT_GE(elapsed, 4s);
    ASSERT_EQ(hosts.size(), 4u);
    EXPECT_EQ(hosts[0].error, "ssh to quillon-mute did not answer within 4 s and was stopped");
    EXPECT_EQ(hosts[1].error, std::nullopt);
    EXPECT_EQ(hosts[1].servers.size(), 1u);
    ASSERT_TRUE(hosts[2].error);
    EXPECT_TRUE(text::contains(*hosts[2].error, "Connection refused")) << *hosts[2].error;
    ASSERT_TRUE(hosts[3].error);
    EXPECT_TRUE(text::contains(*hosts[3].error, "Permission denied")) << *hosts[3].error;
    // The same through the client: a refusing host is an error, never an empty server.
    TmuxClient refused = remote;
    refused.host = SshSandbox::refusing;
    EXPECT_THROW(refused.snapshot(), TmuxError);
}

TEST_F(RemoteTmux, AMasterWhoseFarEndWentSilentIsReplacedAfterOneTimeout) {
    const auto server = TmuxSandbox::uniqueName("remote");
    sandbox.newSession(server, "main");
    TmuxClient client = on(server);
    ASSERT_EQ(client.snapshot().size(), 1u);
    ASSERT_EQ(ssh->acceptedLogins(), 1);
    ssh->stopConnections();
    client.timeout = 3s;
    try {
        client.snapshot();
        ADD_FAILURE() << "a silent connection answered";
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.localizedDescription(), "ssh to quillon-good did not answer within 3 s and was stopped");
    }
    // The next run does not queue behind the silent master: a new connection answers.
    client.timeout = 20s;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(client.snapshot().size(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(ssh->acceptedLogins(), 2);
}

TEST_F(RemoteTmux, AMasterThatStillAnswersOutlivesASlowTmux) {
    const auto slow = TmuxSandbox::uniqueName("slow"), other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(slow, "main");
    sandbox.newSession(other, "main");
    TmuxClient client = on(slow);
    ASSERT_EQ(client.snapshot().size(), 1u);
    sandbox.stopServer(slow);
    client.timeout = 2s;
    EXPECT_THROW(client.snapshot(), TmuxError);
    sandbox.continueServer(slow);
    // The other server of that host is still reached through the same connection.
    EXPECT_EQ(on(other).snapshot().size(), 1u);
    EXPECT_EQ(ssh->acceptedLogins(), 1);
}

TEST_F(RemoteTmux, ASilentMasterEndsByItselfWithinFifteenSeconds) {
    const auto server = TmuxSandbox::uniqueName("remote");
    sandbox.newSession(server, "main");
    ASSERT_EQ(on(server).snapshot().size(), 1u);
    const std::string controlPath = SshTransport::controlPath(
        SshTransport::controlDirectory(L10n::processEnvironment(), ::getuid()));
    const auto masterRuns = [&] {
        return runProcess(ssh->wrapperPath(),
                          {"ssh", "-o", "ControlPath=" + controlPath, "-O", "check", SshSandbox::good}, 5s)
                   .exitCode == 0;
    };
    ASSERT_TRUE(masterRuns());
    ssh->stopConnections();
    const auto started = std::chrono::steady_clock::now();
    while (masterRuns() && std::chrono::steady_clock::now() - started < 25s) std::this_thread::sleep_for(250ms);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 17s);
}

TEST_F(RemoteTmux, ALongRuntimeDirectoryStillCarriesTheSharedConnection) {
    const auto server = TmuxSandbox::uniqueName("remote");
    sandbox.newSession(server, "main");
    testing::TempDir base, tmp;
    const ScopedEnv privateTmp("TMPDIR", tmp.str());
    int logins = ssh->acceptedLogins();
    for (std::size_t length : {std::size_t(37), std::size_t(41), std::size_t(200)}) {
        const ScopedEnv runtime("XDG_RUNTIME_DIR", directoryOfLength(base.str(), length));
        for (int i = 0; i < 2; ++i) {
            try {
                EXPECT_EQ(on(server).snapshot().size(), 1u) << length;
            } catch (const TmuxError& error) {
                ADD_FAILURE() << length << ": " << error.localizedDescription();
            }
        }
        EXPECT_EQ(ssh->acceptedLogins(), ++logins) << "one connection for both runs, runtime of " << length;
        ssh->closeMaster(SshSandbox::good);
    }
}

TEST_F(RemoteTmux, EveryRunSharesOneConnection) {
    const auto server = TmuxSandbox::uniqueName("remote");
    sandbox.newSession(server, "main");
    const TmuxClient client = on(server);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(client.snapshot().size(), 1u);
    EXPECT_EQ(ssh->acceptedLogins(), 1);
    ssh->closeMaster(SshSandbox::good);
    EXPECT_EQ(client.snapshot().size(), 1u);
    EXPECT_EQ(ssh->acceptedLogins(), 2);
}

}  // namespace
}  // namespace quillon
