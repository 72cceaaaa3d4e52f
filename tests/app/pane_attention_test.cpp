// Pane states while the live watcher runs: the panes are read when tmux says something
// happened in them, so nothing depends on the slow readings of panes where nothing stirs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/pane_attention.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

class PaneAttentionTest : public AppFixture {
protected:
    bool becomes(const PaneAttention& attention, const std::string& pane, PaneState state) {
        return waitUntil([&] {
            const PaneStatus* status = attention.statusOf(pane);
            return status && status->state == state;
        }, 30s);
    }
};

TEST_F(PaneAttentionTest, WithTheWatcherAPaneIsReadWhenSomethingHappensInIt) {
    sandbox.newSession(server, "work");
    tmux({"set-option", "-g", "remain-on-exit", "on"});
    const std::string asking = newPane("work"), ringing = newPane("work"), working = newPane("work");
    watchServer = true;
    startStores();
    ASSERT_TRUE(waitUntil([&] { return env->watching(); }, 20s));
    PaneAttention attention(*env);
    // Panes where nothing happens are never read again: only the watcher's word can wake them.
    attention.setWatchedTiming({250ms, std::chrono::hours(1), 1s, std::chrono::hours(1)});
    attention.start();
    ASSERT_TRUE(waitUntil([&] {
        return attention.statuses().size() == 4 &&
               std::all_of(attention.statuses().begin(), attention.statuses().end(),
                           [](const PaneStatus& s) { return s.state == PaneState::idle; });
    }, 30s));

    type(asking, "read -p 'Continue? ' answer");
    EXPECT_TRUE(becomes(attention, asking, PaneState::waitingForInput));
    type(ringing, "printf '\\a'");
    EXPECT_TRUE(waitUntil([&] {
        const PaneStatus* status = attention.statusOf(ringing);
        return status && status->bellAt.has_value();
    }, 30s));
    type(working, "sleep 2");
    EXPECT_TRUE(becomes(attention, working, PaneState::running));
    EXPECT_TRUE(becomes(attention, working, PaneState::finished));
    EXPECT_EQ(attention.statusOf(working)->program, "sleep");
    // A pane that appears, and then dies.
    const std::string failing = newPane("work", "sh -c 'sleep 1; exit 3'");
    EXPECT_TRUE(becomes(attention, failing, PaneState::exited));
}

}  // namespace
}  // namespace quillon::testing
