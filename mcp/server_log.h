#pragma once
// quillon-mcp's log: Romanian lines on standard error, never on standard output, which
// carries nothing but answers.

#include <string_view>

namespace quillon::mcp {

// "[quillon-mcp] " + message + line feed, in one write; a closed stderr does not matter.
void logLine(std::string_view message);

}  // namespace quillon::mcp
