#include "mcp/server_log.h"

#include <unistd.h>

#include <string>

#include "mcp/output_channel.h"

namespace quillon::mcp {

void logLine(std::string_view message) {
    std::string line = "[quillon-mcp] ";
    line += message;
    line += '\n';
    writeAll(STDERR_FILENO, line);
}

}  // namespace quillon::mcp
