#pragma once
// tmux_census, tmux_servers and tmux_sessions: what every server (or one) holds.
// Scan and probe trouble is part of the report, so these never answer isError; only a
// `host` that is not stored does.

#include "core/tmux_client.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

// The full census, or with compact only the socket list and the verdicts; then every
// stored host, read while this machine is scanned.
ToolResult censusTool(const TmuxClient& client, const Arguments& arguments, bool compact,
                      const std::vector<std::string>& hosts);
// One server, on this machine or on a stored host (`host`).
ToolResult sessionsTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts);

}  // namespace quillon::mcp
