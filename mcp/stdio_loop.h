#pragma once
// JSON-RPC over stdio: one request per line in, one answer per line out, strictly in
// turn. Logs go to standard error; nothing but answers ever reaches standard output.
// The one thing a conversation remembers is the protocol revision "initialize" agreed on.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string_view>

#include "mcp/mcp_server.h"
#include "mcp/protocol_revision.h"

namespace quillon::mcp {

// Longer request lines are ignored (and logged) instead of being held in memory.
inline constexpr std::size_t maxRequestLineBytes = std::size_t{64} << 20;

// "[quillon-mcp] " + message + line feed on standard error.
void logLine(std::string_view message);

// What one client and the server agreed on; a later "initialize" agrees anew.
struct Conversation {
    ProtocolRevision revision = preNegotiationRevision;
};

// The answer to one request line, or nothing: blank lines, notifications, requests
// without an id, and lines that are not requests (those are logged).
std::optional<nlohmann::json> answerLine(const MCPServer& server, Conversation& conversation, std::string_view line);

// Reads requests from input until it ends or output is closed; returns the exit status.
int runStdioLoop(const MCPServer& server, int input, int output);

}  // namespace quillon::mcp
