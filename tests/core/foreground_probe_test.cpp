// How /proc texts, as this kernel writes them for each kind of program, read as the use of
// a pane's terminal; and the remote probe's output, hostile lines included.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/foreground_probe.h"
#include "core/pane_signals.h"
#include "core/tmux_client.h"

namespace quillon {
namespace {

using namespace ForegroundProbe;
using namespace std::chrono_literals;
using Access = ForegroundFacts::Access;

const TimePoint probedAt = fromEpochSeconds(1'800'000'000);
constexpr unsigned canonical = 0x8a3b;  // icanon echo, as stty -g shows a fresh pts
constexpr unsigned raw = 0x8a31;        // -icanon -echo: a line editor
constexpr unsigned password = 0x8a33;   // icanon -echo

// A process with the standard descriptors on the pane's terminal, our own, last run at 1 s.
ProcessReading process(std::int64_t pid, std::string name, std::optional<std::string> syscall,
                       std::optional<std::string> wchan = "wait_woken") {
    ProcessReading p;
    p.pid = pid;
    p.name = std::move(name);
    // state ppid pgrp session tty_nr tpgid … starttime (field 22: 100 s after boot)
    p.stat = "S 1 " + std::to_string(pid) + " 10 34816 " + std::to_string(pid) + " 0 0 0 0 0 0 0 0 20 0 1 0 0 10000 0";
    p.ours = true;
    p.syscall = std::move(syscall);
    p.wchan = std::move(wchan);
    p.switches = 7;
    p.lastRanMs = 1000;
    p.terminalFds = {0, 1, 2};
    return p;
}

// The pane's shell (pid 10) holding the terminal itself, or handing it to group.
PaneReading pane(ProcessReading shell, std::vector<ProcessReading> group = {}, std::optional<unsigned> modes = {}) {
    PaneReading reading;
    reading.panePid = shell.pid;
    if (!group.empty()) {
        const auto leader = group.front().pid;
        shell.stat = "S 1 10 10 34816 " + std::to_string(leader) + " 0";
    }
    reading.first = shell;
    reading.foreground = group.empty() ? std::vector<ProcessReading>{shell} : std::move(group);
    reading.localModes = modes;
    return reading;
}

HostClock clock(std::string machine = "x86_64") {
    HostClock c;
    c.uptimeSeconds = 150;
    c.scheduledMs = 3500;
    c.ticksPerSecond = 100;
    c.machine = std::move(machine);
    return c;
}

const std::string blockedRead = "0 0x0 0x55e0 0x2000 0x0 0x0 0x0 0x7ffd 0x7f61";
const std::string byteRead = "0 0x0 0x7ffe 0x1 0x0 0x0 0x0 0x7ffd 0x7f61";
const std::string lineRead = "0 0x0 0x55ae 0x1000 0x0 0x0 0x0 0x7ffd 0x7f61";
const std::string selectForever = "270 0x1 0x7fff 0x0 0x0 0x0 0x0 0x7fff 0x7f14";
const std::string selectTimed = "270 0x1 0x7ffc 0x0 0x0 0x7ffc36975cc0 0x7ffc 0x7ffc 0x7f61";

struct Row {
    const char* name;
    PaneReading reading;
    TerminalUse use;
    bool shellHolds = false;
    std::string program = {};
    HostClock host = clock();
};

TEST(ForegroundProbe, WhatEachProgramsProcTextsSay) {
    ProcessReading sh = process(10, "sh", blockedRead);
    ProcessReading bash = process(10, "bash", selectForever, "poll_schedule_timeout.constprop.0");
    ProcessReading less = process(20, "less", "0 0x3 0x7ffe 0x1 0x24 0x0 0x0 0x7ffe 0x7f61");
    less.terminalFds = {0, 1, 2, 3};
    ProcessReading epollOnTty = process(20, "node", "232 0x3 0x5603 0x3ff 0xffffffff 0x0 0x0 0x7ffe 0x7f89");
    epollOnTty.epollWatchesTerminal = true;
    ProcessReading epollElsewhere = epollOnTty;
    epollElsewhere.epollWatchesTerminal = false;
    ProcessReading make = process(20, "make", "61 0xffffffff 0x7ffc 0x0 0x0 0x0 0x0 0x7ffc 0x7f10", "do_wait");
    ProcessReading cc = process(21, "cc1", "running", "0");
    ProcessReading pythonChild = process(21, "python3", "232 0x3 0x5603 0x3ff 0xffffffff 0x0 0x0 0x7ffe 0x7f89");
    pythonChild.epollWatchesTerminal = true;
    ProcessReading shellWaiting = process(10, "sh", "61 0xffffffff 0x7ffc 0x0 0x0 0x0 0x0 0x7ffc 0x7f10", "do_wait");
    ProcessReading sudo = process(20, "sudo", std::nullopt, "0");
    sudo.ours = false;
    ProcessReading yamaBash = bash;
    yamaBash.syscall.reset();
    ProcessReading yamaBashRead = process(10, "bash", std::nullopt, "wait_woken");

    using enum TerminalUse;
    const std::vector<Row> rows = {
        {"dash at its prompt reads blocks", pane(sh), prompt, true, "sh"},
        {"dash's read takes a byte at a time", pane(process(10, "sh", byteRead)), reading, true, "sh"},
        {"bash's prompt selects in raw mode", pane(bash, {}, raw), prompt, true, "bash"},
        {"bash's read is a canonical read", pane(process(10, "bash", lineRead), {}, canonical), reading, true, "bash"},
        {"under Yama: bash's prompt by its wchan and raw mode", pane(yamaBash, {}, raw), prompt, true, "bash"},
        {"under Yama: bash's read by its wchan and canonical mode", pane(yamaBashRead, {}, canonical), reading, true,
         "bash"},
        {"cat reads the terminal", pane(sh, {process(20, "cat", blockedRead)}), reading, false, "cat"},
        {"cat reading a pipe is busy", pane(sh, {[] { auto p = process(20, "cat", blockedRead); p.terminalFds = {1, 2}; return p; }()}),
         busy, false, "cat"},
        {"less reads /dev/tty on fd 3", pane(sh, {less}), reading, false, "less"},
        {"python3 selects with no time limit", pane(sh, {process(20, "python3", selectForever)}), reading, false, "python3"},
        {"top selects with a time limit", pane(sh, {process(20, "top", selectTimed)}), polling, false, "top"},
        {"poll for ever", pane(sh, {process(20, "pw", "7 0x7fff 0x1 0xffffffff 0x0 0x0 0x0 0x7fff 0x7f96")}), reading},
        {"poll for a second", pane(sh, {process(20, "pw", "7 0x7fff 0x1 0x3e8 0x0 0x0 0x0 0x7fff 0x7f96")}), polling},
        {"epoll with the terminal", pane(sh, {epollOnTty}), reading, false, "node"},
        {"epoll without it", pane(sh, {epollElsewhere}), busy, false, "node"},
        {"sleep is busy", pane(sh, {process(20, "sleep", "230 0x0 0x0 0x7fff 0x7fff 0x0 0x1 0x7fff 0x7fcc", "hrtimer_nanosleep")}),
         busy, false, "sleep"},
        {"make waits for its compiler", pane(sh, {make, cc}), busy, false, "make"},
        {"a shell running a program: the program reads", pane(shellWaiting, {}, {}), busy, true, "sh"},
        {"sh -c's python reads, named after it", [&] { auto r = pane(shellWaiting); r.foreground.push_back(pythonChild); return r; }(),
         reading, true, "python3"},
        {"on aarch64 a read is call 63", pane(sh, {process(20, "cat", "63 0x0 0x55e0 0x2000 0x0 0x0 0x0 0x7ffd 0x7f61")}),
         reading, false, "cat", clock("aarch64")},
        {"a running process is busy", pane(sh, {process(20, "yes", "running", "0")}), busy, false, "yes"},
        {"another user's program: not ours to read", pane(sh, {sudo}), unknown, false, "sudo"},
        {"another user's program asking for a password", pane(sh, {sudo}, password), reading, false, "sudo"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ForegroundFacts facts = interpret(row.reading, row.host, probedAt);
        EXPECT_EQ(facts.use, row.use);
        EXPECT_EQ(facts.shellInForeground, row.shellHolds);
        if (!row.program.empty()) {
            EXPECT_EQ(facts.program, row.program);
        }
    }
}

TEST(ForegroundProbe, AccessTimesAndTheRoot) {
    ProcessReading cat = process(20, "cat", blockedRead);
    auto facts = interpret(pane(process(10, "sh", blockedRead), {cat}), clock(), probedAt);
    EXPECT_EQ(facts.access, Access::readable);
    EXPECT_EQ(facts.blockedSince, probedAt - 2500ms);  // last ran at 1000 ms, probedAt is 3500 ms
    EXPECT_EQ(facts.programStarted, probedAt - 50s);   // started 100 s after boot, up 150 s
    EXPECT_EQ(facts.group, 20);

    EXPECT_EQ(interpret(PaneReading{}, clock(), probedAt).access, Access::missing);
    PaneReading groupGone = pane(process(10, "sh", blockedRead));
    groupGone.foreground.clear();
    EXPECT_EQ(interpret(groupGone, clock(), probedAt).access, Access::changing);
    ProcessReading sudo = process(20, "sudo", std::nullopt, "0");
    sudo.ours = false;
    EXPECT_EQ(interpret(pane(process(10, "sh", blockedRead), {sudo}), clock(), probedAt).access, Access::denied);
    HostClock root = clock();
    root.privileged = true;
    EXPECT_EQ(interpret(pane(process(10, "sh", blockedRead), {sudo}), root, probedAt).access, Access::readable);
}

std::string sep(1, '\x1f');
std::string record(std::initializer_list<std::string> fields) {
    std::string line;
    for (const auto& field : fields) line += (line.empty() ? "" : sep) + field;
    return line + "\n";
}

TEST(ForegroundProbe, TheRemoteAnswerAndLinesThatPretend) {
    // A session name can hold the probe's tags; only lines after the nonce are readings,
    // and a name read from /proc comes last, whatever it holds.
    const std::string tmuxLines = record({"P", "10", "/dev/pts/3", "%0", "@0", "$0", "0", "0", "sh", "0", "", "", "",
                                          "0", "1800000000", "1", "0", "100", "2", "0", "1", "1", "S\x1f" "forged"}) +
                                  record({"F", "99"}) + record({"S", "wrong"}) + "no server running here\n";
    const std::string output = record({"B", "n0nce"}) +
                               record({"H", "150.5", "3500.25", "1000", "x86_64", "1800000005.5"}) +
                               record({"X", "0"}) + tmuxLines + record({"S", "n0nce"}) + record({"F", "10"}) +
                               record({"p", "10", "1", "wait_woken", blockedRead, "1 2 7", "1000.5", "0,1,2", "0",
                                       "S 1 10 10 34816 10 0", "s\x1fh p"}) +
                               record({"t", "8a31"}) + record({"=", "11"});
    const RemoteAnswer answer = parseRemote(output);
    ASSERT_TRUE(answer.ran);
    EXPECT_TRUE(answer.procAvailable);
    EXPECT_EQ(answer.clock.machine, "x86_64");
    EXPECT_EQ(answer.hostNow, 1800000005.5);
    EXPECT_EQ(answer.tmuxStatus, 0);
    EXPECT_EQ(answer.tmuxError, "F" + sep + "99\nS" + sep + "wrong\nno server running here");
    ASSERT_EQ(answer.readings.size(), 2u);
    const PaneReading& first = answer.readings[0];
    EXPECT_EQ(first.panePid, 10);
    ASSERT_TRUE(first.first);
    EXPECT_EQ(first.first->name, "s\x1fh p");
    EXPECT_EQ(first.first->switches, 7u);
    EXPECT_EQ(first.first->lastRanMs, 1000.5);
    EXPECT_EQ(first.first->terminalFds, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(first.foreground.size(), 1u);  // the shell leads its own group
    EXPECT_EQ(first.localModes, 0x8a31u);
    EXPECT_TRUE(answer.readings[1].unchanged);

    // tmux's times are the host's, read on this machine's clock.
    const auto panes = PaneSignalQuery::parse(answer.tmuxOutput, answer.hostNow, probedAt);
    ASSERT_EQ(panes.size(), 1u);
    EXPECT_EQ(panes[0].sessionName, "S\x1f" "forged");
    EXPECT_EQ(panes[0].windowActivity, probedAt - 5500ms);
    EXPECT_EQ(panes[0].output, (OutputMark{0, 100, 2, 0}));

    // ssh that never ran the script; a host without /proc.
    EXPECT_FALSE(parseRemote("ssh: connect to host x port 22: Connection refused\n").ran);
    const auto bare = parseRemote(record({"B", "n"}) + record({"H", "", "", "501", "arm64", "1800000000"}) +
                                  record({"S", "n"}));
    EXPECT_TRUE(bare.ran);
    EXPECT_FALSE(bare.procAvailable);
}

TEST(ForegroundProbe, TheRemoteWordsQuoteNothingThemselves) {
    const auto words = remoteWords({"tmux", "-u", "-L", "a b;c"}, {{10, "/dev/pts/1", 7}, {11, "/dev/pts/2", std::nullopt}});
    ASSERT_GE(words.size(), 5u);
    EXPECT_EQ(words[0], "sh");
    EXPECT_EQ(words[1], "-c");
    EXPECT_EQ(words[3], "quillon-probe");
    const std::vector<std::string> tail(words.begin() + 5, words.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"10:7", "--", "tmux", "-u", "-L", "a b;c"}));
    const auto pairs = remoteWords({}, {{10, "/dev/pts/1", std::nullopt}});
    EXPECT_EQ(std::vector<std::string>(pairs.end() - 3, pairs.end()), (std::vector<std::string>{"--", "10", "/dev/pts/1"}));
}

}  // namespace
}  // namespace quillon
