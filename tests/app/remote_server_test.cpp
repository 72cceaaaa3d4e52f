// Servers beyond the shown one: the census the Servers screen reads, a stale socket removed
// only while nothing answers and no tmux is starting a server on it, the Host entries of an ssh configuration, and a remote server
// used and attached like a local one through a private sshd on 127.0.0.1.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/server_census.h"
#include "app/ssh_config_hosts.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

class RemoteServer : public AppFixture {};

TEST_F(RemoteServer, TheCensusGivesVerdictsVersionsAndClientsAndRemovesOnlyDeadSockets) {
    sandbox.newSession(server, "dev");
    const auto dead = TmuxSandbox::uniqueName("zz-dead");
    makeDeadSocket(sandbox.socketPath(dead));
    const TmuxClient client(TmuxSandbox::tmuxPath(), {"-L", server});
    const ServerCensus census = ServerCensus::take(client, {});
    EXPECT_EQ(census.socketDirectory, sandbox.socketDirectory());
    ASSERT_EQ(census.local.size(), 2u);
    EXPECT_EQ(census.local[0].server.liveness, ServerLiveness::alive);
    EXPECT_TRUE(addresses(client, census.local[0].server));
    EXPECT_FALSE(addresses(client, census.local[1].server));
    EXPECT_TRUE(census.local[0].version && text::contains(*census.local[0].version, "."));
    EXPECT_EQ(census.local[0].clients, 0);
    EXPECT_EQ(census.local[1].server.liveness, ServerLiveness::stale);

    // A live socket and a file that is no socket stay; a dead one goes.
    EXPECT_THROW(removeStaleSocket(client, sandbox.socketPath(server)), TmuxError);
    EXPECT_TRUE(std::filesystem::exists(sandbox.socketPath(server)));
    writeFile(home.path() / "plain", "x");
    EXPECT_THROW(removeStaleSocket(client, (home.path() / "plain").string()), TmuxError);
    EXPECT_TRUE(std::filesystem::exists(home.path() / "plain"));
    removeStaleSocket(client, sandbox.socketPath(dead));
    EXPECT_FALSE(std::filesystem::exists(sandbox.socketPath(dead)));
    EXPECT_FALSE(std::filesystem::exists(sandbox.socketPath(dead) + ".lock"));  // let go as tmux does
    EXPECT_FALSE(std::filesystem::exists(home.path() / "plain.lock"));
}

// Whether a process waits in flock (the "->" lines of /proc/locks are waiters).
bool waitsForALock(pid_t pid) {
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream words(line);
        std::string word;
        bool waiter = false;
        while (words >> word) {
            if (word == "->") waiter = true;
            if (waiter && word == std::to_string(pid)) return true;
        }
    }
    return false;
}

TEST_F(RemoteServer, NoRemovalWhileATmuxClientStartsAServerOnThatSocket) {
    L10n::setLanguage(AppLanguage::en);
    sandbox.newSession(server, "dev");
    const auto name = TmuxSandbox::uniqueName("zz-dead");
    const std::string path = sandbox.socketPath(name);
    makeDeadSocket(path);
    const TmuxClient client(TmuxSandbox::tmuxPath(), {"-L", server});
    ChildProcess starting;
    {
        // Held as a starting tmux client holds it until its server has bound the socket; a
        // second tmux that finds the socket dead waits for it to start its own server.
        UniqueFd lock(::open((path + ".lock").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_EQ(::flock(lock.get(), LOCK_EX | LOCK_NB), 0);
        starting = ChildProcess::spawn(TmuxSandbox::tmuxPath(),
                                       {"tmux", "-L", name, "-f", "/dev/null", "new-session", "-d", "-s", "started"}, {});
        ASSERT_TRUE(waitUntil([&] { return waitsForALock(starting.pid()); }));
        try {
            removeStaleSocket(client, path);
            ADD_FAILURE() << "removed while a server was starting";
        } catch (const TmuxError& error) {
            EXPECT_EQ(error.localizedDescription(), "A tmux server is starting on " + path + "; the socket stays.");
        }
        EXPECT_TRUE(std::filesystem::exists(path));
    }
    ASSERT_EQ(starting.wait(), 0);
    EXPECT_EQ(sandbox.tmux(name, {"display-message", "-p", "#{session_name}"}), "started\n");
    EXPECT_THROW(removeStaleSocket(client, path), TmuxError);
    EXPECT_EQ(sandbox.tmux(name, {"display-message", "-p", "#{session_name}"}), "started\n");

    // Servers started while removals run keep their sockets.
    for (int i = 0; i < 10; ++i) {
        const auto racer = TmuxSandbox::uniqueName("race");
        makeDeadSocket(sandbox.socketPath(racer));
        std::thread removal([&] {
            try {
                removeStaleSocket(client, sandbox.socketPath(racer));
            } catch (const TmuxError&) {
            }
        });
        sandbox.newSession(racer, "s");
        removal.join();
        EXPECT_EQ(sandbox.tmux(racer, {"display-message", "-p", "#{session_name}"}), "s\n") << i;
    }

    // A lock that is a symbolic link is not followed; the socket stays.
    const auto linked = TmuxSandbox::uniqueName("zz-linked");
    makeDeadSocket(sandbox.socketPath(linked));
    std::filesystem::create_symlink(home.path() / "elsewhere", sandbox.socketPath(linked) + ".lock");
    EXPECT_THROW(removeStaleSocket(client, sandbox.socketPath(linked)), TmuxError);
    EXPECT_TRUE(std::filesystem::exists(sandbox.socketPath(linked)));
    EXPECT_FALSE(std::filesystem::exists(home.path() / "elsewhere"));
}

TEST(SshConfigHosts, PlainHostNamesOnlyPatternsAndNegationsLeftOut) {
    EXPECT_EQ(SshConfigHosts::parse("Host buildbox *.corp ana-box\n  HostName 10.0.0.1\nhost=gpu?\n"
                                    "Match all\nHost \"quoted one\" !neg solo\n# Host commented\nHostName x\n"
                                    "Host buildbox\n"),
              (std::vector<std::string>{"buildbox", "ana-box", "solo"}));
}

TEST(SshConfigHosts, IncludedFilesAddTheirHostsWhereTheIncludeStands) {
    TempDir home;
    const auto ssh = home.path() / ".ssh";
    std::filesystem::create_directories(ssh / "conf.d");
    writeFile(ssh / "config", "Host first\nInclude conf.d/*.conf \"with space.conf\" missing/*\nHost last\n"
                              "Include ~/.ssh/loop\nMatch all\n  Include " + (home.path() / "elsewhere.conf").string() +
                              "\nInclude=deep1\n");
    writeFile(ssh / "conf.d" / "b.conf", "Host b-one\n");
    // Relative to ~/.ssh, not to the including file.
    writeFile(ssh / "conf.d" / "a.conf", "Host a-one a-two *.glob\nInclude nested\n");
    writeFile(ssh / "nested", "Host nested\n");
    writeFile(ssh / "conf.d" / "skipped.txt", "Host not-included\n");
    writeFile(ssh / "with space.conf", "Host spaced\n");
    writeFile(ssh / "loop", "Host looped\nInclude config loop\n");
    writeFile(home.path() / "elsewhere.conf", "Host absolute\n");
    ASSERT_EQ(::mkfifo((ssh / "conf.d" / "fifo.conf").c_str(), 0600), 0);  // never opened
    // ssh reads 16 files deep.
    for (int i = 1; i <= 20; ++i)
        writeFile(ssh / ("deep" + std::to_string(i)),
                  "Host deep" + std::to_string(i) + "\nInclude deep" + std::to_string(i + 1) + "\n");
    std::vector<std::string> expected{"first", "a-one", "a-two", "nested", "b-one", "spaced",
                                      "last",  "looped", "absolute"};
    for (int i = 1; i <= 16; ++i) expected.push_back("deep" + std::to_string(i));
    EXPECT_EQ(SshConfigHosts::readFrom(home.str()), expected);
    EXPECT_EQ(SshConfigHosts::readFrom((home.path() / "nobody").string()), std::vector<std::string>{});
}

TEST_F(RemoteServer, ARemoteServerIsShownAndAttachedLikeALocalOne) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    SshSandbox ssh(sandbox.tmpDir());
    const auto remote = startWithRemoteServer();
    EXPECT_EQ(env->hosts(), (std::vector<std::string>{SshSandbox::good, SshSandbox::refusing}));

    // (The census of the hosts is the Servers screen's test.)
    env->useServer(SshSandbox::good, remote, sandbox.socketPath(remote));
    EXPECT_EQ(env->socketHost(), SshSandbox::good);
    EXPECT_EQ(env->client()->socketArgs, (std::vector<std::string>{"-L", remote}));
    ASSERT_TRUE(waitUntil([&] { return env->sessions().size() == 1 && env->sessions()[0].name == "far away"; }));

    ASSERT_TRUE(finish([&](AppEnvironment::Done done) { env->attach(env->sessions()[0], std::nullopt, done); }));
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(desktop.opened()[0].second, "'" + ssh.wrapperPath() + "' -t -- 'quillon-good' ''\\''tmux'\\'' '\\''-L'\\'' '\\''" +
                                              remote + "'\\'' attach-session -t '\\''" + env->sessions()[0].sessionID + "'\\'''");

    // Destinations ssh would misread are refused, and nothing is stored.
    EXPECT_FALSE(env->setHosts({"ok", "-oProxyCommand=x"}));
    EXPECT_EQ(env->lastError(), "-oProxyCommand=x: An ssh destination cannot start with \"-\" (it would read as an option).");
    EXPECT_TRUE(env->setHosts({"ana@box", "ana@box", "devbox"}));
    env->saveSettingsNow();
    ASSERT_TRUE(waitUntil([&] { return env->settingsSaved(); }));
    EXPECT_EQ(store().value("hosts"), nlohmann::json::parse(R"([{"destination":"ana@box"},{"destination":"devbox"}])"));
}

}  // namespace
}  // namespace quillon::testing
