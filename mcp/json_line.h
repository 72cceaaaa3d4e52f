#pragma once
// One JSON message per line, read and written without ever throwing: hostile input
// (invalid UTF-8, absurd nesting, overflowing numbers) reads as "not JSON", and text we
// did not produce ourselves (tmux output, file names) cannot break an answer.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::mcp {

// Deeper documents are refused before parsing, so nothing recursive ever sees them.
inline constexpr std::size_t maxJsonDepth = 256;

// Nothing when the text is not one complete, valid JSON value within the depth limit.
std::optional<nlohmann::json> parseJsonLine(std::string_view text);
// Compact, slashes as they are, UTF-8 raw; invalid UTF-8 becomes U+FFFD.
std::optional<std::string> serializeJsonLine(const nlohmann::json& value);

}  // namespace quillon::mcp
