#pragma once
// The change events between two snapshots of one server. Pure: reads only its arguments.
// Sessions are matched by tmux's session id (so a rename is recognised), windows by index
// within their session, panes by index within their window; a duplicated key keeps its
// first occurrence.

#include <string>
#include <vector>

#include "core/scan_event.h"
#include "core/tmux_model.h"

namespace quillon::ScannerDiff {

// Closed, opened and renamed sessions only.
std::vector<ScanEvent> sessionLevelDiff(const std::vector<TmuxSession>& old, const std::vector<TmuxSession>& now);

// Session events plus, for every session in both, its window and pane events right after it.
std::vector<ScanEvent> diff(const std::vector<TmuxSession>& old, const std::vector<TmuxSession>& now);

// Window and pane events of one session; `session` heads every message.
std::vector<ScanEvent> windowDiff(const std::string& session, const TmuxSession& old, const TmuxSession& now);

}  // namespace quillon::ScannerDiff
