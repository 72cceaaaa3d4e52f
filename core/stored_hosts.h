#pragma once
// The remote hosts the user keeps: the key "hosts" of the app's defaults document, an array
// of objects {"destination": "buildbox"}. The app writes it (Settings, Hosts); quillon-mcp
// only reads it, like the language.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/l10n.h"

namespace quillon::StoredHosts {

inline constexpr std::string_view key = "hosts";

// The usable destinations of a stored value, in order, duplicates once; anything else
// (a malformed entry, a destination ssh would misread) is left out.
std::vector<std::string> decode(const std::optional<nlohmann::json>& value);
nlohmann::json encode(const std::vector<std::string>& destinations);
// The hosts of the app's defaults document located from the environment.
std::vector<std::string> read(const Environment& environment);

}  // namespace quillon::StoredHosts
