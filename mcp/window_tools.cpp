#include "mcp/window_tools.h"

#include <algorithm>

#include "core/census_report.h"
#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "mcp/structured_answers.h"

namespace quillon::mcp {
namespace {

std::string missingSession(const std::vector<TmuxSession>& sessions, const std::string& wanted,
                           const std::string& server) {
    if (sessions.empty())
        return L("Niciun server viu pe " + server + " — deci nici sesiunea '" + wanted + "'. Vezi tmux_census.",
                 "No live server on " + server + " — hence no session '" + wanted + "'. See tmux_census.");
    std::vector<std::string> names;
    for (const TmuxSession& session : sessions) names.push_back(session.name);
    const std::string present = text::join(names, ", ");
    return L("Sesiunea '" + wanted + "' nu există pe " + server + ". Există: " + present + ".",
             "Session '" + wanted + "' does not exist on " + server + ". Present: " + present + ".");
}

}  // namespace

ToolResult windowsTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts) {
    const auto wanted = nonEmptyStringArgument(arguments, "session");
    if (!wanted) return {L("Lipsește 'session'.", "Missing 'session'."), true};
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) return {*host.error, true};
    const auto [bound, server] = targetServerOn(client, arguments, host.destination);

    std::vector<TmuxSession> sessions;
    try {
        sessions = bound.snapshot();
    } catch (const std::exception& error) {
        return {L("Nu s-a putut citi " + server + ": " + describe(error),
                  "Could not read " + server + ": " + describe(error)),
                true};
    }
    const auto found = std::find_if(sessions.begin(), sessions.end(),
                                    [&](const TmuxSession& session) { return session.name == *wanted; });
    if (found == sessions.end()) return {missingSession(sessions, *wanted, server), true};
    return {CensusReport::sessionWindows(*found, server), false, structured::windows(*found, bound)};
}

std::int64_t captureLineCount(const Arguments& arguments) {
    return std::clamp<std::int64_t>(integerArgument(arguments, "lines").value_or(200), 1, 5000);
}

ToolResult capturePaneTool(const TmuxClient& client, const Arguments& arguments,
                           const std::vector<std::string>& hosts) {
    const auto target = nonEmptyStringArgument(arguments, "target");
    if (!target) return {L("Lipsește 'target'.", "Missing 'target'."), true};
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) return {*host.error, true};
    const std::int64_t lines = captureLineCount(arguments);
    const auto [bound, server] = targetServerOn(client, arguments, host.destination);

    std::string captured;
    try {
        // The session part is a name, whatever it looks like ("$0", "=x"): read by its id.
        captured = bound.capturePane(bound.resolveTarget(*target), lines);
    } catch (const std::exception& error) {
        return {L("capture-pane a eșuat pentru " + *target + ": " + describe(error),
                  "capture-pane failed for " + *target + ": " + describe(error)),
                true};
    }
    auto data = structured::capture(*target, bound, lines, captured);
    if (text::trim(captured).empty())
        return {L("Buffer gol pentru " + *target + " pe " + server +
                      ". Fie pane-ul chiar e gol, fie target-ul/serverul nu există — verifică cu tmux_census.",
                  "Empty buffer for " + *target + " on " + server +
                      ". Either the pane really is empty, or the target/server does not exist — check with "
                      "tmux_census."),
                false, std::move(data)};
    const std::string count = std::to_string(lines);
    return {L("Ultimele " + count + " linii din " + *target + " (" + server + "):\n\n",
              "Last " + count + " lines of " + *target + " (" + server + "):\n\n") +
                captured,
            false, std::move(data)};
}

}  // namespace quillon::mcp
