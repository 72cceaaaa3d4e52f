#include "core/control_mode.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>

#include "tests/support/control_clients.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using Kind = ControlNotification::Kind;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

TEST(ControlModeParser, NotificationsAndTheLinesWorthForwarding) {
    using ControlModeParser::parse;
    const std::pair<std::string, std::optional<ControlNotification>> cases[] = {
        {"%window-renamed @7 my editor", ControlNotification{Kind::windowRenamed, "@7", "my editor"}},
        // Without the window it names: a change somewhere, not a window called "".
        {"%window-renamed", ControlNotification{Kind::other, "", ""}},
        {"%unlinked-window-close", ControlNotification{Kind::other, "", ""}},
        {"%window-add ", ControlNotification{Kind::other, "", ""}},
        {"%session-renamed $2 build box", ControlNotification{Kind::sessionRenamed, "", "build box"}},
        {"%session-renamed newname", ControlNotification{Kind::sessionRenamed, "", "newname"}},
        // Names as tmux sends them, blanks and all.
        {"%window-renamed @0 two  spaces", ControlNotification{Kind::windowRenamed, "@0", "two  spaces"}},
        {"%window-renamed @1  lead\ttab ", ControlNotification{Kind::windowRenamed, "@1", " lead\ttab "}},
        {"%session-renamed $0 dev  ro \xc8\x99", ControlNotification{Kind::sessionRenamed, "", "dev  ro \xc8\x99"}},
        {"%session-renamed $3", ControlNotification{Kind::sessionRenamed, "", ""}},
        {"%window-add   @3", ControlNotification{Kind::windowAdd, "@3", ""}},
        {"%unlinked-window-add @4", ControlNotification{Kind::windowAdd, "@4", ""}},
        {"%window-close @5", ControlNotification{Kind::windowClose, "@5", ""}},
        {"%unlinked-window-close @6", ControlNotification{Kind::windowClose, "@6", ""}},
        {"%sessions-changed", ControlNotification{Kind::sessionsChanged, "", ""}},
        {"%layout-change @0 c196,80x24,0,0,0", ControlNotification{Kind::other, "", ""}},
        {"window-add @1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, notification] : cases) EXPECT_EQ(parse(line), notification) << line;
    for (const char* line : {"%layout-change @0 abc", "%window-pane-changed @0 %3", "%sessions-changed"})
        EXPECT_TRUE(ControlModeParser::isForwarded(line)) << line;
    for (const char* line : {"%output %0 hello", "%begin 1 2 0", "%exit", "window-add"})
        EXPECT_FALSE(ControlModeParser::isForwarded(line)) << line;
}

TEST(ControlLineBuffer, WholeValidLinesOnceTheirLineFeedArrivesAndOverlongOnesSkipped) {
    ControlLineBuffer buffer;
    Lines lines;
    auto collect = [&](const std::string& line) { lines.push_back(line); };
    buffer.append("%window-add @1\n%window-", collect);
    EXPECT_EQ(lines, Lines{"%window-add @1"});
    buffer.append("close @1\r\nbad \xff\xfe line\n\n%output %1 ", collect);
    EXPECT_EQ(lines, (Lines{"%window-add @1", "%window-close @1", ""}));
    std::size_t most = 0;
    for (int i = 0; i < 1024; ++i) {
        buffer.append(std::string(4096, 'x'), collect);
        most = std::max(most, buffer.pending());
    }
    buffer.append("end\n%window-close @2\n%tail", collect);
    EXPECT_EQ(lines, (Lines{"%window-add @1", "%window-close @1", "", "%window-close @2"}));
    EXPECT_LE(most, ControlLineBuffer::maxLineBytes);
    EXPECT_EQ(buffer.pending(), 5u);
}

TEST(TmuxControlMode, ArgumentsAskForUtf8AndTheExactSession) {
    EXPECT_EQ(TmuxControlMode::arguments(TmuxClient("/usr/bin/tmux", {"-L", "orchid"}), "a b"),
              (Lines{"-u", "-C", "-L", "orchid", "attach-session", "-t", "=a b:"}));
}

int openDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<int>(std::distance(begin(fds), end(fds)));
}

// What the reader thread reports, for the test thread to wait on.
struct Reports {
    std::mutex mutex;
    std::condition_variable changed;
    Lines lines;
    int exits = 0;

    void start(TmuxControlMode& control, const TmuxClient& client, const std::string& session) {
        control.start(client, session, [this](const std::string& line) { update([&] { lines.push_back(line); }); },
                      [this] { update([&] { ++exits; }); });
    }
    void update(const std::function<void()>& change) {
        std::lock_guard lock(mutex);
        change();
        changed.notify_all();
    }
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, condition);
    }
    bool waitForLine(const std::string& prefix, std::chrono::milliseconds limit = 5s) {
        const auto starts = [&](const std::string& line) { return line.rfind(prefix, 0) == 0; };
        return waitFor([&] { return std::any_of(lines.begin(), lines.end(), starts); }, limit);
    }
    int exitCount() {
        std::lock_guard lock(mutex);
        return exits;
    }
};

class TmuxControlModeLive : public ::testing::Test {
protected:
    void SetUp() override { sandbox.newSession(server, "main"); }
    testing::TmuxSandbox sandbox;
    std::string server = testing::TmuxSandbox::uniqueName("ctl");
    const int descriptorsBefore = openDescriptors();
};

TEST_F(TmuxControlModeLive, ForwardsChangesReplacesItselfOnStartAndStopsLeavingNothing) {
    Reports first, second;
    {
        TmuxControlMode control;
        first.start(control, sandbox.client(server), "main");
        const pid_t firstPid = control.pid().value();
        ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));
        second.start(control, sandbox.client(server), "main");
        EXPECT_TRUE(testing::processGone(firstPid));
        EXPECT_EQ(first.exitCount(), 1);
        const pid_t pid = control.pid().value();
        ASSERT_TRUE(second.waitForLine("%session-changed"));  // attached
        sandbox.newWindow(server, "main", "logs");
        EXPECT_TRUE(second.waitForLine("%window-add @"));
        sandbox.tmux(server, {"rename-window", "-t", "main:1", "my editor"});
        EXPECT_TRUE(second.waitForLine("%window-renamed @"));
        sandbox.newSession(server, "second");
        EXPECT_TRUE(second.waitForLine("%sessions-changed"));
        second.update([&] {
            for (const auto& line : second.lines) EXPECT_TRUE(ControlModeParser::isForwarded(line)) << line;
            EXPECT_EQ(second.exits, 0);
        });
        EXPECT_FALSE(first.waitForLine("%window-add", 0ms));
        control.stop();
        EXPECT_FALSE(control.isRunning() || control.pid());
        EXPECT_TRUE(testing::processGone(pid));
        control.stop();  // again: nothing happens
    }
    EXPECT_EQ(second.exitCount(), 1);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

TEST_F(TmuxControlModeLive, AnEndedServerOrAMissingSessionEndsTheClientWithOneExitReport) {
    for (const std::string session : {"no-such-session", "main"}) {
        Reports reports;
        TmuxControlMode control;
        reports.start(control, sandbox.client(server), session);
        const pid_t pid = control.pid().value();
        if (session == "main") {
            ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));
            sandbox.killServer(server);
        }
        ASSERT_TRUE(reports.waitFor([&] { return reports.exits > 0; })) << session;
        control.stop();
        EXPECT_TRUE(testing::processGone(pid));
        EXPECT_EQ(reports.exitCount(), 1);
    }
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

TEST(TmuxControlMode, UnstartableTmuxThrowsAndLeavesNothing) {
    const int descriptorsBefore = openDescriptors();
    Reports reports;
    TmuxControlMode control;
    EXPECT_THROW(reports.start(control, TmuxClient("/nonexistent/tmux"), "main"), std::system_error);
    EXPECT_FALSE(control.isRunning());
    EXPECT_FALSE(control.pid());
    EXPECT_EQ(reports.exitCount(), 0);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

}  // namespace
}  // namespace quillon
