#include "mcp/search_tool.h"

#include <algorithm>

#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "mcp/structured_answers.h"

namespace quillon::mcp {
namespace {

bool regexArgument(const Arguments& arguments) {
    const auto found = arguments.is_object() ? arguments.find("regex") : arguments.end();
    return arguments.is_object() && found != arguments.end() && found->is_boolean() && found->get<bool>();
}

std::optional<std::string> missingSession(const std::vector<TmuxSession>& sessions,
                                          const std::optional<std::string>& wanted, const std::string& server) {
    if (sessions.empty())
        return L("Niciun server viu pe " + server + ". Vezi tmux_census.",
                 "No live server on " + server + ". See tmux_census.");
    if (!wanted || std::any_of(sessions.begin(), sessions.end(),
                               [&](const TmuxSession& session) { return session.name == *wanted; }))
        return std::nullopt;
    std::vector<std::string> names;
    for (const TmuxSession& session : sessions) names.push_back(session.name);
    const std::string present = text::join(names, ", ");
    return L("Sesiunea '" + *wanted + "' nu există pe " + server + ". Există: " + present + ".",
             "Session '" + *wanted + "' does not exist on " + server + ". Present: " + present + ".");
}

}  // namespace

std::int64_t searchLineCount(const Arguments& arguments) {
    return std::clamp<std::int64_t>(integerArgument(arguments, "lines").value_or(2000), 1, 50000);
}

std::size_t searchResultLimit(const Arguments& arguments) {
    return static_cast<std::size_t>(std::clamp<std::int64_t>(integerArgument(arguments, "maxResults").value_or(50), 1, 500));
}

SearchPanesOutcome searchPanes(const TmuxClient& client, const Arguments& arguments,
                               const std::vector<std::string>& hosts) {
    SearchPanesOutcome outcome;
    const auto query = nonEmptyStringArgument(arguments, "query");
    if (!query) {
        outcome.failure = L("Lipsește 'query'.", "Missing 'query'.");
        return outcome;
    }
    auto& request = outcome.request;
    request.query = {*query, regexArgument(arguments)};
    request.session = nonEmptyStringArgument(arguments, "session");
    request.lines = searchLineCount(arguments);
    request.maxResults = searchResultLimit(arguments);
    const PaneMatcher matcher = PaneMatcher::compile(request.query);
    if (!matcher.ok()) {
        outcome.failure = *matcher.error();
        return outcome;
    }
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) {
        outcome.failure = host.error;
        return outcome;
    }
    const auto [bound, server] = targetServerOn(client, arguments, host.destination);
    request.server = server;
    outcome.server = bound;

    std::vector<TmuxSession> sessions;
    try {
        sessions = bound.snapshot();
    } catch (const std::exception& error) {
        outcome.failure = L("Nu s-a putut citi " + server + ": " + describe(error),
                            "Could not read " + server + ": " + describe(error));
        return outcome;
    }
    if (auto missing = missingSession(sessions, request.session, server)) {
        outcome.failure = std::move(missing);
        return outcome;
    }
    const auto panes = quillon::searchPanes(sessions, request.session);
    request.panes = panes.size();
    SearchOptions options;
    options.lines = request.lines;
    options.maxResults = request.maxResults;
    outcome.result = PaneSearch::run(bound, panes, matcher, options);
    return outcome;
}

ToolResult searchPanesText(const SearchPanesOutcome& outcome) {
    if (outcome.failure) return {*outcome.failure, true};
    return {CensusReport::searchMatches(outcome.request, outcome.result), false};
}

ToolResult searchPanesTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts) {
    const SearchPanesOutcome outcome = searchPanes(client, arguments, hosts);
    ToolResult answer = searchPanesText(outcome);
    if (!answer.isError) answer.structured = structured::paneSearch(outcome.request, outcome.result, *outcome.server);
    return answer;
}

}  // namespace quillon::mcp
