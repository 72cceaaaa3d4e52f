#pragma once
// Small text helpers shared by the parsers and the reports.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/view_lifetime.h"

namespace quillon::text {

// trim and split return views into their argument. Given a string that is about to die (a
// function's result) they return owning strings instead, so
// `for (auto line : split(run(…), "\n", true))` never reads freed memory.

// Whitespace and line breaks at both ends.
std::string_view trim(std::string_view s QUILLON_LIFETIMEBOUND);
template <Expiring S>
std::string trim(S&& s) {
    return std::string(trim(std::string_view(s)));
}
// Only spaces and tabs at both ends.
std::string_view trimBlanks(std::string_view s QUILLON_LIFETIMEBOUND);
template <Expiring S>
std::string trimBlanks(S&& s) {
    return std::string(trimBlanks(std::string_view(s)));
}
// Split on a separator; empty pieces dropped when skipEmpty.
std::vector<std::string_view> split(std::string_view s QUILLON_LIFETIMEBOUND, std::string_view separator,
                                    bool skipEmpty);
template <Expiring S>
std::vector<std::string> split(S&& s, std::string_view separator, bool skipEmpty) {
    const auto views = split(std::string_view(s), separator, skipEmpty);
    return {views.begin(), views.end()};
}
std::string join(const std::vector<std::string>& pieces, std::string_view separator);
bool contains(std::string_view haystack, std::string_view needle);
bool startsWith(std::string_view s, std::string_view prefix);
std::string toLower(std::string_view s);  // ASCII and the Romanian letters
bool isValidUtf8(std::string_view s);
// Every ill-formed piece replaced with U+FFFD; the rest unchanged.
std::string toValidUtf8(std::string_view s);
// Whole field: optional sign and ASCII digits within int64; nothing otherwise.
std::optional<std::int64_t> parseInt(std::string_view s);
// Whole field as a C-locale decimal floating-point number.
std::optional<double> parseReal(std::string_view s);
// A word safe to paste into a POSIX shell: unchanged when it only has safe characters,
// else single-quoted with ' written as '\''.
std::string shellQuoteIfNeeded(std::string_view word);
// Always single-quoted.
std::string shellQuote(std::string_view word);

}  // namespace quillon::text
