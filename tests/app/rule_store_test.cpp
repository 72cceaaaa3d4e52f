// Scan rules against a private server: matched by kind and text, held back by their cooldown,
// their actions run (keys into the event's pane, shell commands that leave no zombie) and
// their firings kept in a bounded log. Their storage is in stored_values_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using Kind = ScanEvent::Kind;
using Posts = std::vector<std::pair<std::string, std::string>>;
using T = ScanRuleTrigger;
using A = ScanRuleActionKind;

class RuleStoreTest : public AppFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        startStores();
        env->setAutoCommandsEnabled(true);
    }
};

TEST_F(RuleStoreTest, TriggersMatchTheirKindsAndTextIgnoresCase) {
    for (const ScanRule& r : {ScanRule{.name = "any"}, ScanRule{.name = "opened", .trigger = T::sessionAdded},
                              ScanRule{.name = "build", .match = "BUILD"}, ScanRule{.name = "ștefan", .match = "ȘTEFAN"},
                              ScanRule{.enabled = false, .name = "off"}})
        rules->upsert(r);

    rules->evaluate(ScanEvent::make(Kind::info, "Scanner started"));
    rules->evaluate(ScanEvent::make(Kind::error, "no build"));
    EXPECT_TRUE(desktop.posts.empty());
    rules->evaluate(ScanEvent::make(Kind::sessionRenamed, "Renamed: build → ștefan"));
    rules->evaluate(ScanEvent::make(Kind::sessionAdded, "Session opened: x (1 windows)"));
    EXPECT_EQ(desktop.posts, (Posts{{"Rule: any", "Renamed: build → ștefan"},
                                     {"Rule: build", "Renamed: build → ștefan"},
                                     {"Rule: ștefan", "Renamed: build → ștefan"},
                                     {"Rule: any", "Session opened: x (1 windows)"},
                                     {"Rule: opened", "Session opened: x (1 windows)"}}));
    ASSERT_EQ(rules->executions().size(), 5u);
    EXPECT_EQ(rules->executions().front().ruleName, "any");
    EXPECT_EQ(rules->executions().front().action, "Notification");

    env->setAutoCommandsEnabled(false);
    rules->evaluate(ScanEvent::make(Kind::sessionAdded, "Session opened: y (1 windows)"));
    EXPECT_EQ(desktop.posts.size(), 5u);
}

TEST_F(RuleStoreTest, CooldownSkipsFiringsWithoutLoggingThem) {
    rules->upsert({.name = "slow", .trigger = T::windowAdded, .cooldownSeconds = 30});
    const auto t0 = Clock::now();
    const auto event = ScanEvent::make(Kind::windowAdded, "main: window opened 1:x");
    std::vector<std::size_t> logged;
    for (auto at : {0s, 10s, 29s, 30s, 45s, 60s}) {
        rules->evaluate(event, t0 + at);
        logged.push_back(rules->executions().size());
    }
    EXPECT_EQ(logged, (std::vector<std::size_t>{1, 1, 1, 2, 2, 3}));
    EXPECT_EQ(desktop.posts.size(), 3u);
}

TEST_F(RuleStoreTest, SendKeysNeedsATargetButStartsItsCooldownAnyway) {
    const auto marker = home.path() / "sent";
    rules->upsert({.name = "keys", .actionKind = A::sendKeys, .actionValue = "echo sent > '" + marker.string() + "'",
                   .cooldownSeconds = 30});
    const auto t0 = Clock::now();
    rules->evaluate(ScanEvent::make(Kind::sessionAdded, "Session opened: main (1 windows)"), t0);
    EXPECT_TRUE(rules->executions().empty());
    const auto opened = ScanEvent::make(Kind::windowAdded, "Window opened: main:0 sh", "main:0 sh", "main:0");
    rules->evaluate(opened, t0 + 1s);  // still cooling down
    EXPECT_TRUE(rules->executions().empty());
    rules->evaluate(opened, t0 + 31s);
    ASSERT_EQ(rules->executions().size(), 1u);
    EXPECT_EQ(rules->executions().back().action, "Send keys to session");
    EXPECT_TRUE(waitUntil([&] { return readWhole(marker) == "sent\n"; }));
}

TEST_F(RuleStoreTest, ShellCommandsRunAndAreNeverLeftAsZombies) {
    const auto out = home.path() / "out";
    for (int i = 0; i < 20; ++i)
        rules->upsert({.trigger = T::sessionRemoved, .actionKind = A::runShell,
                       .actionValue = "echo \"$HOME\" >> '" + out.string() + "'"});
    rules->upsert({.name = "empty", .trigger = T::sessionRemoved, .actionKind = A::runShell});
    rules->evaluate(ScanEvent::make(Kind::sessionRemoved, "Session closed: x"));
    EXPECT_EQ(rules->executions().size(), 21u);
    EXPECT_EQ(rules->executions().back().action, "Run shell command");
    EXPECT_TRUE(waitUntil([&] { return text::split(readWhole(out), "\n", true) == std::vector<std::string>(20, home.str()); }));
    EXPECT_TRUE(waitUntil([] { return zombieChildren() == 0; }, 2s));

    // The log keeps the latest hundred.
    rules->clearExecutions();
    rules->upsert({.trigger = T::paneChanged});
    for (int i = 1; i <= 101; ++i) rules->evaluate(ScanEvent::make(Kind::paneChanged, "change " + std::to_string(i)));
    ASSERT_EQ(rules->executions().size(), RuleStore::maxExecutions);
    EXPECT_EQ(rules->executions().front().message, "change 2");
    EXPECT_EQ(rules->executions().back().message, "change 101");
}

}  // namespace
}  // namespace quillon::testing
