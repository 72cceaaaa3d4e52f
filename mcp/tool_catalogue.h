#pragma once
// The read-only tools as "tools/list" announces them, always in the same order.
// Descriptions are Romanian, titles and the warning about pane text in the server's
// language. Newer revisions add members; older clients see only what theirs defines.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "mcp/protocol_revision.h"

namespace quillon::mcp {

// An array of {name, description, inputSchema}, in the order agents see them; from
// 2025-03-26 each with annotations (read-only, open world), from 2025-06-18 with the
// outputSchema its structuredContent matches, from 2025-11-25 with a title.
nlohmann::json toolCatalogue(ProtocolRevision revision);
// The tools' names, in that order.
std::vector<std::string> toolNames();

}  // namespace quillon::mcp
