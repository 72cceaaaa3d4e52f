#pragma once
// JSON-RPC over stdio: one message per line in, one answer per line out. The reader answers
// what needs no tmux at once and hands tool calls to workers (mcp/concurrent_calls.h), so a
// slow call never holds up the next request; answers leave whole, one per line, in the order
// they are ready. Logs go to standard error; nothing but answers reaches standard output.

#include <cstddef>

#include "mcp/mcp_server.h"
#include "mcp/request_handler.h"
#include "mcp/server_log.h"

namespace quillon::mcp {

// Longer request lines are refused (and logged) instead of being held in memory.
inline constexpr std::size_t maxRequestLineBytes = std::size_t{64} << 20;

// Reads requests from input until it ends or output is closed; every call started is
// answered before it returns (when input ends) or dropped (when output is closed). The exit
// status.
int runStdioLoop(const MCPServer& server, int input, int output);

}  // namespace quillon::mcp
