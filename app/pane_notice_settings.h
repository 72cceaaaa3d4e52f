#pragma once
// What the user wants to be told about panes: which states become desktop notifications,
// for how long a silent program counts as merely running, and a pause of every such
// notification ("Do not disturb") for a while or until turned off.

#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pane_state.h"

namespace quillon {

// The states a notification can be switched on for.
enum class NoticeKind { waitingForInput, finished, bell, quiet, exitedWithError };

std::string_view toRaw(NoticeKind kind);
std::optional<NoticeKind> noticeKindFromRaw(std::string_view raw);
const std::vector<NoticeKind>& allNoticeKinds();
// "Waiting for input" / "Așteaptă input", … , "Exited with an error" / "Ieșit cu eroare".
std::string label(NoticeKind kind);
// The notification a pane's urgency calls for; nothing for running, idle and unknown.
std::optional<NoticeKind> noticeKindOf(Urgency urgency);

// What a pane's status calls for, and since when: a bell dates from its ring.
struct Notice {
    std::optional<NoticeKind> kind;
    TimePoint at{};
    bool operator==(const Notice&) const = default;
};
Notice noticeOf(const PaneStatus& status);
// A kind entered, or a finish, an exit or a bell again with a time of its own. Waiting and
// quiet are conditions: only entering them is news. Never news without a kind.
bool isNews(const Notice& now, const std::optional<Notice>& before);

// One switch per kind; all on but quiet, which every long build would trip.
struct NoticeSwitches {
    std::array<bool, 5> on{true, true, true, false, true};

    bool enabled(NoticeKind kind) const noexcept { return on[static_cast<std::size_t>(kind)]; }
    void set(NoticeKind kind, bool value) noexcept { on[static_cast<std::size_t>(kind)] = value; }
    bool operator==(const NoticeSwitches&) const = default;
};

// Notifications paused: until a time, or until the user turns it off. Off by default.
struct DoNotDisturb {
    std::optional<TimePoint> until;
    bool untilTurnedOff = false;

    bool holds(TimePoint now) const noexcept { return untilTurnedOff || (until && now < *until); }
    bool operator==(const DoNotDisturb&) const = default;
};

// The lengths offered for a pause; nothing: until turned off.
const std::vector<std::optional<std::chrono::minutes>>& doNotDisturbChoices();
// "30 min" / "30 min", "1 h" / "1 oră", "4 h" / "4 ore", "Until turned off" / "Până o opresc".
std::string doNotDisturbChoiceLabel(const std::optional<std::chrono::minutes>& length);

// The silence threshold's bounds, in seconds.
inline constexpr double silenceMinimum = 5;
inline constexpr double silenceMaximum = 3600;
inline constexpr double silenceDefault = 30;
bool silenceAcceptable(double seconds);

// Their stored forms. A value of the wrong shape reads as the default and adds a sentence
// naming the key to problems; the document keeps it until the user changes that setting.
nlohmann::json encode(const NoticeSwitches& switches);
NoticeSwitches decodeNoticeSwitches(const nlohmann::json& value, std::string_view key, std::vector<std::string>& problems);
// A time as epoch seconds, "untilTurnedOff", or null when off.
nlohmann::json encode(const DoNotDisturb& pause);
DoNotDisturb decodeDoNotDisturb(const nlohmann::json& value, std::string_view key, std::vector<std::string>& problems);
double decodeSilence(const nlohmann::json& value, std::string_view key, std::vector<std::string>& problems);

}  // namespace quillon
