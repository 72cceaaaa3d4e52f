// The pane search: a query (plain text or an RE2 expression, as typed) compiled and run over
// captured pane text. A query that compiles finds only real lines (numbered from 1, in order,
// with the line before them), at most the limit, with matches inside their line; a plain query
// is found on every line that holds it as typed; one that does not compile says why.

#include <cstdint>
#include <string>
#include <vector>

#include "core/pane_matcher.h"
#include "core/text.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    FuzzedDataProvider input(data, size);
    SearchQuery query;
    query.regex = input.ConsumeBool();
    query.text = input.ConsumeRandomLengthString(64);
    const auto limit = input.ConsumeIntegralInRange<std::size_t>(1, 50);
    const std::string captured = input.ConsumeRemainingBytesAsString();

    const PaneMatcher matcher = PaneMatcher::compile(query);
    FUZZ_CHECK(matcher.ok() != matcher.error().has_value());
    if (!matcher.ok()) {
        FUZZ_CHECK(!matcher.error()->empty());
        FUZZ_CHECK(matcher.matchLines(captured, limit).empty());
        return 0;
    }
    // Lines end with "\n"; a last line without one counts.
    std::vector<std::string_view> lines = text::split(captured, "\n", false);
    if (!captured.empty() && captured.back() == '\n') lines.pop_back();

    const auto found = matcher.matchLines(captured, limit);
    FUZZ_CHECK(found.size() <= limit);
    std::int64_t previousLine = 0;
    for (const LineMatch& match : found) {
        FUZZ_CHECK(match.line > previousLine && match.line <= static_cast<std::int64_t>(lines.size()));
        previousLine = match.line;
        FUZZ_CHECK(match.text == lines[match.line - 1]);
        FUZZ_CHECK(match.previous == (match.line > 1 ? lines[match.line - 2] : std::string_view()));
        FUZZ_CHECK(match.length > 0 && match.offset + match.length <= match.text.size());
        const auto inLine = matcher.matchesInLine(match.text);
        FUZZ_CHECK(!inLine.empty() && inLine.front() == std::make_pair(match.offset, match.length));
    }
    if (!query.regex && found.size() < limit && text::isValidUtf8(query.text) && text::isValidUtf8(captured)) {
        std::size_t holding = 0;
        for (auto line : lines) holding += text::contains(line, query.text);
        FUZZ_CHECK(found.size() >= holding);
    }
    return 0;
}
