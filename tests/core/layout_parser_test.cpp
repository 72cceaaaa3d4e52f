#include "core/layout_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

using LayoutParser::bounds;
using LayoutParser::parse;
using Size = std::pair<std::int64_t, std::int64_t>;

TEST(LayoutParser, LeavesAndContainers) {
    EXPECT_EQ(parse("b25d,80x24,0,0,0"), (std::vector<LayoutRect>{{0, 0, 0, 80, 24}}));
    EXPECT_EQ(bounds(parse("b25d,80x24,0,0,0")), Size(80, 24));

    auto side = parse("c3a1,160x50,0,0{80x50,0,0,1,79x50,81,0,2}");
    EXPECT_EQ(side, (std::vector<LayoutRect>{{1, 0, 0, 80, 50}, {2, 81, 0, 79, 50}}));
    EXPECT_EQ(bounds(side), Size(160, 50));

    auto stacked = parse("a0b1,80x50,0,0[80x25,0,0,3,80x24,0,26,4]");
    ASSERT_EQ(stacked.size(), 2u);
    EXPECT_EQ(stacked[0].y, 0);
    EXPECT_EQ(stacked[1].y, 26);

    auto nested = parse("ffff,160x50,0,0{80x50,0,0,1,79x50,81,0[79x25,81,0,5,79x24,81,26,6]}");
    ASSERT_EQ(nested.size(), 3u);
    EXPECT_EQ(nested[0].pane, 1);
    EXPECT_EQ(nested[1].pane, 5);
    EXPECT_EQ(nested[2].pane, 6);
}

TEST(LayoutParser, CutOrMalformedInputYieldsWhatWasComplete) {
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse("no comma here").empty());
    EXPECT_TRUE(parse("b25d,80").empty());
    EXPECT_EQ(bounds({}), Size(0, 0));
    // An unterminated container keeps its finished children.
    EXPECT_EQ(parse("c3a1,160x50,0,0{80x50,0,0,1,79x50,81").size(), 1u);
    // Children that consume nothing must not loop forever.
    EXPECT_EQ(parse("c3a1,160x50,0,0{80x50,0,0,1,#}").size(), 1u);
    EXPECT_TRUE(parse("x,1x1,0,0{{{{").empty());
    EXPECT_TRUE(parse("x,99999999999999999999x1,0,0,1").empty());
    // A pane whose edge lies past int64 is left out; it never wraps around.
    const std::string big = "9223372036854775807";
    EXPECT_EQ(parse("x,160x50,0,0{80x50,0,0,1," + big + "x50," + big + ",0,2}"),
              (std::vector<LayoutRect>{{1, 0, 0, 80, 50}}));
    EXPECT_EQ(bounds(parse("x,1x" + big + ",0," + big + ",3")), Size(0, 0));
    // Deep nesting from a hostile string must not exhaust the stack.
    std::string deep = "x,1x1,0,0";
    for (int i = 0; i < 100000; ++i) deep += "{1x1,0,0";
    EXPECT_TRUE(parse(deep).empty());
}

}  // namespace
}  // namespace quillon
