#include "core/pane_matcher.h"

#include <re2/re2.h>

#include <algorithm>

#include "core/l10n.h"

namespace quillon {

PaneMatcher PaneMatcher::compile(const SearchQuery& query) {
    PaneMatcher matcher;
    if (query.text.empty()) {
        matcher.error_ = L("Nu e nimic de căutat.", "There is nothing to look for.");
        return matcher;
    }
    RE2::Options options;
    options.set_case_sensitive(false);
    options.set_never_nl(true);  // a match stays on its line
    options.set_log_errors(false);
    options.set_max_mem(64 << 20);
    // (?m): ^ and $ at every line's ends, since the whole capture is searched at once.
    const std::string pattern = "(?m)" + (query.regex ? query.text : RE2::QuoteMeta(query.text));
    auto expression = std::make_shared<const RE2>(pattern, options);
    if (!expression->ok()) {
        // RE2 quotes the whole pattern for some errors; the user never wrote our prefix.
        std::string said = expression->error();
        if (const auto at = said.find(": (?m)"); at != std::string::npos) said.erase(at + 2, 4);
        matcher.error_ = L("Expresie invalidă: ", "Invalid expression: ") + said;
        return matcher;
    }
    // An expression that matches empty text would match every line and say nothing.
    if (RE2::PartialMatch("", *expression)) {
        matcher.error_ = L("Expresia se potrivește și cu text gol; cere cel puțin un caracter.",
                           "The expression also matches empty text; make it ask for at least one character.");
        return matcher;
    }
    matcher.expression_ = std::move(expression);
    return matcher;
}

std::vector<LineMatch> PaneMatcher::matchLines(std::string_view text, std::size_t limit) const {
    std::vector<LineMatch> found;
    if (!expression_ || limit == 0) return found;
    std::size_t position = 0;
    std::size_t counted = 0;       // newlines before here are in lineNumber
    std::int64_t lineNumber = 1;
    re2::StringPiece match;
    while (position < text.size() &&
           expression_->Match(re2::StringPiece(text.data(), text.size()), position, text.size(), RE2::UNANCHORED,
                              &match, 1)) {
        const std::size_t at = static_cast<std::size_t>(match.data() - text.data());
        const std::size_t lineStart = at == 0 ? 0 : [&] {
            const std::size_t newline = text.rfind('\n', at - 1);
            return newline == std::string_view::npos ? 0 : newline + 1;
        }();
        std::size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        lineNumber += std::count(text.begin() + counted, text.begin() + lineStart, '\n');
        counted = lineStart;

        LineMatch line;
        line.line = lineNumber;
        line.text = std::string(text.substr(lineStart, lineEnd - lineStart));
        if (lineStart > 0) {
            const std::size_t previousEnd = lineStart - 1;
            const std::size_t previousNewline = previousEnd == 0 ? std::string_view::npos : text.rfind('\n', previousEnd - 1);
            const std::size_t previousStart = previousNewline == std::string_view::npos ? 0 : previousNewline + 1;
            line.previous = std::string(text.substr(previousStart, previousEnd - previousStart));
        }
        line.offset = at - lineStart;
        line.length = match.size();
        found.push_back(std::move(line));
        if (found.size() >= limit) break;
        position = lineEnd + 1;
    }
    return found;
}

std::vector<std::pair<std::size_t, std::size_t>> PaneMatcher::matchesInLine(std::string_view line) const {
    std::vector<std::pair<std::size_t, std::size_t>> found;
    if (!expression_) return found;
    re2::StringPiece match;
    std::size_t position = 0;
    while (position < line.size() &&
           expression_->Match(re2::StringPiece(line.data(), line.size()), position, line.size(), RE2::UNANCHORED,
                              &match, 1)) {
        const std::size_t at = static_cast<std::size_t>(match.data() - line.data());
        found.emplace_back(at, match.size());
        position = at + std::max<std::size_t>(match.size(), 1);
    }
    return found;
}

}  // namespace quillon
