#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "core/control_mode.h"
#include "tests/support/control_clients.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using Kind = ControlNotification::Kind;
using namespace std::chrono_literals;

TEST(ControlModeParserTest, Notifications) {
    using ControlModeParser::parse;
    EXPECT_EQ(parse("%window-renamed @7 my editor"), (ControlNotification{Kind::windowRenamed, "@7", "my editor"}));
    EXPECT_EQ(parse("%window-renamed"), (ControlNotification{Kind::windowRenamed, "?", ""}));
    EXPECT_EQ(parse("%session-renamed $2 build box"), (ControlNotification{Kind::sessionRenamed, "", "build box"}));
    EXPECT_EQ(parse("%session-renamed newname"), (ControlNotification{Kind::sessionRenamed, "", "newname"}));
    EXPECT_EQ(parse("%session-renamed"), (ControlNotification{Kind::sessionRenamed, "", ""}));
    EXPECT_EQ(parse("%window-add"), (ControlNotification{Kind::windowAdd, "?", ""}));
    EXPECT_EQ(parse("%window-add   @3"), (ControlNotification{Kind::windowAdd, "@3", ""}));
    EXPECT_EQ(parse("%unlinked-window-add @4"), (ControlNotification{Kind::windowAdd, "@4", ""}));
    EXPECT_EQ(parse("%window-close @5"), (ControlNotification{Kind::windowClose, "@5", ""}));
    EXPECT_EQ(parse("%unlinked-window-close @6"), (ControlNotification{Kind::windowClose, "@6", ""}));
    EXPECT_EQ(parse("%sessions-changed"), (ControlNotification{Kind::sessionsChanged, "", ""}));
    EXPECT_EQ(parse("%layout-change @0 c196,80x24,0,0,0"), (ControlNotification{Kind::other, "", ""}));
    EXPECT_EQ(parse("window-add @1"), std::nullopt);
    EXPECT_EQ(parse(""), std::nullopt);
}

TEST(ControlModeParserTest, OnlyListedHeadsAreForwarded) {
    EXPECT_TRUE(ControlModeParser::isForwarded("%layout-change @0 abc"));
    EXPECT_TRUE(ControlModeParser::isForwarded("%window-pane-changed @0 %3"));
    EXPECT_TRUE(ControlModeParser::isForwarded("%sessions-changed"));
    EXPECT_FALSE(ControlModeParser::isForwarded("%output %0 hello"));
    EXPECT_FALSE(ControlModeParser::isForwarded("%begin 1 2 0"));
    EXPECT_FALSE(ControlModeParser::isForwarded("%exit"));
    EXPECT_FALSE(ControlModeParser::isForwarded("window-add"));
}

TEST(ControlLineBufferTest, LinesAreDeliveredWholeOnceTheirLineFeedArrives) {
    ControlLineBuffer buffer;
    std::vector<std::string> lines;
    auto collect = [&](const std::string& line) { lines.push_back(line); };
    buffer.append("%window-add @1\n%window-", collect);
    EXPECT_EQ(lines, (std::vector<std::string>{"%window-add @1"}));
    buffer.append("close @1\r\n", collect);
    EXPECT_EQ(lines, (std::vector<std::string>{"%window-add @1", "%window-close @1"}));
    buffer.append("bad \xff\xfe line\n\n%tail without end", collect);
    EXPECT_EQ(lines, (std::vector<std::string>{"%window-add @1", "%window-close @1", ""}));
    EXPECT_EQ(buffer.pending(), std::string("%tail without end").size());
}

TEST(ControlLineBufferTest, AnOverlongLineIsSkippedWholeInBoundedMemory) {
    ControlLineBuffer buffer;
    std::vector<std::string> lines;
    auto collect = [&](const std::string& line) { lines.push_back(line); };
    buffer.append("%window-add @1\n%output %1 ", collect);
    const std::string block(4096, 'x');
    std::size_t most = 0;
    for (int i = 0; i < 1024; ++i) {
        buffer.append(block, collect);
        most = std::max(most, buffer.pending());
    }
    buffer.append("end\n%window-close @1\n", collect);
    EXPECT_EQ(lines, (std::vector<std::string>{"%window-add @1", "%window-close @1"}));
    EXPECT_LE(most, ControlLineBuffer::maxLineBytes);
    EXPECT_EQ(buffer.pending(), 0u);
}

TEST(TmuxControlModeTest, ArgumentsAskForUtf8AndTheExactSession) {
    EXPECT_EQ(TmuxControlMode::arguments(TmuxClient("/usr/bin/tmux", {"-L", "orchid"}), "dev"),
              (std::vector<std::string>{"-u", "-C", "-L", "orchid", "attach-session", "-t", "=dev:"}));
    EXPECT_EQ(TmuxControlMode::arguments(TmuxClient("/usr/bin/tmux"), "a b"),
              (std::vector<std::string>{"-u", "-C", "attach-session", "-t", "=a b:"}));
}

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// What the reader thread reports, for the test thread to wait on.
class Reports {
public:
    TmuxControlMode::LineHandler lineHandler() {
        return [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
            changed_.notify_all();
        };
    }
    TmuxControlMode::ExitHandler exitHandler() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++exits_;
            changed_.notify_all();
        };
    }
    bool waitForLine(const std::string& prefix, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] {
            for (const auto& line : lines_)
                if (line.rfind(prefix, 0) == 0) return true;
            return false;
        });
    }
    bool waitForExit(std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return exits_ > 0; });
    }
    int exits() {
        std::lock_guard lock(mutex_);
        return exits_;
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    int exits_ = 0;
};

class TmuxControlModeLiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = testing::TmuxSandbox::uniqueName("ctl");
        sandbox.newSession(server, "main");
    }
    testing::TmuxSandbox sandbox;
    std::string server;
};

TEST_F(TmuxControlModeLiveTest, StreamsForwardedLinesAndStopsWithoutLeavingAnything) {
    const int descriptorsBefore = openDescriptors();
    Reports reports;
    {
        TmuxControlMode control;
        control.start(sandbox.client(server), "main", reports.lineHandler(), reports.exitHandler());
        ASSERT_TRUE(control.isRunning());
        const pid_t pid = control.pid().value();
        ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));

        sandbox.newWindow(server, "main", "logs");
        EXPECT_TRUE(reports.waitForLine("%window-add @"));
        sandbox.tmux(server, {"rename-window", "-t", "main:1", "my editor"});
        EXPECT_TRUE(reports.waitForLine("%window-renamed @"));
        sandbox.newSession(server, "second");
        EXPECT_TRUE(reports.waitForLine("%sessions-changed"));
        for (const auto& line : reports.lines()) EXPECT_TRUE(ControlModeParser::isForwarded(line)) << line;

        control.stop();
        EXPECT_FALSE(control.isRunning());
        EXPECT_FALSE(control.pid());
        EXPECT_TRUE(testing::processGone(pid));
        EXPECT_EQ(reports.exits(), 1);
        control.stop();  // again: nothing happens
    }
    EXPECT_EQ(reports.exits(), 1);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

TEST_F(TmuxControlModeLiveTest, KilledServerEndsTheClientWithOneExitReport) {
    const int descriptorsBefore = openDescriptors();
    Reports reports;
    TmuxControlMode control;
    control.start(sandbox.client(server), "main", reports.lineHandler(), reports.exitHandler());
    const pid_t pid = control.pid().value();
    ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));
    sandbox.killServer(server);
    ASSERT_TRUE(reports.waitForExit());
    control.stop();
    EXPECT_TRUE(testing::processGone(pid));
    EXPECT_EQ(reports.exits(), 1);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

TEST_F(TmuxControlModeLiveTest, SecondStartReplacesTheFirstClient) {
    Reports first, second;
    TmuxControlMode control;
    control.start(sandbox.client(server), "main", first.lineHandler(), first.exitHandler());
    const pid_t firstPid = control.pid().value();
    ASSERT_TRUE(testing::waitForControlClients(sandbox, server, 1));
    control.start(sandbox.client(server), "main", second.lineHandler(), second.exitHandler());
    EXPECT_TRUE(testing::processGone(firstPid));
    EXPECT_EQ(first.exits(), 1);
    EXPECT_EQ(second.exits(), 0);

    ASSERT_TRUE(second.waitForLine("%session-changed"));  // attached
    sandbox.newWindow(server, "main", "more");
    EXPECT_TRUE(second.waitForLine("%window-add"));
    for (const auto& line : first.lines()) EXPECT_EQ(line.find("%window-add"), std::string::npos) << line;
}

TEST_F(TmuxControlModeLiveTest, MissingSessionEndsAtOnce) {
    Reports reports;
    TmuxControlMode control;
    control.start(sandbox.client(server), "no-such-session", reports.lineHandler(), reports.exitHandler());
    EXPECT_TRUE(reports.waitForExit());
    control.stop();
    EXPECT_EQ(reports.exits(), 1);
}

TEST(TmuxControlModeLaunchTest, UnstartableTmuxThrowsAndLeavesNothing) {
    const int descriptorsBefore = openDescriptors();
    Reports reports;
    TmuxControlMode control;
    EXPECT_THROW(control.start(TmuxClient("/nonexistent/tmux"), "main", reports.lineHandler(), reports.exitHandler()),
                 std::system_error);
    EXPECT_FALSE(control.isRunning());
    EXPECT_FALSE(control.pid());
    EXPECT_EQ(reports.exits(), 0);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

}  // namespace
}  // namespace quillon
