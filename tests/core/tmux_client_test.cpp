#include "core/tmux_client.h"

#include <gtest/gtest.h>

#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::TmuxSandbox;
using namespace std::chrono_literals;

TEST(TmuxClientDetect, TriesFixedPlacesThenPathInOrder) {
    auto candidates = TmuxClient::candidatePaths(std::string("/a::/b"));
    std::vector<std::string> expected{"/opt/homebrew/bin/tmux", "/usr/local/bin/tmux", "/usr/bin/tmux", "/a/tmux",
                                      "/b/tmux"};
    EXPECT_EQ(candidates, expected);
    EXPECT_EQ(TmuxClient::candidatePaths(std::nullopt).size(), 3u);
    // Debian installs tmux in /usr/bin, found before anything on PATH.
    auto client = TmuxClient::detect(std::string("/nowhere"));
    ASSERT_TRUE(client);
    EXPECT_EQ(client->binaryPath, "/usr/bin/tmux");
    EXPECT_TRUE(client->socketArgs.empty());
}

TEST(TmuxClientRun, MapsOutcomes) {
    L10n::setLanguage(AppLanguage::en);
    TmuxClient shell("/bin/sh");
    EXPECT_EQ(shell.run({"-c", "printf 'out\\n'"}), "out\n");
    try {
        shell.run({"-c", "exit 2"});
        FAIL();
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.kind(), TmuxError::Kind::commandFailed);
        EXPECT_EQ(error.localizedDescription(), "tmux failed (exit 2)");
    }
    L10n::setLanguage(AppLanguage::ro);
    try {
        shell.run({"-c", "exit 2"});
        FAIL();
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.localizedDescription(), "tmux a eșuat (exit 2)");
    }
    EXPECT_EQ(shell.run({"-c", "echo 'no server running on /tmp/x' >&2; exit 1"}), "");
    auto invocation = shell.invoke({"-c", "printf ' \\n error connecting to /x (Connection refused) \\n' >&2; exit 1"});
    EXPECT_TRUE(invocation.isNoServer());
    EXPECT_EQ(invocation.standardError, "error connecting to /x (Connection refused)");
    // Only a missing or refusing socket means nothing runs there.
    for (const auto& [reason, noServer] : {std::pair{"No such file or directory", true}, {"Permission denied", false},
                                           {"File name too long", false}}) {
        TmuxClient::Invocation said;
        said.exitCode = 1;
        said.standardError = std::string("error connecting to /x (") + reason + ")";
        EXPECT_EQ(said.isNoServer(), noServer) << reason;
    }
}

TEST(TmuxClientRun, InvalidUtf8IsReplacedAndTheRestSurvives) {
    TmuxClient shell("/bin/sh");
    auto invocation = shell.invoke({"-c", "printf 'caf\\351 ok\\n'; printf ' \\300x ' >&2"});
    EXPECT_EQ(invocation.standardOutput, "caf\uFFFD ok\n");
    EXPECT_EQ(invocation.standardError, "\uFFFDx");
    // Each maximal ill-formed piece becomes one replacement character.
    const std::pair<std::string, std::string> cases[] = {
        {"plain ș ✓ 𝄞", "plain ș ✓ 𝄞"},
        {"\xE2\x82", "\uFFFD"},                        // cut short
        {"\xE2\x82x", "\uFFFDx"},                      // cut short before ASCII
        {"\xC0\xAF", "\uFFFD\uFFFD"},                   // overlong
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},          // surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xFF\x1F\xFE", "\uFFFD\x1F\uFFFD"},
    };
    for (const auto& [raw, clean] : cases) {
        EXPECT_EQ(text::toValidUtf8(raw), clean) << raw;
        EXPECT_TRUE(text::isValidUtf8(text::toValidUtf8(raw)));
    }
}

TEST(TmuxClientRun, LaunchFailureIsACommandFailure) {
    TmuxClient missing("/nonexistent/tmux");
    EXPECT_THROW(missing.invoke({"-V"}), TmuxError);
}

TEST(TmuxClientRun, AgainstRealTmux) {
    L10n::setLanguage(AppLanguage::en);
    TmuxSandbox sandbox;
    const auto server = TmuxSandbox::uniqueName("client");
    auto client = sandbox.client(server);
    // Nothing listens yet: not an error, an empty answer.
    EXPECT_EQ(client.run({"list-sessions"}), "");
    EXPECT_TRUE(client.invoke({"list-sessions"}).isNoServer());
    sandbox.newSession(server, "main");
    // Socket arguments come first: the server answers with its own socket path.
    EXPECT_EQ(client.run({"display-message", "-p", "#{socket_path}"}), sandbox.socketPath(server) + "\n");
    try {
        client.run({"kill-session", "-t", "absent"});
        FAIL();
    } catch (const TmuxError& error) {
        EXPECT_NE(error.localizedDescription().find("absent"), std::string::npos);
    }
}

TEST(TmuxClientRun, AStoppedServerCostsTheTimeLimitNotAHang) {
    L10n::setLanguage(AppLanguage::en);
    TmuxSandbox sandbox;
    const auto server = TmuxSandbox::uniqueName("wedged");
    sandbox.newSession(server, "main");
    sandbox.stopServer(server);
    auto client = sandbox.client(server);
    client.timeout = 500ms;
    const auto start = std::chrono::steady_clock::now();
    try {
        client.run({"list-sessions"});
        FAIL();
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.localizedDescription(),
                  "tmux did not answer within 500 ms and was stopped (the server seems stuck)");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    sandbox.continueServer(server);
}

}  // namespace
}  // namespace quillon
