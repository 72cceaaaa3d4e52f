#pragma once
// What every tool handler answers: the whole text for the agent and whether it failed.

#include <string>

namespace quillon::mcp {

struct ToolResult {
    std::string text;
    bool isError = false;
};

}  // namespace quillon::mcp
