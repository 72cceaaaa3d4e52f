#include "core/layout_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

using LayoutParser::bounds;
using LayoutParser::parse;
using Rects = std::vector<LayoutRect>;
using Size = std::pair<std::int64_t, std::int64_t>;

TEST(LayoutParser, LeavesInOrderWithTheirRectanglesAndTheWindowsBounds) {
    const std::tuple<std::string, Rects, Size> cases[] = {
        {"b25d,80x24,0,0,0", {{0, 0, 0, 80, 24}}, {80, 24}},
        {"c3a1,160x50,0,0{80x50,0,0,1,79x50,81,0,2}", {{1, 0, 0, 80, 50}, {2, 81, 0, 79, 50}}, {160, 50}},
        {"a0b1,80x50,0,0[80x25,0,0,3,80x24,0,26,4]", {{3, 0, 0, 80, 25}, {4, 0, 26, 80, 24}}, {80, 50}},
        {"ffff,160x50,0,0{80x50,0,0,1,79x50,81,0[79x25,81,0,5,79x24,81,26,6]}",
         {{1, 0, 0, 80, 50}, {5, 81, 0, 79, 25}, {6, 81, 26, 79, 24}}, {160, 50}},
        // Cut or malformed input yields what was complete; children that consume nothing end it.
        {"", {}, {0, 0}},
        {"no comma here", {}, {0, 0}},
        {"b25d,80", {}, {0, 0}},
        {"c3a1,160x50,0,0{80x50,0,0,1,79x50,81", {{1, 0, 0, 80, 50}}, {80, 50}},
        {"c3a1,160x50,0,0{80x50,0,0,1,#}", {{1, 0, 0, 80, 50}}, {80, 50}},
        {"x,1x1,0,0{{{{", {}, {0, 0}},
        {"x,99999999999999999999x1,0,0,1", {}, {0, 0}},
        // A pane whose edge lies past int64 is left out; it never wraps around.
        {"x,160x50,0,0{80x50,0,0,1,9223372036854775807x50,9223372036854775807,0,2}", {{1, 0, 0, 80, 50}}, {80, 50}},
        {"x,1x9223372036854775807,0,9223372036854775807,3", {}, {0, 0}},
    };
    for (const auto& [layout, rects, size] : cases) {
        EXPECT_EQ(parse(layout), rects) << layout;
        EXPECT_EQ(bounds(rects), size) << layout;
    }
    // Deep nesting from a hostile string must not exhaust the stack.
    std::string deep = "x,1x1,0,0";
    for (int i = 0; i < 100000; ++i) deep += "{1x1,0,0";
    EXPECT_TRUE(parse(deep).empty());
}

}  // namespace
}  // namespace quillon
