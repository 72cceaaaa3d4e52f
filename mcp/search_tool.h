#pragma once
// tmux_search_panes: the lines of every pane of one server (or one session) that match a
// text or a regular expression. Read-only: it runs only the list queries and capture-pane.
// The search and its wording are apart, so an answer can also be given as data.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/pane_search.h"
#include "core/search_report.h"
#include "core/tmux_client.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

// What one call found, on which server, or why it could not search (failure is then set).
struct SearchPanesOutcome {
    CensusReport::SearchRequest request;
    SearchResult result;
    std::optional<TmuxClient> server;
    std::optional<std::string> failure;
};

// `lines` as asked, else 2000, kept within 1…50000; `maxResults` else 50, within 1…500.
std::int64_t searchLineCount(const Arguments& arguments);
std::size_t searchResultLimit(const Arguments& arguments);

// On this machine, or on a stored host named by `host`.
SearchPanesOutcome searchPanes(const TmuxClient& client, const Arguments& arguments,
                               const std::vector<std::string>& hosts);
ToolResult searchPanesText(const SearchPanesOutcome& outcome);
ToolResult searchPanesTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts);

}  // namespace quillon::mcp
