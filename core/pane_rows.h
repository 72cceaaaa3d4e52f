#pragma once
// Reading a pane's rows for PaneNewLines (pane_new_lines.h): its history size and limit,
// cursor row and width, and the captured rows from a start, in one tmux run.

#include <cstdint>
#include <optional>
#include <string>

#include "core/pane_new_lines.h"
#include "core/pane_observation.h"
#include "core/pane_state.h"
#include "core/tmux_client.h"

namespace quillon {

// The pane's rows from start (relative to the visible top, as capture-pane's -S takes it;
// nothing: the history's top); nothing when the pane cannot be read. typing is left false.
std::optional<PaneRows> readPaneRows(const TmuxClient& client, const std::string& paneId,
                                     std::optional<std::int64_t> start);

// The shell reads its command line: what is at the cursor is typed, not printed.
bool shellTyping(const PaneStatus& status, const PaneSignals& pane);

}  // namespace quillon
