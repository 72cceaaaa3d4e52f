#pragma once
// The MCP server as agents see it: its identity (name, version, and from 2025-11-25 a title
// and a description in the server's language), the instructions for the model, the tool
// catalogue and the dispatch of one tool call. Read-only towards tmux.

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "core/version.h"
#include "mcp/call_context.h"
#include "mcp/protocol_revision.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

class PaneSamplerShelf;

struct MCPServer {
    std::string name = "quillon";
    std::string version{quillon::version()};
    // The pane samplers of the servers asked about, kept for the life of the process.
    std::shared_ptr<PaneSamplerShelf> samplers = makeSamplerShelf();

    // serverInfo in the shape of the revision: {name, version}, plus title and description.
    nlohmann::json info(ProtocolRevision revision) const;
    // Fixed, Romanian: how to use the tools.
    static const std::string& instructions();
    // The catalogue in the shape of the revision the client speaks.
    nlohmann::json tools(ProtocolRevision revision) const;
    bool knowsTool(const std::string& toolName) const;
    // Finds tmux afresh, then runs the named tool on the default-server client.
    ToolResult callTool(const std::string& toolName, const Arguments& arguments, const CallContext& context = {}) const;

private:
    static std::shared_ptr<PaneSamplerShelf> makeSamplerShelf();
};

}  // namespace quillon::mcp
