#include "mcp/pane_states_tool.h"

#include <algorithm>
#include <cstdio>

#include "core/age_format.h"
#include "core/l10n.h"
#include "core/pane_search.h"
#include "core/text.h"
#include "mcp/structured_answers.h"

namespace quillon::mcp {
namespace {

// A shelf never grows past this many servers: the oldest asked about makes room.
constexpr std::size_t shelfSize = 16;

std::string seconds(std::chrono::milliseconds span) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1fs", static_cast<double>(span.count()) / 1000.0);
    return buffer;
}

std::string lastLineOf(const std::string& screen) {
    const auto lines = text::split(screen, "\n", true);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (!text::trim(*it).empty()) return std::string(text::trim(*it));
    return {};
}

struct Wanted {
    std::optional<std::string> session;
    std::vector<PaneState> states;  // empty: every state
    std::optional<std::string> error;
};

Wanted wantedOf(const Arguments& arguments) {
    Wanted wanted;
    wanted.session = nonEmptyStringArgument(arguments, "session");
    auto states = paneStatesArgument(arguments, "states");
    if (auto* error = std::get_if<std::string>(&states))
        wanted.error = std::move(*error);
    else
        wanted.states = std::move(std::get<std::vector<PaneState>>(states));
    return wanted;
}

std::optional<std::string> missingSession(const std::vector<PaneSignals>& panes, const std::string& wanted,
                                          const std::string& server) {
    if (std::any_of(panes.begin(), panes.end(), [&](const PaneSignals& pane) { return pane.sessionName == wanted; }))
        return std::nullopt;
    std::vector<std::string> names;
    for (const PaneSignals& pane : panes)
        if (std::find(names.begin(), names.end(), pane.sessionName) == names.end()) names.push_back(pane.sessionName);
    const std::string present = text::join(names, ", ");
    return L("Sesiunea '" + wanted + "' nu există pe " + server + ". Există: " + present + ".",
             "Session '" + wanted + "' does not exist on " + server + ". Present: " + present + ".");
}

std::string header(const std::string& server, std::size_t count, const Wanted& wanted) {
    std::string scope = L("de pe ", "on ") + server;
    if (wanted.session)
        scope = L("din sesiunea '" + *wanted.session + "' de pe ", "on session '" + *wanted.session + "' on ") + server;
    std::string states;
    if (!wanted.states.empty()) {
        std::vector<std::string> names;
        for (PaneState state : wanted.states) names.emplace_back(toRaw(state));
        states = " [" + text::join(names, ", ") + "]";
    }
    const std::string n = std::to_string(count);
    return L("Stările pane-urilor " + scope + states + " (" + n + " pane-uri):",
             "Pane states " + scope + states + " (" + n + " pane(s)):");
}

}  // namespace

std::shared_ptr<PaneSamplerShelf::Slot> PaneSamplerShelf::slotFor(const TmuxClient& client) {
    const ServerIdentity server = ServerIdentity::of(client);
    const std::lock_guard lock(mutex_);
    if (auto found = slots_.find(server); found != slots_.end()) return found->second;
    if (slots_.size() >= shelfSize) slots_.erase(slots_.begin());
    return slots_.emplace(server, std::make_shared<Slot>(client)).first->second;
}

std::map<std::string, std::string> lastLines(const TmuxClient& client, const std::vector<PaneSignals>& panes) {
    std::vector<SearchPane> asked;
    for (const PaneSignals& pane : panes)
        asked.push_back({pane.sessionName, pane.sessionId, pane.windowIndex, pane.windowId, {}, pane.paneIndex,
                         pane.paneId});
    // No scrollback: the screen alone, as the pane shows it now.
    const BatchCapture capture = PaneSearch::captureBatch(client, asked, 0);
    std::map<std::string, std::string> lines;
    for (std::size_t i = 0; i < asked.size(); ++i)
        if (capture.texts[i]) lines[asked[i].paneID] = lastLineOf(*capture.texts[i]);
    return lines;
}

std::string paneReportText(const PaneReport& report) {
    const PaneStatus& status = report.status;
    std::string line = report.pane.paneId + " " + report.pane.target() + " — " + label(status.state);
    if (status.since != TimePoint{}) line += L(" din ", " since ") + AgeFormat::absolute(status.since);
    if (!status.program.empty()) line += " · " + status.program;
    if (status.duration) line += L(" a rulat ", " ran ") + seconds(*status.duration);
    if (status.exitStatus) line += L(" · cod ", " · status ") + std::to_string(*status.exitStatus);
    if (status.exitSignal) line += L(" · semnalul ", " · signal ") + std::to_string(*status.exitSignal);
    if (status.bellAt) line += L(" · clopoțel la ", " · bell at ") + AgeFormat::absolute(*status.bellAt);
    if (report.lastLine && !report.lastLine->empty())
        line += L("\n    ultima linie: ", "\n    last line: ") + *report.lastLine;
    return line;
}

ToolResult paneStatesTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts,
                          PaneSamplerShelf& shelf) {
    const Wanted wanted = wantedOf(arguments);
    if (wanted.error) return {*wanted.error, true};
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) return {*host.error, true};
    const auto [bound, server] = targetServerOn(client, arguments, host.destination);

    struct Reading {
        std::optional<std::string> error;
        std::vector<PaneSignals> panes;
        std::vector<PaneStatus> statuses;
        bool procAvailable = true;
    };
    const Reading reading = shelf.with(bound, [](PaneStateSampler& sampler) {
        auto step = sampler.readAll();
        return Reading{step.error, sampler.tracker().panes(), sampler.tracker().statuses(), sampler.procAvailable()};
    });
    if (reading.error)
        return {L("Nu s-a putut citi " + server + ": " + *reading.error, "Could not read " + server + ": " + *reading.error),
                true};
    if (reading.panes.empty())
        return {L("Niciun server viu pe " + server + ". Vezi tmux_census.",
                  "No live server on " + server + ". See tmux_census."),
                true};
    if (wanted.session)
        if (auto missing = missingSession(reading.panes, *wanted.session, server)) return {*missing, true};

    std::vector<PaneReport> reports;
    for (std::size_t i = 0; i < reading.panes.size() && i < reading.statuses.size(); ++i) {
        const PaneSignals& pane = reading.panes[i];
        const PaneStatus& status = reading.statuses[i];
        if (wanted.session && pane.sessionName != *wanted.session) continue;
        if (!wanted.states.empty() &&
            std::find(wanted.states.begin(), wanted.states.end(), status.state) == wanted.states.end())
            continue;
        reports.push_back({pane, status, std::nullopt});
    }
    std::vector<PaneSignals> shown;
    for (const PaneReport& report : reports) shown.push_back(report.pane);
    if (!shown.empty()) {
        const auto lines = lastLines(bound, shown);
        for (PaneReport& report : reports)
            if (auto found = lines.find(report.pane.paneId); found != lines.end()) report.lastLine = found->second;
    }

    std::string text = header(server, reports.size(), wanted);
    if (!reading.procAvailable)
        text += L("\n(/proc nu se poate citi acolo: starea e necunoscută, în afară de pane-urile ieșite)",
                  "\n(/proc cannot be read there: the state is unknown, exited panes aside)");
    for (const PaneReport& report : reports) text += "\n" + paneReportText(report);
    return {text, false, structured::paneStates(reports, bound, wanted.session, wanted.states, reading.procAvailable)};
}

}  // namespace quillon::mcp
