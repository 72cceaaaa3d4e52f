#pragma once
// One pane as tmux_pane_states and tmux_wait report it: where it lives (tmux's fields as
// last listed), its state, and the last line with text on its screen where it was read.

#include <optional>
#include <string>

#include "core/pane_observation.h"
#include "core/pane_state.h"

namespace quillon::mcp {

struct PaneReport {
    PaneSignals pane;
    PaneStatus status;
    std::optional<std::string> lastLine;
};

}  // namespace quillon::mcp
