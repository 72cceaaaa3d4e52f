#pragma once
// tmux_census, tmux_servers and tmux_sessions: what every server (or one) holds.
// A census names every server and host, so one it cannot read is a finding in its report,
// never a failure. tmux_sessions fails (isError) when it cannot read the one server it was
// asked for, or its `host` is not stored; a dead server is an answer.

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
