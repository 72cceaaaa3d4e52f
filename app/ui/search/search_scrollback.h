#pragma once
// How many lines of scrollback the pane search reads per pane, beside the screen: 2,000
// unless chosen otherwise in Settings, kept within 0…50,000. Stored under its own key in the
// application's defaults document, as the rules and templates keep theirs.

#include <cstdint>
#include <string_view>

namespace quillon::ui::SearchScrollback {

inline constexpr std::string_view key = "searchScrollbackLines";
inline constexpr std::int64_t defaultLines = 2000;
inline constexpr std::int64_t maximumLines = 50000;

// The stored value, else the default; a number out of range is brought within it.
std::int64_t load();
// Writes the value (clamped) in the pool, off the GUI thread; a failed write keeps the old one.
void store(std::int64_t lines);

}  // namespace quillon::ui::SearchScrollback
