// The scanner rules' pane triggers against real programs in panes of private tmux servers:
// each fires once per change for the sessions its filter names; output counts only when it
// appears after the rule was armed (neither the screen as it was nor a typed command line);
// nothing fires while automatic commands are off; a switch of server fires nothing for the
// old server's panes.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/pane_attention.h"
#include "app/pane_triggers.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

class PaneTriggersTest : public AppFixture {
protected:
    void follow() {
        attention = std::make_unique<PaneAttention>(*env);
        triggers = std::make_unique<PaneTriggers>(*env, *attention, *rules);
        attention->start();
        ASSERT_TRUE(waitUntil([&] { return !attention->panes().empty(); }, 30s));
    }
    ScanRule rule(const std::string& name, ScanRuleTrigger trigger, const std::string& session = "build") {
        ScanRule r{.name = name, .trigger = trigger, .match = session};
        return r;
    }
    // "rule: message" of every firing so far.
    std::vector<std::string> fired() const {
        std::vector<std::string> out;
        for (const auto& e : rules->executions()) out.push_back(e.ruleName + ": " + e.message);
        return out;
    }
    std::string shown() const { return text::join(fired(), "\n"); }
    std::size_t count(const std::string& name) const {
        const auto& all = rules->executions();
        return std::count_if(all.begin(), all.end(), [&](const RuleExecution& e) { return e.ruleName == name; });
    }
    bool inState(const std::string& pane, PaneState state) const {
        for (const auto& s : attention->statuses())
            if (s.paneId == pane) return s.state == state;
        return false;
    }

    std::unique_ptr<PaneAttention> attention;
    std::unique_ptr<PaneTriggers> triggers;
};

TEST_F(PaneTriggersTest, EachTriggerFiresOncePerChangeForItsSessionsAndOnlyOnNewOutput) {
    sandbox.newSession(server, "build");
    sandbox.newSession(server, "other");
    const std::string asking = newPane("build"), sleeping = newPane("build"), ringing = newPane("build"),
                      printing = newPane("build"), elsewhere = newPane("other");
    type(printing, "echo BUILD OK");  // on the screen before any rule is armed
    startStores();
    follow();
    rules->upsert(rule("waiting", ScanRuleTrigger::paneWaiting));
    rules->upsert(rule("finished", ScanRuleTrigger::paneFinished));
    rules->upsert(rule("bell", ScanRuleTrigger::paneBell));
    auto quiet = rule("quiet", ScanRuleTrigger::paneQuiet);
    quiet.quietSeconds = 3;
    rules->upsert(quiet);
    auto output = rule("output", ScanRuleTrigger::outputMatches, "BUI");  // the filter ignores case
    output.pattern = "(?-i)BUILD (OK|FAILED)";
    output.patternIsRegex = true;
    rules->upsert(output);

    // Off: a finish passes unseen by the rules.
    type(sleeping, "sleep 3");
    ASSERT_TRUE(waitUntil([&] { return inState(sleeping, PaneState::finished); }, 30s));
    env->setAutoCommandsEnabled(true);

    type(asking, "read -p 'Go? ' answer");
    ASSERT_TRUE(waitUntil([&] { return count("waiting") == 1; }, 30s)) << shown();
    type(sleeping, "sleep 3");
    ASSERT_TRUE(waitUntil([&] { return count("finished") == 1; }, 30s)) << shown();
    type(ringing, "printf '\\a'");
    ASSERT_TRUE(waitUntil([&] { return count("bell") == 1; }, 30s)) << shown();
    type(newPane("build"), "sh -c 'sleep 2; echo working; sleep 600'");
    ASSERT_TRUE(waitUntil([&] { return count("quiet") == 1; }, 40s)) << shown();

    // Another session's panes are not the rules' business.
    type(elsewhere, "read -p 'Go? ' answer");
    ASSERT_TRUE(waitUntil([&] { return inState(elsewhere, PaneState::waitingForInput); }, 30s));
    type(elsewhere, "echo build failed | tr a-z A-Z");
    // A typed command line that holds the pattern prints nothing; then a line that matches.
    type(printing, ": BUILD OK");
    type(printing, "echo build failed | tr a-z A-Z");
    ASSERT_TRUE(waitUntil([&] { return count("output") == 1; }, 30s)) << shown();

    const std::vector<std::string> expected{
        "waiting: build:1.0: Waiting for input", "finished: build:2.0: Finished", "bell: build:3.0: Bell",
        "quiet: build:5.0: quiet for 3 s", "output: build:4.0: BUILD FAILED"};
    EXPECT_EQ(fired(), expected);
    // Read after read, still once each.
    type(printing, "echo again");
    ASSERT_TRUE(waitUntil([&] {
        return text::contains(tmux({"capture-pane", "-p", "-t", printing}), "\nagain");
    }, 30s));
    refreshNow();
    EXPECT_EQ(fired(), expected);
}

// A switch of server mid-way: the old server's panes fire nothing; the new one's do.
TEST_F(PaneTriggersTest, ASwitchOfServerFiresNothingForTheOldServersPanes) {
    sandbox.newSession(server, "build");
    const std::string other = TmuxSandbox::uniqueName("other");
    sandbox.newSession(other, "build");
    const std::string slow = newPane("build");
    startStores();
    env->setAutoCommandsEnabled(true);
    follow();
    rules->upsert(rule("waiting", ScanRuleTrigger::paneWaiting, ""));
    type(slow, "sleep 3; read -p 'Late? ' answer");
    ASSERT_TRUE(waitUntil([&] { return inState(slow, PaneState::running); }, 30s));
    env->useServer(std::nullopt, other, sandbox.socketPath(other));
    ASSERT_TRUE(waitUntil([&] { return env->serverIdentity().socketName == other; }));
    const std::string fresh(text::trim(sandbox.tmux(other, {"new-window", "-d", "-t", "build:", "-P", "-F", "#{pane_id}"})));
    ASSERT_EQ(fresh, slow) << "ids coincide on both servers";
    ASSERT_TRUE(waitUntil([&] { return attention->panes().size() == 2; }, 30s));
    // The old pane now waits, on the server no longer shown.
    ASSERT_TRUE(waitUntil([&] {
        return text::contains(sandbox.tmux(server, {"capture-pane", "-p", "-t", slow}), "Late?");
    }, 30s));
    sandbox.tmux(other, {"send-keys", "-t", "=build:0", "-l", "read -p 'Now? ' answer"});
    sandbox.tmux(other, {"send-keys", "-t", "=build:0", "Enter"});
    ASSERT_TRUE(waitUntil([&] { return count("waiting") >= 1; }, 30s)) << shown();
    refreshNow();
    EXPECT_EQ(fired(), std::vector<std::string>{"waiting: build:0.0: Waiting for input"});
}

}  // namespace
}  // namespace quillon::testing
