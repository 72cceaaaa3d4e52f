#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/l10n.h"
#include "core/pane_classifier.h"
#include "core/pane_state_tracker.h"
#include "core/pane_state.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Access = ForegroundFacts::Access;

const TimePoint origin = fromEpochSeconds(1'800'000'000);
TimePoint at(double seconds) { return origin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)); }

OutputMark line(std::int64_t line, std::int64_t x = 0) { return {0, 0, x, line}; }

ForegroundFacts shellAtPrompt(std::optional<double> blockedSince = std::nullopt) {
    ForegroundFacts facts;
    facts.access = Access::readable;
    facts.shellInForeground = true;
    facts.shell = facts.program = "sh";
    facts.group = 100;
    facts.use = TerminalUse::prompt;
    if (blockedSince) facts.blockedSince = at(*blockedSince);
    return facts;
}

ForegroundFacts program(std::string name, TerminalUse use, std::optional<double> started = std::nullopt,
                        std::optional<double> blockedSince = std::nullopt, std::uint64_t switches = 0) {
    ForegroundFacts facts;
    facts.access = Access::readable;
    facts.shell = "sh";
    facts.program = std::move(name);
    facts.group = 200;
    facts.use = use;
    if (started) facts.programStarted = at(*started);
    if (blockedSince) facts.blockedSince = at(*blockedSince);
    facts.switches = switches;
    return facts;
}

ForegroundFacts shellRunning(TerminalUse use = TerminalUse::busy, std::optional<double> blockedSince = std::nullopt) {
    ForegroundFacts facts = shellAtPrompt(blockedSince);
    facts.use = use;
    return facts;
}

struct Step {
    double seconds;
    ForegroundFacts foreground;
    OutputMark output = {};
    std::function<void(PaneObservation&)> adjust = {};
};

struct Expected {
    PaneState state;
    double since;
    std::string program = {};
    std::optional<std::chrono::milliseconds> duration = std::nullopt;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    Expected expected;
};

PaneTrack run(const std::vector<Step>& steps, const AttentionThresholds& thresholds = {}) {
    std::optional<PaneTrack> track;
    for (const auto& step : steps) {
        PaneObservation observation;
        observation.pane.paneId = "%1";
        observation.pane.output = step.output;
        observation.foreground = step.foreground;
        observation.at = at(step.seconds);
        if (step.adjust) step.adjust(observation);
        track = advance(track, observation, thresholds);
    }
    return *track;
}

void dead(PaneObservation& observation, std::optional<int> status, std::optional<int> signal) {
    observation.pane.dead = true;
    observation.pane.deadStatus = status;
    observation.pane.deadSignal = signal;
    observation.pane.deadAt = at(5);
    observation.pane.currentCommand = "make";
}

TEST(PaneClassifier, EveryRuleFromATable) {
    using enum TerminalUse;
    const std::vector<Case> cases = {
        {"shell at its prompt, since it started reading", {{1, shellAtPrompt(0.5)}}, {PaneState::idle, 0.5}},
        {"idle keeps its first time", {{1, shellAtPrompt(0.5)}, {9, shellAtPrompt(8)}}, {PaneState::idle, 0.5}},
        {"a program that ends is finished, with its name and time",
         {{0, shellAtPrompt()}, {1.5, program("sleep", busy, 1)}, {4.2, shellAtPrompt(4)}},
         {PaneState::finished, 4, "sleep", 3000ms}},
        {"finished holds at the prompt",
         {{0, shellAtPrompt()}, {1.5, program("sleep", busy, 1)}, {4.2, shellAtPrompt(4)}, {60, shellAtPrompt(59)}},
         {PaneState::finished, 4, "sleep", 3000ms}},
        {"the next program runs from its start",
         {{0, shellAtPrompt()}, {1, program("sleep", busy, 1)}, {4, shellAtPrompt(4)}, {7, program("make", busy, 6.5)}},
         {PaneState::running, 6.5, "make"}},
        {"without a start time a program runs from when it was seen", {{2, program("make", busy)}},
         {PaneState::running, 2, "make"}},
        {"blocked reading under 2 s is running", {{2.9, program("cat", reading, 1, 1)}}, {PaneState::running, 1, "cat"}},
        {"blocked reading for 2 s is waiting", {{2.9, program("cat", reading, 1, 1)}, {3, program("cat", reading, 1, 1)}},
         {PaneState::waitingForInput, 1, "cat"}},
        {"output restarts the 2 s",
         {{1, program("cat", reading, 1, 1), line(1)}, {2, program("cat", reading, 1, 1), line(2)},
          {3.9, program("cat", reading, 1, 1), line(2)}},
         {PaneState::running, 1, "cat"}},
        {"waiting once output stayed away 2 s",
         {{1, program("cat", reading, 1, 1), line(1)}, {2, program("cat", reading, 1, 1), line(2)},
          {4, program("cat", reading, 1, 1), line(2)}},
         {PaneState::waitingForInput, 2, "cat"}},
        {"without the kernel's time, blocked since first seen while nothing ran",
         {{1, program("cat", reading, 1, std::nullopt, 5)}, {2, program("cat", reading, 1, std::nullopt, 5)},
          {3, program("cat", reading, 1, std::nullopt, 5)}},
         {PaneState::waitingForInput, 1, "cat"}},
        {"a run in between starts the 2 s again",
         {{1, program("cat", reading, 1, std::nullopt, 5)}, {2, program("cat", reading, 1, std::nullopt, 6)},
          {3.5, program("cat", reading, 1, std::nullopt, 6)}},
         {PaneState::running, 1, "cat"}},
        {"waiting on the terminal with a time limit runs (top)",
         {{1, program("top", polling, 1)}, {30, program("top", polling, 1)}},
         {PaneState::running, 1, "top"}},
        {"the typed command's echo is not output: cat waits",
         {{0, shellAtPrompt(), line(0, 2)}, {1, program("cat", reading, 0.9, 0.9), line(1)},
          {3, program("cat", reading, 0.9, 0.9), line(1)}},
         {PaneState::waitingForInput, 1, "cat"}},
        {"a silent program never goes quiet",
         {{0, shellAtPrompt(), line(0, 2)}, {1, program("sleep", busy, 0.9), line(1)},
          {60, program("sleep", busy, 0.9), line(1)}},
         {PaneState::running, 0.9, "sleep"}},
        {"printed before it was seen, then silent: quiet",
         {{0, shellAtPrompt(), line(0, 2)}, {1, program("server", busy, 0.9), line(3)},
          {31, program("server", busy, 0.9), line(3)}},
         {PaneState::quiet, 1, "server"}},
        {"printed after it was seen, then silent: quiet from the last output",
         {{0, shellAtPrompt(), line(0, 2)}, {1, program("server", busy, 0.9), line(1)},
          {2, program("server", busy, 0.9), line(4)}, {32, program("server", busy, 0.9), line(4)}},
         {PaneState::quiet, 2, "server"}},
        {"tmux's fields read late do not make a printing program quiet",
         {{1, program("server", busy, 0.9), line(1)}, {2, program("server", busy, 0.9), line(4)},
          {40, program("server", busy, 0.9), line(4), [](auto& o) { o.signalsFresh = false; }}},
         {PaneState::running, 0.9, "server"}},
        {"not quiet before the threshold",
         {{1, program("server", busy, 0.9), line(1)}, {2, program("server", busy, 0.9), line(4)},
          {31.9, program("server", busy, 0.9), line(4)}},
         {PaneState::running, 0.9, "server"}},
        {"a waiting program answered runs again from then",
         {{1, program("cat", reading, 1, 1)}, {3, program("cat", reading, 1, 1)}, {5, program("cat", busy, 1)}},
         {PaneState::running, 5, "cat"}},
        {"a shell's own read waits", {{1, shellRunning(reading, 1)}, {3, shellRunning(reading, 1)}},
         {PaneState::waitingForInput, 1, "sh"}},
        {"a shell running a loop runs, named after its program",
         {{0, shellAtPrompt()}, {1, shellRunning()}, {1.2, program("sleep", busy, 1.1)}, {1.4, shellRunning()}},
         {PaneState::running, 1, "sleep"}},
        {"a loop that ends is finished",
         {{0, shellAtPrompt()}, {1, shellRunning()}, {1.2, program("sleep", busy, 1.1)}, {3, shellAtPrompt(2.5)}},
         {PaneState::finished, 2.5, "sleep", 1500ms}},
        {"a dead pane has exited with its status",
         {{1, program("make", busy, 0.5)}, {6, shellAtPrompt(), {}, [](auto& o) { dead(o, 3, std::nullopt); }}},
         {PaneState::exited, 5, "make"}},
        {"dead before tmux knows how it ended: still running for a moment",
         {{1, program("make", busy, 0.5)}, {6, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }}},
         {PaneState::running, 0.5, "make"}},
        {"then exited with the status tmux tells",
         {{1, program("make", busy, 0.5)},
          {6, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }},
          {6.5, shellAtPrompt(), {}, [](auto& o) { dead(o, 3, std::nullopt); }}},
         {PaneState::exited, 5, "make"}},
        {"a status that never comes is not waited for past 2 s",
         {{1, program("make", busy, 0.5)},
          {6, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }},
          {7, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }},
          {8.1, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }}},
         {PaneState::exited, 5, "make"}},
        {"a pane first seen dead, its status untold: unknown for a moment",
         {{6, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }}}, {PaneState::unknown, 6}},
        {"then exited, told or not",
         {{6, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }},
          {8, shellAtPrompt(), {}, [](auto& o) { dead(o, std::nullopt, std::nullopt); }}},
         {PaneState::exited, 5, "make"}},
        {"a pane first seen dead with its status: exited at once",
         {{6, shellAtPrompt(), {}, [](auto& o) { dead(o, 0, std::nullopt); }}}, {PaneState::exited, 5, "make"}},
        {"nothing readable: unknown", {{1, ForegroundFacts{}}}, {PaneState::unknown, 1}},
        {"a foreground not ours: unknown", {{1, [] { auto f = program("sudo", unknown, 1); f.access = Access::denied; return f; }()}},
         {PaneState::unknown, 1, "sudo"}},
        {"a foreground not ours asking for a password waits",
         {{3, [] { auto f = program("sudo", reading, 0.5, 1); f.access = Access::denied; return f; }()}},
         {PaneState::waitingForInput, 1, "sudo"}},
        {"a shell's start-up before its first prompt finishes nothing",
         {{0.5, [] { auto f = shellRunning(); f.shellStarted = f.programStarted = at(0); return f; }()},
          {0.8, [] { auto f = program("dircolors", TerminalUse::busy, 0.7); f.shellStarted = at(0); return f; }()},
          {1.5, shellAtPrompt(1.2)}},
         {PaneState::idle, 1.2}},
        {"a program running when first seen finishes, however old its shell",
         {{0.5, [] { auto f = program("make", TerminalUse::busy, 0.2); f.shellStarted = at(-100); return f; }()},
          {1.5, shellAtPrompt(1.2)}},
         {PaneState::finished, 1.2, "make", 1000ms}},
        {"a foreground group that ended while it was read changes nothing",
         {{0, shellAtPrompt()}, {1, program("sleep", busy, 1)}, {1.2, [] { ForegroundFacts f; f.access = Access::changing; return f; }()}},
         {PaneState::running, 1, "sleep"}},
        {"a program held through an unreadable moment is still the one that finishes",
         {{0, shellAtPrompt()}, {1, program("make", busy, 1)}, {2, ForegroundFacts{}}, {4, shellAtPrompt(3)}},
         {PaneState::finished, 3, "make", 2000ms}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PaneTrack track = run(c.steps);
        EXPECT_EQ(toRaw(track.status.state), toRaw(c.expected.state));
        EXPECT_NEAR(toEpochSeconds(track.status.since) - toEpochSeconds(origin), c.expected.since, 1e-6);
        EXPECT_EQ(track.status.program, c.expected.program);
        EXPECT_EQ(track.status.duration, c.expected.duration);
    }
}

TEST(PaneClassifier, ExitStatusOrSignalAndTheSilenceThresholdIsTheUsers) {
    auto exitedBy = [](std::optional<int> status, std::optional<int> signal) {
        return run({{6, ForegroundFacts{}, {}, [=](auto& o) { dead(o, status, signal); }}}).status;
    };
    EXPECT_EQ(exitedBy(3, std::nullopt).exitStatus, 3);
    EXPECT_TRUE(exitedBy(3, std::nullopt).exitedWithError());
    EXPECT_FALSE(exitedBy(0, std::nullopt).exitedWithError());
    EXPECT_EQ(exitedBy(0, 9).exitSignal, 9);
    EXPECT_EQ(exitedBy(0, 9).exitStatus, std::nullopt);
    EXPECT_TRUE(exitedBy(0, 9).exitedWithError());

    const std::vector<Step> printedThenSilent = {{1, program("server", TerminalUse::busy, 1), line(1)},
                                                 {2, program("server", TerminalUse::busy, 1), line(3)},
                                                 {7, program("server", TerminalUse::busy, 1), line(3)}};
    EXPECT_EQ(run(printedThenSilent, {2000ms, 5000ms}).status.state, PaneState::quiet);
    EXPECT_EQ(run(printedThenSilent, {2000ms, 6000ms}).status.state, PaneState::running);
    // A program reading the terminal is about to wait, whatever the silence threshold.
    const std::vector<Step> askedThenSilent = {{0, shellAtPrompt(), line(0, 2)},
                                               {1, program("ask", TerminalUse::reading, 0.5, 0.5), line(3)},
                                               {1.8, program("ask", TerminalUse::reading, 0.5, 0.5), line(3)}};
    EXPECT_EQ(run(askedThenSilent, {2000ms, 1000ms}).status.state, PaneState::running);

    // tmux's times reach us through two clocks: a later reading of the same death may differ.
    auto deadAt = [](double seconds) {
        return [=](PaneObservation& o) {
            dead(o, 3, std::nullopt);
            o.pane.deadAt = at(seconds);
        };
    };
    const auto twice = run({{6, ForegroundFacts{}, {}, deadAt(5)}, {7, ForegroundFacts{}, {}, deadAt(5.001)}});
    EXPECT_EQ(twice.status.since, at(5));
}

TEST(PaneClassifier, ABellIsMarkedUntilTmuxClearsItsFlag) {
    auto bell = [](PaneObservation& o) {
        o.pane.windowBell = true;
        o.bell = at(1.5);
    };
    auto flagStillSet = [](PaneObservation& o) { o.pane.windowBell = true; };
    const auto rang = run({{0, shellAtPrompt()}, {2, shellAtPrompt(), {}, bell}, {3, shellAtPrompt(), {}, flagStillSet}});
    EXPECT_EQ(rang.status.bellAt, at(1.5));
    EXPECT_EQ(urgency(rang.status), Urgency::bell);
    const auto seen = run({{0, shellAtPrompt()}, {2, shellAtPrompt(), {}, bell}, {3, shellAtPrompt()}});
    EXPECT_EQ(seen.status.bellAt, std::nullopt);
}

TEST(PaneStates, RawNamesTextsAndUrgency) {
    L10n::setLanguage(AppLanguage::en);
    for (auto state : allPaneStates()) EXPECT_EQ(paneStateFromRaw(toRaw(state)), state);
    EXPECT_EQ(paneStateFromRaw("Waiting"), std::nullopt);
    EXPECT_EQ(toRaw(PaneState::waitingForInput), "waitingForInput");
    EXPECT_EQ(label(PaneState::idle), "At the prompt");
    EXPECT_EQ(label(PaneState::unknown), "state unknown");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(label(PaneState::waitingForInput), "Așteaptă input");
    EXPECT_EQ(label(PaneState::quiet), "Liniștit");
    EXPECT_EQ(label(PaneState::unknown), "stare necunoscută");

    auto status = [](PaneState state, std::optional<int> exit = std::nullopt, bool bell = false) {
        PaneStatus s;
        s.state = state;
        s.exitStatus = exit;
        if (bell) s.bellAt = origin;
        return s;
    };
    const std::vector<std::pair<PaneStatus, Urgency>> table = {
        {status(PaneState::waitingForInput, std::nullopt, true), Urgency::waiting},
        {status(PaneState::exited, 1, true), Urgency::failed},
        {status(PaneState::running, std::nullopt, true), Urgency::bell},
        {status(PaneState::finished), Urgency::finished},
        {status(PaneState::exited, 0), Urgency::finished},
        {status(PaneState::quiet), Urgency::quiet},
        {status(PaneState::running), Urgency::running},
        {status(PaneState::idle), Urgency::idle},
        {status(PaneState::unknown), Urgency::unknown},
    };
    for (const auto& [s, expected] : table) EXPECT_EQ(urgency(s), expected) << toRaw(s.state);
    EXPECT_TRUE(needsUser(Urgency::finished));
    EXPECT_FALSE(needsUser(Urgency::quiet));
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// tmux is read every 5 s while every shell sits at its prompt, but within a busy period once
// a shell has run something since (a bell, a quick command): and never more for one that
// sat still.
TEST(PaneStateTracker, AShellThatRanSomethingHasTmuxReadSoon) {
    PaneStateTracker tracker;
    PaneSignals pane;
    pane.paneId = "%1";
    pane.pid = 100;
    pane.tty = "/dev/pts/1";
    ForegroundFacts facts;
    facts.access = ForegroundFacts::Access::readable;
    facts.shellInForeground = true;
    facts.use = TerminalUse::prompt;
    facts.switches = 10;
    const TimePoint start = Clock::now();
    tracker.updateAll({pane}, {facts}, start);
    const auto later = [&](double seconds) {
        return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    };
    EXPECT_FALSE(tracker.plan(later(1.5)).tmux);
    EXPECT_TRUE(tracker.plan(later(5)).tmux);

    tracker.updateSome({{pane.pid, pane.tty, std::nullopt}}, {facts}, later(1.2));  // sat still
    EXPECT_FALSE(tracker.plan(later(1.5)).tmux);
    facts.switches = 14;
    tracker.updateSome({{pane.pid, pane.tty, std::nullopt}}, {facts}, later(1.3));  // it ran
    EXPECT_TRUE(tracker.plan(later(1.5)).tmux);
    tracker.updateAll({pane}, {facts}, later(1.6));
    EXPECT_FALSE(tracker.plan(later(3)).tmux);
}

}  // namespace
}  // namespace quillon
