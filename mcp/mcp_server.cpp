#include "mcp/mcp_server.h"

#include "core/l10n.h"
#include "core/platform_texts.h"
#include "core/stored_hosts.h"
#include "mcp/census_tools.h"
#include "mcp/find_project_tool.h"
#include "mcp/search_tool.h"
#include "mcp/tool_catalogue.h"
#include "mcp/window_tools.h"

namespace quillon::mcp {

nlohmann::json MCPServer::tools(ProtocolRevision revision) const { return toolCatalogue(revision); }

ToolResult MCPServer::callTool(const std::string& toolName, const Arguments& arguments) const {
    const auto client = TmuxClient::detect();
    if (!client)
        return {L("Nu am găsit binarul tmux (căutat în /opt/homebrew/bin, /usr/local/bin, /usr/bin și în PATH). ",
                  "Could not find the tmux binary (looked in /opt/homebrew/bin, /usr/local/bin, /usr/bin and PATH). ") +
                    platformText(PlatformText::installItWith),
                true};

    // Read for every call, so hosts added in the app count at once.
    const auto hosts = StoredHosts::read(L10n::processEnvironment());
    if (toolName == "tmux_census") return censusTool(*client, arguments, false, hosts);
    if (toolName == "tmux_servers") return censusTool(*client, arguments, true, hosts);
    if (toolName == "tmux_sessions") return sessionsTool(*client, arguments, hosts);
    if (toolName == "tmux_windows") return windowsTool(*client, arguments, hosts);
    if (toolName == "tmux_capture_pane") return capturePaneTool(*client, arguments, hosts);
    if (toolName == "tmux_find_project") return findProjectTool(*client, arguments, hosts);
    if (toolName == "tmux_search_panes") return searchPanesTool(*client, arguments, hosts);
    return {L("Verb necunoscut: " + toolName, "Unknown tool: " + toolName), true};
}

}  // namespace quillon::mcp
