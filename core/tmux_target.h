#pragma once
// The form in which a target reaches tmux. Without "=" tmux falls back to a prefix match
// ("dev:1" reaches "devops:1" once "dev" is gone) and reads a bare name as a window of its
// current session before it tries a session. The model keeps its readable targets
// ("dev", "dev:1", "dev:1.0"); every command line takes them through exactTarget.

#include <string>
#include <string_view>

namespace quillon {

// "dev" → "=dev:" (the session's current window and pane), "dev:1" → "=dev:1",
// "dev:1.0" → "=dev:1.0". tmux ids ("$2", "@5", "%3", also "$2:1", "@5.1"), targets already
// exact ("=…"), "window.pane" of the current session and the empty target pass unchanged.
std::string exactTarget(std::string_view target);

}  // namespace quillon
