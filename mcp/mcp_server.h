#pragma once
// The MCP server as agents see it: its name and version, the tool catalogue and the
// dispatch of one tool call. Read-only towards tmux.

#include <nlohmann/json.hpp>

#include <string>

#include "core/version.h"
#include "mcp/protocol_revision.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

struct MCPServer {
    std::string name = "quillon";
    std::string version{quillon::version()};

    // The catalogue in the shape of the revision the client agreed on.
    nlohmann::json tools(ProtocolRevision revision) const;
    // Finds tmux afresh, then runs the named tool on the default-server client.
    ToolResult callTool(const std::string& toolName, const Arguments& arguments) const;
};

}  // namespace quillon::mcp
