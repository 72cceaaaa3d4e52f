#include "core/foreground_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <deque>

#include "core/process_runner.h"
#include "core/scan_event.h"
#include "core/text.h"

namespace quillon::ForegroundProbe {
namespace {

constexpr std::string_view shells[] = {"sh",  "dash", "ash",  "bash", "zsh",  "fish", "ksh",     "ksh93",  "mksh",
                                       "pdksh", "oksh", "tcsh", "csh", "yash", "posh", "busybox", "nu", "elvish", "xonsh"};
constexpr std::string_view rawEditingShells[] = {"bash", "zsh", "fish", "ksh", "ksh93", "mksh", "oksh", "tcsh", "yash"};
// The members of the foreground group read below its leader, at most.
constexpr int maxMembers = 8;
constexpr unsigned canonicalMode = 0x2;  // ICANON
constexpr unsigned echoMode = 0x8;       // ECHO

// A syscall line: "running", or the number and its six arguments (then stack and pc).
struct Call {
    long number = -1;
    std::array<std::uint64_t, 6> args{};
};

std::optional<std::uint64_t> hexOrDecimal(std::string_view word) {
    std::uint64_t value = 0;
    int base = 10;
    if (word.starts_with("0x")) {
        word.remove_prefix(2);
        base = 16;
    }
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (error != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
    return value;
}

std::optional<Call> parseCall(std::string_view line) {
    const auto words = text::split(text::trim(line), " ", true);
    if (words.size() < 7) return std::nullopt;
    Call call;
    auto number = text::parseInt(words[0]);
    if (!number || *number < 0) return std::nullopt;
    call.number = static_cast<long>(*number);
    for (std::size_t i = 0; i < 6; ++i) {
        auto value = hexOrDecimal(words[i + 1]);
        if (!value) return std::nullopt;
        call.args[i] = *value;
    }
    return call;
}

// Waiting calls by architecture; only their kinds matter.
enum class CallKind { other, read, select, poll, ppoll, epollWait, epollPwait2 };

CallKind kindOf(long number, std::string_view machine) {
    if (machine == "x86_64") switch (number) {
            case 0: case 17: case 19: return CallKind::read;  // read, pread64, readv
            case 23: case 270: return CallKind::select;       // select, pselect6
            case 7: return CallKind::poll;
            case 271: return CallKind::ppoll;
            case 232: case 281: return CallKind::epollWait;   // epoll_wait, epoll_pwait
            case 441: return CallKind::epollPwait2;
        }
    if (machine == "aarch64") switch (number) {
            case 63: case 65: case 67: return CallKind::read;
            case 72: return CallKind::select;
            case 73: return CallKind::ppoll;
            case 22: return CallKind::epollWait;
            case 441: return CallKind::epollPwait2;
        }
    return CallKind::other;
}

std::string_view statField(std::string_view stat, std::size_t index) {
    std::size_t i = 0;
    for (auto word : text::split(stat, " ", true))
        if (i++ == index) return word;
    return {};
}

bool onTerminal(const ProcessReading& process, std::uint64_t fd) {
    return std::find(process.terminalFds.begin(), process.terminalFds.end(), static_cast<int>(fd)) !=
           process.terminalFds.end();
}

bool anyStandardOnTerminal(const ProcessReading& process) {
    return onTerminal(process, 0) || onTerminal(process, 1) || onTerminal(process, 2);
}

TerminalUse waitingUse(bool onTheTerminal, bool withoutLimit) {
    if (!onTheTerminal) return TerminalUse::busy;
    return withoutLimit ? TerminalUse::reading : TerminalUse::polling;
}

TerminalUse useFromCall(const ProcessReading& process, const Call& call, std::string_view machine) {
    const auto& a = call.args;
    switch (kindOf(call.number, machine)) {
        case CallKind::read: return waitingUse(onTerminal(process, a[0]), true);
        case CallKind::select: {
            const bool watched = std::any_of(process.terminalFds.begin(), process.terminalFds.end(),
                                             [&](int fd) { return static_cast<std::uint64_t>(fd) < a[0]; });
            return waitingUse(watched, a[4] == 0);
        }
        // poll's list is not visible: the standard descriptors stand for it.
        case CallKind::poll: return waitingUse(anyStandardOnTerminal(process), static_cast<std::int32_t>(a[2]) < 0);
        case CallKind::ppoll: return waitingUse(anyStandardOnTerminal(process), a[2] == 0);
        case CallKind::epollWait:
            return waitingUse(process.epollWatchesTerminal, static_cast<std::int32_t>(a[3]) < 0);
        case CallKind::epollPwait2: return waitingUse(process.epollWatchesTerminal, a[3] == 0);
        case CallKind::other: return TerminalUse::busy;
    }
    return TerminalUse::busy;
}

TerminalUse useOf(const ProcessReading& process, std::string_view machine) {
    if (process.syscall) {
        if (text::startsWith(*process.syscall, "running")) return TerminalUse::busy;
        if (auto call = parseCall(*process.syscall); call && kindOf(call->number, machine) != CallKind::other)
            return useFromCall(process, *call, machine);
        if (parseCall(*process.syscall)) return TerminalUse::busy;
    }
    if (!process.wchan) return TerminalUse::unknown;
    // Without the call (Yama, another architecture) the kernel function it sleeps in.
    const std::string_view wchan = *process.wchan;
    if (wchan == "n_tty_read" || wchan == "wait_woken") return waitingUse(onTerminal(process, 0), true);
    for (std::string_view polling : {"poll_schedule_timeout", "do_select", "do_sys_poll", "ep_poll", "do_epoll_wait"})
        if (text::startsWith(wchan, polling)) return waitingUse(!process.terminalFds.empty(), true);
    return TerminalUse::busy;
}

int rank(TerminalUse use) {
    switch (use) {
        case TerminalUse::reading: return 4;
        case TerminalUse::polling: return 3;
        case TerminalUse::busy: return 2;
        default: return 1;
    }
}

std::optional<TimePoint> lastRan(const ProcessReading& process, const HostClock& clock, TimePoint now) {
    if (!process.lastRanMs || !clock.scheduledMs) return std::nullopt;
    const double ago = std::max(0.0, *clock.scheduledMs - *process.lastRanMs);
    return now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ago));
}

std::optional<TimePoint> startOf(const ProcessReading& process, const HostClock& clock, TimePoint now) {
    auto ticks = text::parseInt(statField(process.stat, 19));
    if (!ticks || clock.ticksPerSecond <= 0 || clock.uptimeSeconds <= 0) return std::nullopt;
    const double age = std::max(0.0, clock.uptimeSeconds - static_cast<double>(*ticks) / clock.ticksPerSecond);
    return now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(age));
}

// A shell in the foreground that waits on its terminal reads either its command line or,
// in its own `read`, a line for a script: raw mode is its line editor; a read of one byte
// at a time is a `read` (dash reads its commands in blocks); and a shell that edits its
// line in raw mode reads in canonical mode only for a `read`.
bool shellReadsALine(const ProcessReading& shell, const std::optional<unsigned>& modes, std::string_view machine) {
    if (modes && !(*modes & canonicalMode)) return false;
    std::optional<Call> call = shell.syscall ? parseCall(*shell.syscall) : std::nullopt;
    const bool reads = call && kindOf(call->number, machine) == CallKind::read;
    if (reads && call->args[2] == 1) return true;
    return modes && editsLineRaw(shell.name) && (!call || reads);
}

// The leader's name, unless the leader is a shell running something: then its program's.
std::string programName(const std::vector<ProcessReading>& group) {
    if (isShell(group.front().name))
        for (const auto& member : group)
            if (!isShell(member.name)) return member.name;
    return group.front().name;
}

}  // namespace

bool isShell(std::string_view name) {
    if (name.starts_with('-')) name.remove_prefix(1);  // a login shell
    return std::find(std::begin(shells), std::end(shells), name) != std::end(shells);
}

bool editsLineRaw(std::string_view name) {
    return std::find(std::begin(rawEditingShells), std::end(rawEditingShells), name) != std::end(rawEditingShells);
}

ForegroundFacts interpret(const PaneReading& reading, const HostClock& clock, TimePoint now) {
    ForegroundFacts facts;
    if (!reading.first) return facts;
    if (reading.foreground.empty()) {
        // A short-lived program (a loop's sleep) left between reading the terminal and its group.
        facts.access = ForegroundFacts::Access::changing;
        return facts;
    }
    const ProcessReading& first = *reading.first;
    const ProcessReading& leader = reading.foreground.front();
    facts.shell = first.name;
    facts.group = leader.pid;
    facts.program = programName(reading.foreground);
    facts.programStarted = startOf(leader, clock, now);
    facts.shellStarted = startOf(first, clock, now);
    facts.shellInForeground = leader.pid == first.pid && isShell(first.name);
    for (const auto& process : reading.foreground) facts.switches += process.switches.value_or(0);

    const bool denied = !clock.privileged && std::any_of(reading.foreground.begin(), reading.foreground.end(),
                                                         [](const auto& process) { return !process.ours; });
    if (denied) {
        facts.access = ForegroundFacts::Access::denied;
        const bool password = reading.localModes && (*reading.localModes & canonicalMode) && !(*reading.localModes & echoMode);
        facts.use = password ? TerminalUse::reading : TerminalUse::unknown;
        return facts;
    }
    facts.access = ForegroundFacts::Access::readable;
    const std::string machine = clock.machine;
    const TerminalUse leaderUse = useOf(leader, machine);
    if (facts.shellInForeground && (leaderUse == TerminalUse::reading || leaderUse == TerminalUse::polling)) {
        facts.use = shellReadsALine(leader, reading.localModes, machine) ? TerminalUse::reading : TerminalUse::prompt;
        facts.blockedSince = lastRan(leader, clock, now);
        return facts;
    }
    // The member that uses the terminal most decides: one reading makes the group wait.
    const ProcessReading* user = &leader;
    facts.use = leaderUse;
    for (std::size_t i = 1; i < reading.foreground.size(); ++i) {
        const TerminalUse use = useOf(reading.foreground[i], machine);
        if (rank(use) > rank(facts.use)) {
            facts.use = use;
            user = &reading.foreground[i];
        }
    }
    if (facts.use == TerminalUse::reading) facts.blockedSince = lastRan(*user, clock, now);
    return facts;
}

// ---- This machine ----

namespace {

std::optional<std::string> readSmall(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
        if (out.size() > 64 * 1024) break;
    }
    return out;
}

std::string firstLine(std::string_view text) { return std::string(text.substr(0, text.find('\n'))); }

std::optional<double> execStart(const std::string& schedPath) {
    auto sched = readSmall(schedPath);
    if (!sched) return std::nullopt;
    for (auto line : text::split(*sched, "\n", true)) {
        if (!text::startsWith(line, "se.exec_start")) continue;
        auto colon = line.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        return text::parseReal(text::trim(line.substr(colon + 1)));
    }
    return std::nullopt;
}

struct LocalReader {
    dev_t terminal = 0;
    bool terminalKnown = false;
    std::string machine;

    std::string proc(std::int64_t pid, const char* file) const { return "/proc/" + std::to_string(pid) + "/" + file; }

    bool isTerminal(std::int64_t pid, std::uint64_t fd) const {
        struct stat info {};
        const std::string path = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
        return terminalKnown && ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == terminal;
    }

    // The stat line after "(comm) ", and the name.
    static bool splitStat(const std::string& line, ProcessReading& process) {
        const auto open = line.find('(');
        const auto close = line.rfind(") ");
        if (open == std::string::npos || close == std::string::npos || close < open) return false;
        process.name = line.substr(open + 1, close - open - 1);
        process.stat = firstLine(std::string_view(line).substr(close + 2));
        return true;
    }

    std::optional<ProcessReading> read(std::int64_t pid) const {
        ProcessReading process;
        process.pid = pid;
        auto stat = readSmall(proc(pid, "stat"));
        if (!stat || !splitStat(*stat, process)) return std::nullopt;
        struct stat owner {};
        process.ours = ::stat(("/proc/" + std::to_string(pid)).c_str(), &owner) == 0 && owner.st_uid == ::geteuid();
        if (auto wchan = readSmall(proc(pid, "wchan"))) process.wchan = firstLine(*wchan);
        if (auto call = readSmall(proc(pid, "syscall"))) process.syscall = firstLine(*call);
        if (auto schedstat = readSmall(proc(pid, "schedstat"))) {
            const auto words = text::split(text::trim(*schedstat), " ", true);
            if (words.size() == 3)
                if (auto switches = text::parseInt(words[2])) process.switches = static_cast<std::uint64_t>(*switches);
        }
        process.lastRanMs = execStart(proc(pid, "sched"));
        std::vector<std::uint64_t> candidates{0, 1, 2};
        std::optional<std::uint64_t> firstArgument;
        if (process.syscall)
            if (auto call = parseCall(*process.syscall); call && call->args[0] < 1024) firstArgument = call->args[0];
        if (firstArgument && *firstArgument > 2) candidates.push_back(*firstArgument);
        for (auto fd : candidates)
            if (isTerminal(pid, fd)) process.terminalFds.push_back(static_cast<int>(fd));
        if (firstArgument) process.epollWatchesTerminal = epollHasTerminal(pid, *firstArgument);
        return process;
    }

    bool epollHasTerminal(std::int64_t pid, std::uint64_t epfd) const {
        auto info = readSmall("/proc/" + std::to_string(pid) + "/fdinfo/" + std::to_string(epfd));
        if (!info) return false;
        for (auto line : text::split(*info, "\n", true)) {
            if (!text::startsWith(line, "tfd:")) continue;
            const auto words = text::split(line, " ", true);
            if (words.size() >= 2)
                if (auto fd = text::parseInt(words[1]); fd && *fd >= 0 && isTerminal(pid, static_cast<std::uint64_t>(*fd)))
                    return true;
        }
        return false;
    }

    std::vector<std::int64_t> children(std::int64_t pid) const {
        std::vector<std::int64_t> out;
        auto listing = readSmall("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
        if (!listing) return out;
        for (auto word : text::split(*listing, " ", true))
            if (auto child = text::parseInt(text::trim(word))) out.push_back(*child);
        return out;
    }

    std::optional<unsigned> modes(const std::string& tty) const {
        UniqueFd fd(::open(tty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        struct termios settings {};
        if (!fd || ::tcgetattr(fd.get(), &settings) != 0) return std::nullopt;
        return static_cast<unsigned>(settings.c_lflag);
    }
};

bool waitsForChildren(const ProcessReading& process) { return process.wchan && *process.wchan == "do_wait"; }

PaneReading readPane(const Request& request, const std::string& machine) {
    PaneReading reading;
    reading.panePid = request.panePid;
    LocalReader reader;
    reader.machine = machine;
    if (request.unchangedIf) {
        if (auto schedstat = readSmall(reader.proc(request.panePid, "schedstat"))) {
            const auto words = text::split(text::trim(*schedstat), " ", true);
            if (words.size() == 3 && text::parseInt(words[2]) == static_cast<std::int64_t>(*request.unchangedIf)) {
                reading.unchanged = true;
                return reading;
            }
        }
    }
    struct stat terminal {};
    if (::stat(request.tty.c_str(), &terminal) == 0 && S_ISCHR(terminal.st_mode)) {
        reader.terminal = terminal.st_rdev;
        reader.terminalKnown = true;
    }
    reading.first = reader.read(request.panePid);
    if (!reading.first) return reading;
    const auto group = text::parseInt(statField(reading.first->stat, 5)).value_or(0);
    if (group <= 0) return reading;
    auto leader = group == request.panePid ? reading.first : reader.read(group);
    if (!leader) return reading;
    reading.foreground.push_back(*leader);
    std::deque<std::int64_t> todo;
    if (waitsForChildren(*leader))
        for (auto child : reader.children(leader->pid)) todo.push_back(child);
    while (!todo.empty() && static_cast<int>(reading.foreground.size()) <= maxMembers) {
        const auto pid = todo.front();
        todo.pop_front();
        auto member = reader.read(pid);
        if (!member || text::parseInt(statField(member->stat, 2)).value_or(0) != group) continue;
        if (waitsForChildren(*member))
            for (auto child : reader.children(pid)) todo.push_back(child);
        reading.foreground.push_back(std::move(*member));
    }
    const bool shellHolds = leader->pid == request.panePid && editsLineRaw(leader->name);
    if (shellHolds || !leader->ours) reading.localModes = reader.modes(request.tty);
    return reading;
}

}  // namespace

HostClock localClock() {
    HostClock clock;
    if (auto uptime = readSmall("/proc/uptime")) {
        const auto words = text::split(*uptime, " ", true);
        if (!words.empty()) clock.uptimeSeconds = text::parseReal(words[0]).value_or(0);
    }
    clock.scheduledMs = execStart("/proc/thread-self/sched");
    if (!clock.scheduledMs) clock.scheduledMs = execStart("/proc/self/sched");
    clock.ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    clock.privileged = ::geteuid() == 0;
    struct utsname name {};
    if (::uname(&name) == 0) clock.machine = name.machine;
    return clock;
}

std::vector<PaneReading> readLocal(const std::vector<Request>& requests) {
    struct utsname name {};
    const std::string machine = ::uname(&name) == 0 ? name.machine : "";
    std::vector<PaneReading> readings;
    readings.reserve(requests.size());
    for (const auto& request : requests) readings.push_back(readPane(request, machine));
    return readings;
}

// ---- Another machine ----

namespace {

// Read-only and POSIX: builtins for every file, forks only for the clock, the machine's
// name and a terminal's mode. Records are lines tagged by their first field (U+001F between
// fields); a name read from /proc comes last and is one line, so it cannot add records.
// The arguments: the nonce, "pid:switches" of panes at their prompt, "--", then either the
// tmux command line or "pid tty" pairs.
constexpr std::string_view script = R"SH(set -f
U=$(printf '\037')
nonce=$1; shift
known=' '
while [ $# -gt 0 ] && [ "$1" != -- ]; do known="$known$1 "; shift; done
[ $# -gt 0 ] && shift
printf "B$U%s\n" "$nonce"
up=; self=; uid=
read -r up _ 2>/dev/null </proc/uptime
while read -r k _ v; do [ "$k" = se.exec_start ] && { self=$v; break; }; done 2>/dev/null </proc/$$/sched
while read -r k v _; do [ "$k" = Uid: ] && { uid=$v; break; }; done 2>/dev/null </proc/$$/status
now=$(date +%s.%N 2>/dev/null); m=$(uname -m 2>/dev/null)
printf "H$U%s$U%s$U%s$U%s$U%s\n" "$up" "$self" "$uid" "$m" "$now"
rec() {
  p=$2; line=; st=; c=; wc=-; sc=-; ss=; ex=; fds=; ep=0; kids=; a=
  read -r line 2>/dev/null </proc/$p/stat
  [ -n "$line" ] || return 1
  st=${line##*) }
  read -r c 2>/dev/null </proc/$p/comm
  read -r wc 2>/dev/null </proc/$p/wchan
  read -r sc 2>/dev/null </proc/$p/syscall
  read -r ss 2>/dev/null </proc/$p/schedstat
  while read -r k _ v; do [ "$k" = se.exec_start ] && { ex=$v; break; }; done 2>/dev/null </proc/$p/sched
  o=0; [ -O /proc/$p ] && o=1
  cand='0 1 2'
  case $sc in [0-9]*' 0x'*) a=${sc#* }; a=${a%% *}; a=$((a)); [ "$a" -lt 1024 ] && [ "$a" -gt 2 ] && cand="$cand $a";; esac
  for n in $cand; do [ /proc/$p/fd/$n -ef "$3" ] && fds="$fds,$n"; done
  if [ -n "$a" ] && [ "$a" -lt 1024 ]; then
    while read -r k n _; do [ "$k" = tfd: ] && [ /proc/$p/fd/$n -ef "$3" ] && { ep=1; break; }; done 2>/dev/null </proc/$p/fdinfo/$a
  fi
  [ "$wc" = do_wait ] && read -r kids 2>/dev/null </proc/$p/task/$p/children
  printf "$1$U%s$U%s$U%s$U%s$U%s$U%s$U%s$U%s$U%s$U%s\n" "$p" "$o" "$wc" "$sc" "$ss" "$ex" "${fds#,}" "$ep" "$st" "$c"
}
pane() {
  case $1 in ''|*[!0-9]*) return;; esac
  case $2 in /dev/*) ;; *) return;; esac
  pp=$1; tt=$2; w=
  case $known in *" $pp:"*) w=${known#*" $pp:"}; w=${w%% *};; esac
  if [ -n "$w" ]; then
    ss=; read -r ss 2>/dev/null </proc/$pp/schedstat
    [ "${ss##* }" = "$w" ] && { printf "=$U%s\n" "$pp"; return; }
  fi
  printf "F$U%s\n" "$pp"
  rec p "$pp" "$tt" || return
  fc=$c; set -- $st; tg=$6
  case $tg in ''|-*|0) return;; esac
  if [ "$tg" != "$pp" ]; then rec g "$tg" "$tt" || return; fi
  lo=$o; todo=$kids; n=0
  while [ -n "$todo" ] && [ $n -lt @MEMBERS@ ]; do
    set -- $todo; k=$1; shift; todo=$*
    l=; read -r l 2>/dev/null </proc/$k/stat; l=${l##*) }
    set -- $l; [ "$3" = "$tg" ] || continue
    rec g "$k" "$tt" && { n=$((n+1)); todo="$todo $kids"; }
  done
  e=0; [ "$tg" = "$pp" ] && case $fc in @RAW@) e=1;; esac
  [ "$lo" = 0 ] && [ "$uid" != 0 ] && e=1
  if [ $e = 1 ]; then
    lf=$(stty -g 2>/dev/null <"$tt"); lf=${lf#*:}; lf=${lf#*:}; lf=${lf#*:}; lf=${lf%%:*}
    [ -n "$lf" ] && printf "t$U%s\n" "$lf"
  fi
}
if [ "$1" = tmux ]; then
  out=$("$@" 2>&1); printf "X$U%s\n" "$?"
  printf '%s\n' "$out"
  printf "S$U%s\n" "$nonce"
  [ -n "$up" ] && printf '%s\n' "$out" | while IFS="$U" read -r tag pid tty _; do [ "$tag" = P ] && pane "$pid" "$tty"; done
else
  printf "S$U%s\n" "$nonce"
  [ -n "$up" ] && while [ $# -ge 2 ]; do pane "$1" "$2"; shift 2; done
fi
)SH";

std::string scriptText() {
    std::string raw;
    for (auto name : rawEditingShells) raw.append(raw.empty() ? "" : "|").append(name);
    std::string text(script);
    auto replace = [&](std::string_view key, const std::string& value) {
        text.replace(text.find(key), key.size(), value);
    };
    replace("@RAW@", raw);
    replace("@MEMBERS@", std::to_string(maxMembers));
    return text;
}

std::string makeNonce() {
    std::string id = makeUuid();
    id.erase(std::remove(id.begin(), id.end(), '-'), id.end());
    return id;
}

ProcessReading processFrom(const std::vector<std::string_view>& f, std::string_view line) {
    // p|g, pid, ours, wchan, syscall, schedstat, exec_start, fds, epoll, stat, comm (rest)
    ProcessReading process;
    process.pid = text::parseInt(f[1]).value_or(0);
    process.ours = f[2] == "1";
    if (f[3] != "-") process.wchan = std::string(f[3]);
    if (f[4] != "-") process.syscall = std::string(f[4]);
    if (const auto words = text::split(f[5], " ", true); words.size() == 3)
        if (auto switches = text::parseInt(words[2])) process.switches = static_cast<std::uint64_t>(*switches);
    process.lastRanMs = text::parseReal(f[6]);
    for (auto fd : text::split(f[7], ",", true))
        if (auto number = text::parseInt(fd)) process.terminalFds.push_back(static_cast<int>(*number));
    process.epollWatchesTerminal = f[8] == "1";
    process.stat = f[9];
    process.name = line.substr(static_cast<std::size_t>(f[10].data() - line.data()));
    return process;
}

}  // namespace

std::vector<std::string> remoteWords(const std::vector<std::string>& tmuxWords, const std::vector<Request>& requests) {
    std::vector<std::string> words{"sh", "-c", scriptText(), "quillon-probe", makeNonce()};
    for (const auto& request : requests)
        if (request.unchangedIf)
            words.push_back(std::to_string(request.panePid) + ":" + std::to_string(*request.unchangedIf));
    words.push_back("--");
    if (!tmuxWords.empty()) {
        words.insert(words.end(), tmuxWords.begin(), tmuxWords.end());
        return words;
    }
    for (const auto& request : requests) {
        words.push_back(std::to_string(request.panePid));
        words.push_back(request.tty);
    }
    return words;
}

RemoteAnswer parseRemote(std::string_view output) {
    RemoteAnswer answer;
    const auto lines = text::split(output, "\n", false);
    const std::string sep(1, '\x1f');
    std::string nonce;
    bool inTmux = false;
    bool inProbe = false;
    for (auto line : lines) {
        const auto f = text::split(line, sep, false);
        if (nonce.empty()) {
            if (f.size() == 2 && f[0] == "B") nonce = f[1];
            continue;
        }
        if (!inProbe && f.size() == 2 && f[0] == "S" && f[1] == nonce) {
            inProbe = true;
            continue;
        }
        if (!inTmux && !inProbe && f.size() == 6 && f[0] == "H") {
            answer.ran = true;
            answer.clock.uptimeSeconds = text::parseReal(f[1]).value_or(0);
            answer.procAvailable = answer.clock.uptimeSeconds > 0;
            answer.clock.scheduledMs = text::parseReal(f[2]);
            answer.clock.privileged = f[3] == "0";
            answer.clock.machine = f[4];
            // GNU date has nanoseconds; others print %N as is, so only whole seconds count.
            const auto now = f[5];
            answer.hostNow = text::parseReal(now).value_or(
                static_cast<double>(text::parseInt(now.substr(0, now.find('.'))).value_or(0)));
            continue;
        }
        if (!inTmux && !inProbe && f.size() == 2 && f[0] == "X") {
            answer.tmuxStatus = static_cast<int>(text::parseInt(f[1]).value_or(1));
            inTmux = true;
            continue;
        }
        if (inTmux && !inProbe) {
            if (line.empty()) continue;
            if (f[0] == "P" || f[0] == "C")
                answer.tmuxOutput.append(line).push_back('\n');
            else
                answer.tmuxError.append(answer.tmuxError.empty() ? "" : "\n").append(line);
            continue;
        }
        if (!inProbe) continue;
        if (f.size() == 2 && (f[0] == "F" || f[0] == "=")) {
            PaneReading reading;
            reading.panePid = text::parseInt(f[1]).value_or(0);
            reading.unchanged = f[0] == "=";
            answer.readings.push_back(std::move(reading));
        } else if (answer.readings.empty()) {
            continue;
        } else if (f.size() >= 11 && (f[0] == "p" || f[0] == "g")) {
            auto& reading = answer.readings.back();
            ProcessReading process = processFrom(f, line);
            if (f[0] == "p") {
                reading.first = process;
                const auto group = text::parseInt(statField(process.stat, 5)).value_or(0);
                if (group == process.pid) reading.foreground.push_back(std::move(process));
            } else {
                reading.foreground.push_back(std::move(process));
            }
        } else if (f.size() == 2 && f[0] == "t") {
            if (auto modes = hexOrDecimal("0x" + std::string(f[1]))) answer.readings.back().localModes = static_cast<unsigned>(*modes);
        }
    }
    return answer;
}

}  // namespace quillon::ForegroundProbe
