#pragma once
// tmux's window_layout string as pane rectangles in cell coordinates. Never fails:
// what cannot be read yields fewer rectangles.

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon {

struct LayoutRect {
    std::int64_t pane = 0;  // tmux's pane id number (after %), not the pane index
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t w = 0;
    std::int64_t h = 0;
    bool operator==(const LayoutRect&) const = default;
};

namespace LayoutParser {
// One rectangle per leaf, depth first, left to right.
std::vector<LayoutRect> parse(std::string_view layout);
// (largest x + w, largest y + h); (0, 0) for none.
std::pair<std::int64_t, std::int64_t> bounds(const std::vector<LayoutRect>& rects);
}  // namespace LayoutParser

}  // namespace quillon
