#pragma once
// Dates as local timestamps and spans as short ages, the way the reports print them.

#include <optional>
#include <string>

#include "core/tmux_model.h"

namespace quillon::AgeFormat {

// "2024-05-01 14:03:09" in the local time zone; "unknown" / "necunoscut" when absent.
std::string absolute(const std::optional<TimePoint>& date);
// "42s", "7m", "3h 12m", "2d 5h" ("2z 5h" in Romanian), "in the future", or unknown.
std::string relative(const std::optional<TimePoint>& date, TimePoint now);
// The relative age as a phrase: "7m ago" / "acum 7m"; a date ahead of now reads "in the future"
// alone, never "in the future ago".
std::string ago(const std::optional<TimePoint>& date, TimePoint now);

}  // namespace quillon::AgeFormat
