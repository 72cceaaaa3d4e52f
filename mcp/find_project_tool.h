#pragma once
// tmux_find_project: on which socket and in which live session a project is worked on.

#include "core/tmux_client.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

// Every server of this machine, or with `host` every server of that stored host.
ToolResult findProjectTool(const TmuxClient& client, const Arguments& arguments,
                           const std::vector<std::string>& hosts);

}  // namespace quillon::mcp
