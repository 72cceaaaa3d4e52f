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

std::string failureOf(const TmuxClient& client, const std::vector<std::string>& args) {
    try {
        client.run(args);
    } catch (const TmuxError& error) {
        EXPECT_EQ(error.kind(), TmuxError::Kind::commandFailed);
        return error.localizedDescription();
    }
    ADD_FAILURE() << "no error from " << text::join(args, " ");
    return {};
}

TEST(TmuxClient, RunMapsExitCodesAndNoServerTexts) {
    TmuxClient shell("/bin/sh");
    EXPECT_EQ(shell.run({"-c", "printf 'out\\n'"}), "out\n");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(failureOf(shell, {"-c", "exit 2"}), "tmux a eșuat (exit 2)");
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(failureOf(shell, {"-c", "exit 2"}), "tmux failed (exit 2)");
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
    EXPECT_THROW(TmuxClient("/nonexistent/tmux").invoke({"-V"}), TmuxError);
}

TEST(TmuxClient, InvalidUtf8IsReplacedAndTheRestSurvives) {
    auto invocation = TmuxClient("/bin/sh").invoke({"-c", "printf 'caf\\351 ok\\n'; printf ' \\300x ' >&2"});
    EXPECT_EQ(invocation.standardOutput, "caf\uFFFD ok\n");
    EXPECT_EQ(invocation.standardError, "\uFFFDx");
    // Each maximal ill-formed piece becomes one replacement character.
    const std::pair<std::string, std::string> cases[] = {
        {"plain ș ✓ 𝄞", "plain ș ✓ 𝄞"},
        {"\xE2\x82", "\uFFFD"},                            // cut short
        {"\xE2\x82x", "\uFFFDx"},                          // cut short before ASCII
        {"\xC0\xAF", "\uFFFD\uFFFD"},                      // overlong
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xFF\x1F\xFE", "\uFFFD\x1F\uFFFD"},
    };
    for (const auto& [raw, clean] : cases) {
        EXPECT_EQ(text::toValidUtf8(raw), clean) << raw;
        EXPECT_EQ(text::isValidUtf8(raw), raw == clean) << raw;
    }
}

TEST(TmuxClient, AStoppedServerCostsTheTimeLimitNotAHang) {
    L10n::setLanguage(AppLanguage::en);
    TmuxSandbox sandbox;
    const auto server = TmuxSandbox::uniqueName("wedged");
    sandbox.newSession(server, "main");
    sandbox.stopServer(server);
    auto client = sandbox.client(server);
    client.timeout = 500ms;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf(client, {"list-sessions"}),
              "tmux did not answer within 500 ms and was stopped (the server seems stuck)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    sandbox.continueServer(server);
}

}  // namespace
}  // namespace quillon
