#pragma once
// What every tool handler answers: the whole text for the agent, whether it failed, and
// the same answer as data (structured_answers.h) for clients whose revision carries it.

#include <nlohmann/json.hpp>

#include <string>
#include <utility>

namespace quillon::mcp {

struct ToolResult {
    std::string text;
    bool isError = false;
    nlohmann::json structured;  // an object on success; null on failures, which need none

    ToolResult() = default;
    ToolResult(std::string text, bool isError, nlohmann::json structured = nullptr)
        : text(std::move(text)), isError(isError), structured(std::move(structured)) {}
};

}  // namespace quillon::mcp
