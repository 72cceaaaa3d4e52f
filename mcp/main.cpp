// quillon-mcp: read-only insight into every tmux server of the user, over MCP on stdio.

#include <unistd.h>

#include <algorithm>

#include "core/l10n.h"
#include "core/process_runner.h"
#include "core/server_scanner.h"
#include "core/tmux_client.h"
#include "mcp/command_line.h"
#include "mcp/mcp_server.h"
#include "mcp/stdio_loop.h"

int main(int argc, char** argv) {
    using namespace quillon;
    // A client that goes away closes our stdout; that must end us through a failed write.
    ignoreSigpipe();
    L10n::adoptAppLanguage(L10n::processEnvironment());
    const auto line = mcp::parseCommandLine({argv + std::min(argc, 1), argv + argc});
    if (line.action != mcp::CommandAction::serve) return mcp::answerCommandLine(line);

    const mcp::MCPServer server;
    const std::string socketDirectory = TmuxServerScanner::defaultSocketDirectory();
    const auto tmux = TmuxClient::detect();
    mcp::logLine("pornit; tmux = " + (tmux ? tmux->binaryPath : std::string("NEGĂSIT")) + "; socket-uri în " +
                 socketDirectory);
    return mcp::runStdioLoop(server, STDIN_FILENO, STDOUT_FILENO);
}
