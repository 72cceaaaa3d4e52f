#pragma once
// tmux_wait: watches one pane until it reaches one of the states asked for, or until a line
// it prints after the call matches a pattern (read as the search reads it: text or RE2,
// case-insensitive), or until the limit (at most 120 s, 30 s unless asked) passes; then
// says which, with the pane's last lines. Read-only: the pane's server is read a few times
// a second (one ssh round trip each on another machine), nothing is sent to it.
//
// A pane is named by its id ("%3") or a readable target ("dev:1.0"), which is turned into
// the id once, at the start, so a pane that moves is still the one watched. Reports
// progress every 5 s where the context asks for it, and stops as soon as it is cancelled.

#include <chrono>
#include <string>
#include <vector>

#include "core/tmux_client.h"
#include "mcp/call_context.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

inline constexpr std::chrono::seconds waitLimitMax{120};
inline constexpr std::chrono::seconds waitLimitDefault{30};
inline constexpr std::chrono::seconds waitProgressEvery{5};

class PaneSamplerShelf;

// Starts from a copy of the shelf's sampler of the server, then reads on its own.
ToolResult waitTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts,
                    PaneSamplerShelf& shelf, const CallContext& context);

}  // namespace quillon::mcp
