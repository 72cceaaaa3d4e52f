#pragma once
// What every tool handler answers: the whole text for the agent, whether it failed, and
// the same answer as data (structured_answers.h) for clients whose revision carries it.

#include <nlohmann/json.hpp>

#include <exception>
#include <string>
#include <utility>

#include "core/tmux_error.h"

namespace quillon::mcp {

struct ToolResult {
    std::string text;
    bool isError = false;
    nlohmann::json structured;  // an object on success; null on failures, which need none

    ToolResult() = default;
    ToolResult(std::string text, bool isError, nlohmann::json structured = nullptr)
        : text(std::move(text)), isError(isError), structured(std::move(structured)) {}
};

// A failure as the agent reads it: tmux's own words when tmux (or ssh) failed.
inline std::string describe(const std::exception& error) {
    if (const auto* tmuxError = dynamic_cast<const TmuxError*>(&error)) return tmuxError->localizedDescription();
    return error.what();
}

}  // namespace quillon::mcp
