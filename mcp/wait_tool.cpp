#include "mcp/wait_tool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>
#include <variant>

#include "core/foreground_probe.h"
#include "core/l10n.h"
#include "core/pane_matcher.h"
#include "core/pane_new_lines.h"
#include "core/pane_rows.h"
#include "core/pane_sampler.h"
#include "core/tmux_error.h"
#include "core/tmux_target.h"
#include "core/text.h"
#include "mcp/pane_states_tool.h"
#include "mcp/structured_answers.h"

namespace quillon::mcp {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct WaitRequest {
    std::string pane;
    std::vector<PaneState> states;
    std::optional<SearchQuery> pattern;
    double limitSeconds = static_cast<double>(waitLimitDefault.count());
    std::int64_t tailLines = 20;
};

std::string secondsText(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1fs", seconds);
    return buffer;
}

// The request, or the text that says what is wrong with the arguments.
std::variant<WaitRequest, std::string> requestOf(const Arguments& arguments) {
    WaitRequest request;
    const auto pane = nonEmptyStringArgument(arguments, "pane");
    if (!pane) return L("Lipsește 'pane'.", "Missing 'pane'.");
    request.pane = *pane;
    auto states = paneStatesArgument(arguments, "states");
    if (auto* error = std::get_if<std::string>(&states)) return std::move(*error);
    request.states = std::move(std::get<std::vector<PaneState>>(states));
    if (const auto pattern = nonEmptyStringArgument(arguments, "pattern")) {
        const auto regex = arguments.find("regex");
        request.pattern = SearchQuery{*pattern, regex != arguments.end() && regex->is_boolean() && regex->get<bool>()};
    }
    if (request.states.empty() && !request.pattern)
        return L("Dă 'states', 'pattern' sau amândouă: altfel n-ai ce aștepta.",
                 "Give 'states', 'pattern' or both: otherwise there is nothing to wait for.");
    if (const auto limit = arguments.find("timeout"); limit != arguments.end()) {
        const double seconds = limit->is_number() ? limit->get<double>() : -1;
        if (!std::isfinite(seconds) || seconds < 0 || seconds > static_cast<double>(waitLimitMax.count()))
            return L("'timeout' e în secunde, între 0 și 120.", "'timeout' is in seconds, from 0 to 120.");
        request.limitSeconds = seconds;
    }
    request.tailLines = std::clamp<std::int64_t>(integerArgument(arguments, "lines").value_or(20), 1, 200);
    return request;
}

// The pane's id: as given when it is one, else the pane the readable target names now.
std::variant<std::string, std::string> paneIdOf(const TmuxClient& bound, const std::string& pane) {
    try {
        const std::string target = pane.front() == '%' && isTmuxId(pane) ? pane : bound.resolveTarget(pane);
        const auto answer = bound.invoke({"display-message", "-p", "-t", exactTarget(target), "#{pane_id}"});
        if (answer.timedOut) return std::variant<std::string, std::string>(std::in_place_index<1>, bound.timeoutMessage());
        const std::string id(text::trim(answer.standardOutput));
        if (answer.exitCode == 0 && isTmuxId(id)) return std::variant<std::string, std::string>(std::in_place_index<0>, id);
        const std::string why = answer.standardError.empty() ? L("pane inexistent", "no such pane") : answer.standardError;
        return std::variant<std::string, std::string>(std::in_place_index<1>, why);
    } catch (const std::exception& error) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, describe(error));
    }
}

std::string tailOf(const TmuxClient& bound, const std::string& paneId, std::int64_t lines) {
    try {
        std::string captured = bound.capturePane(paneId, lines);
        while (!captured.empty() && (captured.back() == '\n' || captured.back() == ' ')) captured.pop_back();
        auto all = text::split(captured, "\n", false);
        if (static_cast<std::int64_t>(all.size()) > lines) all.erase(all.begin(), all.end() - lines);
        std::vector<std::string> kept(all.begin(), all.end());
        return text::join(kept, "\n");
    } catch (const std::exception&) {
        return {};
    }
}

struct Watch {
    const TmuxClient& bound;
    const WaitRequest& request;
    const CallContext& context;
    std::string paneId;
    PaneStateSampler sampler;
    std::optional<PaneNewLines> lines{};
    std::optional<PaneMatcher> matcher{};

    std::optional<PaneSignals> pane() const {
        for (const PaneSignals& each : sampler.tracker().panes())
            if (each.paneId == paneId) return each;
        return std::nullopt;
    }
    TimePoint startedAt = Clock::now();

    // A state held when the wait began counts, except a finish from before it: the program
    // just typed may not have started yet, and the one that finished is not it.
    bool wanted(const PaneStatus& status) const {
        if (status.state == PaneState::finished && status.since < startedAt) return false;
        return std::find(request.states.begin(), request.states.end(), status.state) != request.states.end();
    }
    // The first new line that matches, if any.
    std::optional<std::string> newMatch(const PaneStatus& status, const PaneSignals& signals) {
        if (!lines) return std::nullopt;
        auto rows = readPaneRows(bound, paneId, lines->captureStart());
        if (!rows) return std::nullopt;
        rows->typing = shellTyping(status, signals);
        auto fresh = lines->take(*rows);
        if (!fresh) {
            // The rows moved past what the reading covered: once more, from the history's top.
            auto whole = readPaneRows(bound, paneId, std::nullopt);
            if (!whole) return std::nullopt;
            whole->typing = rows->typing;
            fresh = lines->take(*whole);
        }
        for (const std::string& line : fresh.value_or(std::vector<std::string>{}))
            if (!matcher->matchLines(line, 1).empty()) return line;
        return std::nullopt;
    }
};

}  // namespace

ToolResult waitTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts,
                    PaneSamplerShelf& shelf, const CallContext& context) {
    auto parsed = requestOf(arguments);
    if (auto* error = std::get_if<std::string>(&parsed)) return {*error, true};
    const WaitRequest& request = std::get<WaitRequest>(parsed);
    std::optional<PaneMatcher> matcher;
    if (request.pattern) {
        matcher = PaneMatcher::compile(*request.pattern);
        if (!matcher->ok()) return {*matcher->error(), true};
    }
    const HostChoice host = hostArgument(arguments, hosts);
    if (host.error) return {*host.error, true};
    const auto [bound, server] = targetServerOn(client, arguments, host.destination);

    const auto id = paneIdOf(bound, request.pane);
    if (id.index() == 1)
        return {L("Pane-ul '" + request.pane + "' nu s-a găsit pe " + server + ": " + std::get<1>(id),
                  "Pane '" + request.pane + "' was not found on " + server + ": " + std::get<1>(id)),
                true};

    const auto started = Steady::now();
    const auto limit = std::chrono::duration_cast<milliseconds>(std::chrono::duration<double>(request.limitSeconds));
    Watch watch{bound, request, context, std::get<0>(id), shelf.copyOf(bound)};
    watch.matcher = matcher;
    if (const auto first = watch.sampler.readAll(); first.error)
        return {L("Nu s-a putut citi " + server + ": " + *first.error, "Could not read " + server + ": " + *first.error),
                true};
    auto signals = watch.pane();
    auto status = watch.sampler.tracker().status(watch.paneId);
    if (!signals || !status)
        return {L("Pane-ul " + watch.paneId + " nu mai e pe " + server + ".",
                  "Pane " + watch.paneId + " is no longer on " + server + "."),
                true};
    if (matcher) {
        // What is on the screen now, and the rows just above it, are the start.
        auto rows = readPaneRows(bound, watch.paneId, -3);
        if (!rows)
            return {L("Textul pane-ului " + watch.paneId + " nu s-a putut citi.",
                      "The text of pane " + watch.paneId + " could not be read."),
                    true};
        rows->typing = shellTyping(*status, *signals);
        watch.lines.emplace(*rows);
    }

    // Fast enough that a state is seen within a tick of the tracker's own reading; on
    // another machine each reading is a round trip.
    const milliseconds tick = bound.host ? milliseconds(500) : milliseconds(250);
    std::string outcome = "timeout";
    std::optional<std::string> matched;
    auto nextProgress = started + waitProgressEvery;
    while (true) {
        if (watch.wanted(*status)) {
            outcome = "state";
            break;
        }
        if (matcher)
            if ((matched = watch.newMatch(*status, *signals))) {
                outcome = "match";
                break;
            }
        const auto now = Steady::now();
        if (now - started >= limit) break;
        if (context.wantsProgress() && now >= nextProgress) {
            const double waited = std::chrono::duration<double>(now - started).count();
            context.progress(std::floor(waited), request.limitSeconds,
                             L("Aștept " + watch.paneId + ": " + secondsText(waited) + " din " + secondsText(request.limitSeconds),
                               "Waiting for " + watch.paneId + ": " + secondsText(waited) + " of " +
                                   secondsText(request.limitSeconds)));
            nextProgress += waitProgressEvery;
        }
        const auto wake = std::min(now + tick, started + limit);
        while (Steady::now() < wake && !context.isCancelled())
            std::this_thread::sleep_for(std::min<Steady::duration>(milliseconds(50), wake - Steady::now()));
        if (context.isCancelled()) return {L("Anulat.", "Cancelled."), true};
        const auto step = watch.sampler.step();
        if (step.error) continue;  // a slow reading is tried again until the limit
        if (auto now = watch.sampler.tracker().status(watch.paneId)) {
            status = now;
            signals = watch.pane();
        } else if (step.read) {
            outcome = "gone";
            break;
        }
    }

    shelf.keep(watch.sampler);
    const auto waited = std::chrono::duration_cast<milliseconds>(Steady::now() - started);
    const std::string tail = outcome == "gone" ? std::string() : tailOf(bound, watch.paneId, request.tailLines);
    PaneReport report{*signals, *status, std::nullopt};
    if (!tail.empty()) report.lastLine = std::string(text::trim(text::split(tail, "\n", false).back()));
    const std::string who = watch.paneId + " (" + signals->target() + ")";
    const std::string after = secondsText(static_cast<double>(waited.count()) / 1000.0);
    std::string text;
    if (outcome == "state")
        text = L(who + ": " + label(status->state) + " după " + after + " de așteptare.",
                 who + ": " + label(status->state) + " after " + after + " of waiting.");
    else if (outcome == "match")
        text = L(who + ": output nou s-a potrivit după " + after + ": " + *matched,
                 who + ": new output matched after " + after + ": " + *matched);
    else if (outcome == "gone")
        text = L(who + ": pane-ul s-a închis după " + after + ".", who + ": the pane closed after " + after + ".");
    else
        text = L(who + ": nimic din ce s-a cerut în " + secondsText(request.limitSeconds) + "; acum: " +
                     label(status->state) + ".",
                 who + ": nothing asked for happened within " + secondsText(request.limitSeconds) + "; now: " +
                     label(status->state) + ".");
    text += "\n\n" + paneReportText(report);
    if (!tail.empty()) text += L("\n\nUltimele linii:\n", "\n\nLast lines:\n") + tail;

    nlohmann::json data = {{"outcome", outcome},
                           {"serverArguments", structured::serverArguments(bound)},
                           {"waitedMs", waited.count()},
                           {"limitSeconds", request.limitSeconds},
                           {"pane", structured::paneReport(report)}};
    if (matched) data["match"] = *matched;
    if (outcome != "gone") data["tail"] = tail;
    return {text, false, std::move(data)};
}

}  // namespace quillon::mcp
