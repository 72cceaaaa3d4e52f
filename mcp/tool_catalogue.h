#pragma once
// The seven read-only tools as "tools/list" announces them. Constant, Romanian only.

#include <nlohmann/json.hpp>

namespace quillon::mcp {

// An array of {name, description, inputSchema}, in the order agents see them.
nlohmann::json toolCatalogue();

}  // namespace quillon::mcp
