#pragma once
// The plain-text answer of a pane search, worded like the census reports: what was looked
// for and where, one line per match ("session:window.pane (%id) line N: text"), the panes
// that could not be read with the reason, and whether the list was cut.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/pane_search.h"

namespace quillon::CensusReport {

// What the search was asked: the query, the server's description, the optional session,
// the lines of scrollback per pane and the limit on results.
struct SearchRequest {
    SearchQuery query;
    std::string server;
    std::optional<std::string> session;
    std::int64_t lines = 2000;
    std::size_t maxResults = 50;
    std::size_t panes = 0;  // panes the search was given
};

std::string searchMatches(const SearchRequest& request, const SearchResult& result);
// A line cut to about maxBytes around the match, on UTF-8 boundaries, "…" where cut.
std::string lineExcerpt(const LineMatch& match, std::size_t maxBytes);

}  // namespace quillon::CensusReport
