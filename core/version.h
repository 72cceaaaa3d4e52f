#pragma once
// The release both programs report (--version, the About tab, MCP's serverInfo, the
// package). Its one source is the version in the top CMakeLists.txt's project().

#include <string_view>

namespace quillon {

std::string_view version() noexcept;

}  // namespace quillon
