#include "core/search_report.h"

#include <algorithm>

#include "core/l10n.h"

namespace quillon::CensusReport {
namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::size_t backToBoundary(const std::string& text, std::size_t at) {
    while (at > 0 && at < text.size() && isContinuation(static_cast<unsigned char>(text[at]))) --at;
    return at;
}

// A query on one line: its line breaks would forge report lines.
std::string oneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string heading(const SearchRequest& request) {
    const std::string query = "\"" + oneLine(request.query.text) + "\"";
    const std::string panes = std::to_string(request.panes);
    const std::string lines = std::to_string(request.lines);
    const std::string where =
        request.session ? L(" ale sesiunii '" + *request.session + "'", " of session '" + *request.session + "'") : "";
    return L("Căutare după " + query + (request.query.regex ? " (regex)" : " (text)") + " în " + panes +
                 " pane-uri" + where + " pe " + request.server + ", ultimele " + lines + " linii din fiecare",
             "Search for " + query + (request.query.regex ? " (regex)" : " (text)") + " in " + panes + " pane(s)" +
                 where + " on " + request.server + ", last " + lines + " line(s) of each");
}

}  // namespace

std::string lineExcerpt(const LineMatch& match, std::size_t maxBytes) {
    const std::string& text = match.text;
    if (text.size() <= maxBytes) return text;
    // Keep a little before the match, then as much after as fits.
    std::size_t from = match.offset > maxBytes / 4 ? backToBoundary(text, match.offset - maxBytes / 4) : 0;
    std::size_t to = std::min(text.size(), from + maxBytes);
    to = backToBoundary(text, to);
    return (from > 0 ? "…" : "") + text.substr(from, to - from) + (to < text.size() ? "…" : "");
}

std::string searchMatches(const SearchRequest& request, const SearchResult& result) {
    const std::string matches = std::to_string(result.matchCount);
    const std::string panesHit = std::to_string(result.hits.size());
    std::string out = heading(request) +
                      L(": " + matches + " potriviri în " + panesHit + " pane-uri.\n",
                        ": " + matches + " match(es) in " + panesHit + " pane(s).\n");
    if (result.hits.empty()) out += L("\nNicio potrivire.\n", "\nNo match.\n");
    else out += "\n";
    for (const PaneHits& hits : result.hits)
        for (const LineMatch& match : hits.matches)
            out += hits.pane.target() + " (" + hits.pane.paneID + ") " + L("linia ", "line ") +
                   std::to_string(match.line) + ": " + lineExcerpt(match, 400) + "\n";
    if (!result.notRead.empty()) {
        const std::string count = std::to_string(result.notRead.size());
        out += L("\nNecitite: " + count + " pane-uri\n", "\nNot read: " + count + " pane(s)\n");
        for (const PaneNotRead& missed : result.notRead)
            out += "  " + missed.pane.target() + " (" + missed.pane.paneID + ") — " + oneLine(missed.reason) + "\n";
    }
    if (result.truncated) {
        const std::string limit = std::to_string(request.maxResults);
        out += L("\nLista e tăiată la " + limit + " rezultate (maxResults); restrânge căutarea sau mărește maxResults.\n",
                 "\nCut at " + limit + " results (maxResults); narrow the query or raise maxResults.\n");
    }
    return out;
}

}  // namespace quillon::CensusReport
