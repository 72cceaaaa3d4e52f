#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/text.h"
#include "core/tmux_target.h"

namespace quillon {
namespace {

std::string produced(std::string s) { return s; }

// A view into a string that dies at the end of the full expression is a use after free; the
// helpers that return views give owning results for such strings (or refuse them).
template <class Arg>
concept CanTakeSessionPart = requires(Arg&& a) { sessionPart(std::forward<Arg>(a)); };

static_assert(std::is_same_v<decltype(text::trim(produced(""))), std::string>);
static_assert(std::is_same_v<decltype(text::trimBlanks(produced(""))), std::string>);
static_assert(std::is_same_v<decltype(text::split(produced(""), ":", true)), std::vector<std::string>>);
static_assert(!CanTakeSessionPart<std::string>);
// Named strings, views and literals keep the cheap views.
static_assert(std::is_same_v<decltype(text::trim(std::declval<std::string&>())), std::string_view>);
static_assert(std::is_same_v<decltype(text::trim(std::declval<const std::string&>())), std::string_view>);
static_assert(std::is_same_v<decltype(text::trim(" a ")), std::string_view>);
static_assert(std::is_same_v<decltype(text::split(std::string_view(), ":", true)), std::vector<std::string_view>>);
static_assert(CanTakeSessionPart<std::string&>);
static_assert(CanTakeSessionPart<const char (&)[6]>);

TEST(Text, PiecesOfAFunctionsResultOutliveIt) {
    // Longer than any small-string buffer, so the pieces would point into freed heap memory.
    const std::string long1(40, 'a'), long2(50, 'b');
    std::vector<std::string> pieces;
    for (auto piece : text::split(produced(long1 + ":" + long2 + "::"), ":", true)) pieces.emplace_back(piece);
    EXPECT_EQ(pieces, (std::vector<std::string>{long1, long2}));

    const auto kept = text::split(produced(" " + long1 + " "), " ", false);
    EXPECT_EQ(kept, (std::vector<std::string>{"", long1, ""}));
    EXPECT_EQ(text::trim(produced("\n\t " + long2 + " \r\n")), long2);
    EXPECT_EQ(text::trimBlanks(produced("\t " + long2 + "\n")), long2 + "\n");
}

TEST(Text, ViewsOfNamedStringsPointIntoThem) {
    const std::string named = "  dev:1.0  ";
    const std::string_view trimmed = text::trim(named);
    EXPECT_EQ(trimmed, "dev:1.0");
    EXPECT_EQ(trimmed.data(), named.data() + 2);
    EXPECT_EQ(sessionPart(trimmed), "dev");
}

}  // namespace
}  // namespace quillon
