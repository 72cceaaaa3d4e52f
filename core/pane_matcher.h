#pragma once
// What a pane search looks for, compiled once and applied to whole captures. Plain text is
// found regardless of case; a regular expression (RE2's syntax, close to ECMAScript's
// without look-around and back-references) is case-insensitive too unless it says (?-i).
// A match never spans a line break, and ^ and $ hold at every line's ends. RE2 rather than
// std::regex: it is linear in the text and fast enough for 400,000 lines per keystroke.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace re2 {
class RE2;
}

namespace quillon {

struct SearchQuery {
    std::string text;
    bool regex = false;
};

// One line that holds a match: its first match, as byte offsets into the line (UTF-8).
struct LineMatch {
    std::int64_t line = 0;  // 1-based within the captured text
    std::string text;
    std::string previous;   // the line before; empty for the first line
    std::size_t offset = 0;
    std::size_t length = 0;

    bool operator==(const LineMatch&) const = default;
};

class PaneMatcher {
public:
    // Never throws: an empty query or an expression RE2 refuses gives a matcher whose
    // error() says why (in the current language) and which matches nothing.
    static PaneMatcher compile(const SearchQuery& query);

    const std::optional<std::string>& error() const noexcept { return error_; }
    bool ok() const noexcept { return !error_; }

    // The lines of text (lines end with "\n"; a last line without one counts) holding a
    // match, in order, at most limit of them.
    std::vector<LineMatch> matchLines(std::string_view text, std::size_t limit) const;
    // Every match inside one line as (offset, length) in bytes, for highlighting.
    std::vector<std::pair<std::size_t, std::size_t>> matchesInLine(std::string_view line) const;

private:
    std::shared_ptr<const re2::RE2> expression_;
    std::optional<std::string> error_;
};

}  // namespace quillon
