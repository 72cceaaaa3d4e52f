#pragma once
// The seven read-only tools as "tools/list" announces them. Constant for a protocol
// revision, Romanian only. Newer revisions add members; older clients see only what theirs defines.

#include <nlohmann/json.hpp>

#include "mcp/protocol_revision.h"

namespace quillon::mcp {

// An array of {name, description, inputSchema}, in the order agents see them; from
// 2025-03-26 each with annotations (read-only, closed world), from 2025-06-18 with the
// outputSchema its structuredContent matches.
nlohmann::json toolCatalogue(ProtocolRevision revision);

}  // namespace quillon::mcp
