#pragma once
// The form in which a target reaches tmux. Objects the user picked are addressed by tmux's
// ids ("$3", "@7", "%12"), which never move; readable targets ("dev", "dev:1", "dev:1.0")
// are for display and for names a person or an agent typed.
//
// A readable target's session part is always a name. Without "=" tmux falls back to a
// prefix match ("dev:1" reaches "devops:1" once "dev" is gone) and reads a bare name as a
// window of its current session; with "=" it still reads "=$0:" as the id "$0". So a name
// that starts with "$" reaches tmux only through its id, found by exact comparison in a
// fresh session list (TmuxClient::resolveTarget).

#include <string>
#include <string_view>

#include "core/view_lifetime.h"

namespace quillon {

// "$2", "@5", "%3": a sigil and digits, nothing else.
bool isTmuxId(std::string_view text);

// A target whose session (or window, or pane) part is a tmux id passes unchanged: "$2",
// "@5", "%3", "$2:1", "$2:1.0", "@5.1". "window.pane" of the current session and the empty
// target pass unchanged too. Anything else is a readable target whose session part is a
// name, made exact: "dev" → "=dev:" (its current window and pane), "dev:1" → "=dev:1",
// "=x" → "==x:" (the session named "=x").
std::string exactTarget(std::string_view target);

// The session part of a readable target: "dev:1.0" → "dev", "dev" → "dev"; empty for
// "window.pane" of the current session. A view into target, so never of a temporary.
std::string_view sessionPart(std::string_view target QUILLON_LIFETIMEBOUND);
template <Expiring S>
std::string_view sessionPart(S&& target) = delete;

// The session name as a command line's -t takes it for session commands (attach-session,
// kill-session): "=dev". Not for names that start with "$": those need their id.
std::string exactSessionName(std::string_view name);

}  // namespace quillon
