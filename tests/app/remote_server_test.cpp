// Servers beyond the shown one: the census the Servers screen reads, a stale socket removed
// only while nothing answers, the Host entries of an ssh configuration, and a remote server
// used and attached like a local one through a private sshd on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>

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
}

TEST(SshConfigHosts, PlainHostNamesOnlyPatternsAndNegationsLeftOut) {
    EXPECT_EQ(SshConfigHosts::parse("Host buildbox *.corp ana-box\n  HostName 10.0.0.1\nhost=gpu?\n"
                                    "Match all\nHost \"quoted one\" !neg solo\n# Host commented\nHostName x\n"
                                    "Host buildbox\n"),
              (std::vector<std::string>{"buildbox", "ana-box", "solo"}));
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
