#include "mcp/mcp_server.h"

#include <algorithm>

#include "core/l10n.h"
#include "core/platform_texts.h"
#include "core/stored_hosts.h"
#include "mcp/census_tools.h"
#include "mcp/find_project_tool.h"
#include "mcp/pane_states_tool.h"
#include "mcp/search_tool.h"
#include "mcp/tool_catalogue.h"
#include "mcp/wait_tool.h"
#include "mcp/window_tools.h"

namespace quillon::mcp {

nlohmann::json MCPServer::info(ProtocolRevision revision) const {
    nlohmann::json info = {{"name", name}, {"version", version}};
    if (!hasTitles(revision)) return info;
    info["title"] = L("Quillon — serverele tmux", "Quillon — tmux servers");
    info["description"] = L("Privire doar în citire asupra fiecărui server tmux al utilizatorului: pe mașina asta și pe "
                            "gazdele ssh salvate în Quillon.",
                            "Read-only insight into every tmux server of the user: on this machine and on the ssh "
                            "hosts stored in Quillon.");
    return info;
}

const std::string& MCPServer::instructions() {
    static const std::string text =
        "Quillon MCP: fereastra către serverele tmux ale acestei mașini — serverele în care trăiesc agenții flotei. "
        "Citește direct de la binarul `tmux`, deci răspunde și cu aplicația Quillon închisă. Începe cu "
        "`tmux_census`: îți spune ce socket-uri există pe disc, care dintre ele au un server VIU în spate și ce "
        "sesiuni rulează, cu vechime, stare de atașare și proiectul corelat din cwd. Ăsta e singurul control al lui "
        "„cine e viu” care nu depinde de niciun registru — un fișier-socket rămâne pe disc după ce serverul moare, "
        "deci un registru poate raporta sesiuni care nu mai există; când registrul și `tmux_census` nu sunt de "
        "acord, tmux are dreptate. Toate verbele sunt de CITIRE: serverul nu poate omorî, crea sau trimite taste "
        "nicăieri. Ce nu se poate măsura se raportează „necunoscut”, niciodată 0.";
    return text;
}

nlohmann::json MCPServer::tools(ProtocolRevision revision) const { return toolCatalogue(revision); }

bool MCPServer::knowsTool(const std::string& toolName) const {
    const auto names = toolNames();
    return std::find(names.begin(), names.end(), toolName) != names.end();
}

std::shared_ptr<PaneSamplerShelf> MCPServer::makeSamplerShelf() { return std::make_shared<PaneSamplerShelf>(); }

ToolResult MCPServer::callTool(const std::string& toolName, const Arguments& arguments, const CallContext& context) const {
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
    if (toolName == "tmux_pane_states") return paneStatesTool(*client, arguments, hosts, *samplers);
    if (toolName == "tmux_wait") return waitTool(*client, arguments, hosts, *samplers, context);
    return {L("Verb necunoscut: " + toolName, "Unknown tool: " + toolName), true};
}

}  // namespace quillon::mcp
