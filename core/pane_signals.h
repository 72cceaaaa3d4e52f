#pragma once
// tmux's side of a pane's state, read for every pane of a server in one tmux run:
// `list-panes -a` with the fields PaneSignals holds, then `list-clients`, whose records say
// which panes a person's terminal shows. Every line carries a tag ("P" for a pane, "C" for a
// client), so the same output can travel inside a larger one (the remote probe's) and be
// picked out again.
//
// Times in tmux's output are the host's epoch seconds; parse() turns them into this
// machine's time through the host's own "now", so a remote clock's offset never shifts a
// state's time.

#include <string>
#include <string_view>
#include <vector>

#include "core/pane_observation.h"

namespace quillon::PaneSignalQuery {

// The -F format of a pane record and of a client record.
const std::string& paneFormat();
const std::string& clientFormat();
// list-panes -a -F <pane format> ; list-clients -F <client format>: tmux's arguments after
// the socket options.
const std::vector<std::string>& arguments();

// The pane records of output, in tmux's order, `watched` set from the client records.
// hostNow is the host's clock (epoch seconds) when the output was taken, and localNow this
// machine's at the same moment. Lines that are not whole records are left out.
std::vector<PaneSignals> parse(std::string_view output, double hostNow, TimePoint localNow);

}  // namespace quillon::PaneSignalQuery
