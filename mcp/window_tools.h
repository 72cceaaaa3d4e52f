#pragma once
// tmux_windows and tmux_capture_pane: inside one server, read without attaching.

#include "core/tmux_client.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

// Both on this machine, or on a stored host named by `host`.
ToolResult windowsTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts);
ToolResult capturePaneTool(const TmuxClient& client, const Arguments& arguments,
                           const std::vector<std::string>& hosts);

// `lines` as asked, else 200, kept within 1…5000.
std::int64_t captureLineCount(const Arguments& arguments);

}  // namespace quillon::mcp
