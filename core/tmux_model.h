#pragma once
// What one tmux server holds: sessions, their windows, the windows' panes.
// Plain values, built fresh by every query and compared memberwise.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

using Clock = std::chrono::system_clock;
using TimePoint = Clock::time_point;

// Seconds since 1970 (fractions kept) as an instant, and back. NaN reads as the epoch and
// numbers past the clock's range as its ends.
TimePoint fromEpochSeconds(double seconds);
double toEpochSeconds(TimePoint instant);

struct TmuxPane {
    std::int64_t index = 0;
    bool isActive = false;
    std::string command;
    std::int64_t pid = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::string path;
    std::string target;  // session:window.pane, for display
    std::string paneID;  // "%12": what actions address, as indexes shift

    const std::string& id() const noexcept { return target; }
    // What an action names it by: its id, or its target where tmux gave no id.
    const std::string& address() const noexcept { return paneID.empty() ? target : paneID; }
    bool operator==(const TmuxPane&) const = default;
};

struct TmuxWindow {
    std::int64_t index = 0;
    std::string name;
    bool isActive = false;
    std::int64_t paneCount = 0;  // as tmux reports it
    std::vector<TmuxPane> panes;
    std::string layout;
    std::string target;    // session:window, for display
    std::string windowID;  // "@7": what actions address, as indexes shift
    bool isZoomed = false;

    const std::string& id() const noexcept { return target; }
    // What an action names it by: its id, or its target where tmux gave no id.
    const std::string& address() const noexcept { return windowID.empty() ? target : windowID; }
    bool operator==(const TmuxWindow&) const = default;
};

struct TmuxSession {
    std::string name;
    std::string sessionID;  // "$3"
    TimePoint created{};
    bool isAttached = false;
    std::int64_t windowCount = 0;  // as tmux reports it
    std::optional<TimePoint> lastAttached;
    std::string path;
    std::vector<TmuxWindow> windows;

    const std::string& id() const noexcept { return name; }
    bool operator==(const TmuxSession&) const = default;

    // Panes actually attached to the windows, not the windows' paneCount fields.
    std::int64_t paneCount() const noexcept;
    TimePoint idleReference() const noexcept { return lastAttached.value_or(created); }
    // Detached and strictly older than the interval.
    bool isIdle(std::chrono::duration<double> olderThan, TimePoint now) const noexcept;
};

// Sums over a server's sessions: windows as tmux counts them, panes as the snapshot lists them.
std::int64_t totalWindows(const std::vector<TmuxSession>& sessions);
std::int64_t totalPanes(const std::vector<TmuxSession>& sessions);

}  // namespace quillon

template <> struct std::hash<quillon::TmuxPane> { std::size_t operator()(const quillon::TmuxPane&) const noexcept; };
template <> struct std::hash<quillon::TmuxWindow> { std::size_t operator()(const quillon::TmuxWindow&) const noexcept; };
template <> struct std::hash<quillon::TmuxSession> { std::size_t operator()(const quillon::TmuxSession&) const noexcept; };
