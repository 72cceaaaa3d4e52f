#include "core/pane_signals.h"

#include <unordered_set>

#include "core/text.h"
#include "core/tmux_client.h"

namespace quillon {

std::string PaneSignals::target() const {
    return sessionName + ":" + std::to_string(windowIndex) + "." + std::to_string(paneIndex);
}

namespace PaneSignalQuery {
namespace {

constexpr const char* paneFields[] = {
    "#{pane_pid}",         "#{pane_tty}",          "#{pane_id}",          "#{window_id}",
    "#{session_id}",       "#{window_index}",      "#{pane_index}",       "#{pane_current_command}",
    "#{pane_dead}",        "#{pane_dead_status}",  "#{pane_dead_signal}", "#{pane_dead_time}",
    "#{window_bell_flag}", "#{window_activity}",   "#{window_panes}",     "#{history_size}",
    "#{history_bytes}",    "#{cursor_x}",          "#{cursor_y}",         "#{pane_active}",
    "#{window_active}",    "#{session_name}",
};
constexpr std::size_t paneFieldCount = std::size(paneFields);

std::string tagged(std::string_view tag, std::initializer_list<std::string_view> fields) {
    std::string format(tag);
    for (auto field : fields) format.append(TmuxClient::sep).append(field);
    return format;
}

std::int64_t number(std::string_view field) { return text::parseInt(field).value_or(0); }

std::optional<int> optionalNumber(std::string_view field) {
    auto value = text::parseInt(field);
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

// The host's epoch seconds as this machine's time; nothing for an empty or zero field.
std::optional<TimePoint> hostTime(std::string_view field, double hostNow, TimePoint localNow) {
    auto seconds = text::parseReal(field);
    if (!seconds || *seconds <= 0) return std::nullopt;
    const auto age = std::chrono::duration<double>(hostNow - *seconds);
    return localNow - std::chrono::duration_cast<Clock::duration>(age);
}

PaneSignals paneFrom(const std::vector<std::string_view>& f, double hostNow, TimePoint localNow) {
    PaneSignals pane;
    pane.pid = number(f[1]);
    pane.tty = f[2];
    pane.paneId = f[3];
    pane.windowId = f[4];
    pane.sessionId = f[5];
    pane.windowIndex = number(f[6]);
    pane.paneIndex = number(f[7]);
    pane.currentCommand = f[8];
    pane.dead = f[9] == "1";
    if (pane.dead) {
        pane.deadStatus = optionalNumber(f[10]);
        pane.deadSignal = optionalNumber(f[11]);
        pane.deadAt = hostTime(f[12], hostNow, localNow);
    }
    pane.windowBell = f[13] == "1";
    pane.windowActivity = hostTime(f[14], hostNow, localNow);
    pane.windowPanes = number(f[15]);
    pane.output = {number(f[16]), number(f[17]), number(f[18]), number(f[19])};
    pane.active = f[20] == "1";
    pane.watched = pane.active && f[21] == "1";  // until a person's client is found
    // The name is last: whatever it holds, the fields before it are where they belong.
    pane.sessionName = f[22];
    return pane;
}

}  // namespace

const std::string& paneFormat() {
    static const std::string format = [] {
        std::string out = "P";
        for (const char* field : paneFields) out.append(TmuxClient::sep).append(field);
        return out;
    }();
    return format;
}

const std::string& clientFormat() {
    static const std::string format =
        tagged("C", {"#{session_id}", "#{client_control_mode}", "#{client_flags}"});
    return format;
}

const std::vector<std::string>& arguments() {
    static const std::vector<std::string> args{"list-panes", "-a", "-F", paneFormat(), ";",
                                               "list-clients", "-F", clientFormat()};
    return args;
}

std::vector<PaneSignals> parse(std::string_view output, double hostNow, TimePoint localNow) {
    std::vector<PaneSignals> panes;
    std::unordered_set<std::string> looked;  // sessions a person's focused client shows
    for (auto line : text::split(output, "\n", true)) {
        auto f = text::split(line, TmuxClient::sep, false);
        if (f[0] == "P" && f.size() >= paneFieldCount + 1) {
            if (f.size() > paneFieldCount + 1) {  // a name holding the separator
                const auto nameStart = f[paneFieldCount].data() - line.data();
                f.resize(paneFieldCount + 1);
                f[paneFieldCount] = line.substr(nameStart);
            }
            if (f[3].empty() || f[1].empty()) continue;
            panes.push_back(paneFrom(f, hostNow, localNow));
        } else if (f[0] == "C" && f.size() == 4) {
            const bool person = f[2] != "1";
            const bool focused = text::contains(f[3], "focused");
            if (person && focused) looked.emplace(f[1]);
        }
    }
    for (auto& pane : panes) pane.watched = pane.watched && looked.count(pane.sessionId) > 0;
    return panes;
}

}  // namespace PaneSignalQuery
}  // namespace quillon
