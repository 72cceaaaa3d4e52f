#pragma once
// tmux_census, tmux_servers and tmux_sessions: what every server (or one) holds.
// Scan and probe trouble is part of the report, so these never answer isError.

#include "core/tmux_client.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

// The full census, or with compact only the socket list and the verdicts.
ToolResult censusTool(const TmuxClient& client, const Arguments& arguments, bool compact);
ToolResult sessionsTool(const TmuxClient& client, const Arguments& arguments);

}  // namespace quillon::mcp
