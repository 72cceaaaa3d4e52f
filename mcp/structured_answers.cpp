#include "mcp/structured_answers.h"

#include <ctime>
#include <set>

#include "core/server_identity.h"
#include "core/text.h"

namespace quillon::mcp::structured {
namespace {

using nlohmann::json;

// Schema pieces. Objects are closed (additionalProperties false): the schema lists every
// member an answer may carry, and a member added without its schema fails the tests.

json schemaOf(const char* type, const char* description = nullptr) {
    json schema = {{"type", type}};
    if (description) schema["description"] = description;
    return schema;
}

json arrayOf(json items) { return {{"type", "array"}, {"items", std::move(items)}}; }

json objectOf(json properties, std::vector<std::string> required, const char* description = nullptr) {
    json schema = {{"type", "object"}, {"properties", std::move(properties)}, {"additionalProperties", false}};
    if (!required.empty()) schema["required"] = std::move(required);
    if (description) schema["description"] = description;
    return schema;
}

json dateTimeSchema() { return {{"type", "string"}, {"format", "date-time"}}; }

// serverArguments

json serverArgumentsSchema() {
    return objectOf({{"socket", schemaOf("string")}, {"socket_path", schemaOf("string")}, {"host", schemaOf("string")}}, {},
                    "Argumentele care ajung la acest server din celelalte unelte (gol: serverul implicit).");
}

// project

json projectSchema() {
    return objectOf({{"name", schemaOf("string")}, {"root", schemaOf("string", "Directorul care conține .git.")}},
                    {"name", "root"}, "Lipsește când directorul nu e în niciun repo.");
}

std::optional<json> project(const ProjectRef& project) {
    if (!project.root || !project.name) return std::nullopt;
    return json{{"name", *project.name}, {"root", *project.root}};
}

// pane, window, session

json paneSchema() {
    return objectOf({{"id", schemaOf("string", "Id-ul tmux al pane-ului, ex. %12.")},
                     {"index", schemaOf("integer")},
                     {"target", schemaOf("string", "Target lizibil, ex. dev:1.0.")},
                     {"active", schemaOf("boolean")},
                     {"command", schemaOf("string")},
                     {"pid", schemaOf("integer")},
                     {"width", schemaOf("integer")},
                     {"height", schemaOf("integer")},
                     {"path", schemaOf("string")}},
                    {"id", "index", "target", "active", "command", "pid", "width", "height", "path"});
}

json pane(const TmuxPane& pane) {
    return {{"id", pane.paneID},       {"index", pane.index},     {"target", pane.target},
            {"active", pane.isActive}, {"command", pane.command}, {"pid", pane.pid},
            {"width", pane.width},     {"height", pane.height},   {"path", pane.path}};
}

json windowSchema() {
    return objectOf({{"id", schemaOf("string", "Id-ul tmux al ferestrei, ex. @7.")},
                     {"index", schemaOf("integer")},
                     {"name", schemaOf("string")},
                     {"target", schemaOf("string", "Target lizibil, ex. dev:1.")},
                     {"active", schemaOf("boolean")},
                     {"zoomed", schemaOf("boolean")},
                     {"paneCount", schemaOf("integer")},
                     {"layout", schemaOf("string")},
                     {"panes", arrayOf(paneSchema())}},
                    {"id", "index", "name", "target", "active", "zoomed", "paneCount", "layout", "panes"});
}

json window(const TmuxWindow& window) {
    json panes = json::array();
    for (const TmuxPane& each : window.panes) panes.push_back(pane(each));
    return {{"id", window.windowID},         {"index", window.index},     {"name", window.name},
            {"target", window.target},       {"active", window.isActive}, {"zoomed", window.isZoomed},
            {"paneCount", window.paneCount}, {"layout", window.layout},   {"panes", std::move(panes)}};
}

json sessionSchema() {
    return objectOf({{"id", schemaOf("string", "Id-ul tmux al sesiunii, ex. $3.")},
                     {"name", schemaOf("string")},
                     {"attached", schemaOf("boolean")},
                     {"windowCount", schemaOf("integer")},
                     {"created", dateTimeSchema()},
                     {"lastAttached", dateTimeSchema()},
                     {"path", schemaOf("string")},
                     {"project", projectSchema()},
                     {"windows", arrayOf(windowSchema())}},
                    {"id", "name", "attached", "windowCount", "created", "path"});
}

json session(const TmuxSession& session, const ProjectRef& primary, bool withWindows) {
    json out = {{"id", session.sessionID},
                {"name", session.name},
                {"attached", session.isAttached},
                {"windowCount", session.windowCount},
                {"created", utcTimestamp(session.created)},
                {"path", session.path}};
    if (session.lastAttached) out["lastAttached"] = utcTimestamp(*session.lastAttached);
    if (auto known = project(primary)) out["project"] = std::move(*known);
    if (withWindows) {
        out["windows"] = json::array();
        for (const TmuxWindow& each : session.windows) out["windows"].push_back(window(each));
    }
    return out;
}

json session(const TmuxSession& each) { return session(each, ProjectCorrelator::project(each), false); }

// server

json serverSchema() {
    return objectOf({{"socketPath", schemaOf("string")},
                     {"socketName", schemaOf("string")},
                     {"liveness", {{"type", "string"}, {"enum", {"alive", "stale", "unknown", "notSocket"}}}},
                     {"diagnostic", schemaOf("string")},
                     {"socketModified", dateTimeSchema()},
                     {"serverArguments", serverArgumentsSchema()},
                     {"sessions", arrayOf(sessionSchema())}},
                    {"socketPath", "liveness", "serverArguments"},
                    "sessions lipsește când starea serverului e necunoscută sau nu s-a cerut.");
}

json server(const TmuxServer& server, bool withSessions) {
    TmuxClient bound({}, server.socketArgs());
    bound.host = server.host;
    json out = {{"socketPath", server.socketPath},
                {"liveness", toRaw(server.liveness)},
                {"serverArguments", serverArguments(bound)}};
    if (server.socketName) out["socketName"] = *server.socketName;
    if (server.diagnostic && !server.diagnostic->empty()) out["diagnostic"] = *server.diagnostic;
    if (server.socketModified) out["socketModified"] = utcTimestamp(*server.socketModified);
    // A server that could not be read has an unknown number of sessions, not none.
    if (withSessions && server.liveness != ServerLiveness::unknown) {
        out["sessions"] = json::array();
        for (const TmuxSession& each : server.sessions) out["sessions"].push_back(session(each));
    }
    return out;
}

json serverArray(const std::vector<TmuxServer>& servers, bool withSessions) {
    json out = json::array();
    for (const TmuxServer& each : servers) out.push_back(server(each, withSessions));
    return out;
}

json hostSchema() {
    return objectOf({{"destination", schemaOf("string", "Destinația ssh, așa cum e salvată.")},
                     {"directory", schemaOf("string", "Directorul tmux de pe acea mașină; lipsește când nu s-a putut citi.")},
                     {"servers", arrayOf(serverSchema())},
                     {"error", schemaOf("string", "Cuvintele lui ssh când mașina nu s-a putut citi.")}},
                    {"destination", "servers"});
}

json hostArray(const std::vector<HostCensus>& hosts, bool withSessions) {
    json out = json::array();
    for (const HostCensus& host : hosts) {
        json each = {{"destination", host.destination}, {"servers", serverArray(host.servers, withSessions)}};
        if (!host.socketDirectory.empty()) each["directory"] = host.socketDirectory;
        if (host.error) each["error"] = *host.error;
        out.push_back(std::move(each));
    }
    return out;
}

// The other projects a session touches, by name, as the text report lists them.
std::vector<std::string> alsoTouches(const TmuxSession& session, const ProjectRef& primary) {
    std::set<std::string> names;
    for (const ProjectRef& touched : ProjectCorrelator::allProjects(session))
        if (touched.name && touched.name != primary.name) names.insert(*touched.name);
    return {names.begin(), names.end()};
}

// A pane a search read or could not read: where it lives, by id and for people.

json searchPaneSchemaProperties() {
    return {{"sessionID", schemaOf("string")},    {"sessionName", schemaOf("string")}, {"windowID", schemaOf("string")},
            {"windowIndex", schemaOf("integer")}, {"windowName", schemaOf("string")},  {"paneID", schemaOf("string")},
            {"paneIndex", schemaOf("integer")},   {"target", schemaOf("string")}};
}

const std::vector<std::string> searchPaneRequired = {"sessionID",  "sessionName", "windowID",  "windowIndex",
                                                     "windowName", "paneID",      "paneIndex", "target"};

json searchPane(const SearchPane& pane) {
    return {{"sessionID", pane.sessionID},     {"sessionName", pane.sessionName}, {"windowID", pane.windowID},
            {"windowIndex", pane.windowIndex}, {"windowName", pane.windowName},   {"paneID", pane.paneID},
            {"paneIndex", pane.paneIndex},     {"target", pane.target()}};
}

// A search pane's members plus the given ones, all required.
json searchPaneWith(json extra) {
    json properties = searchPaneSchemaProperties();
    std::vector<std::string> required = searchPaneRequired;
    for (auto& [name, schema] : extra.items()) {
        properties[name] = schema;
        required.push_back(name);
    }
    return objectOf(std::move(properties), std::move(required));
}

// Tools

json censusSchema() {
    return objectOf({{"directory", schemaOf("string")},
                     {"tmuxVersion", schemaOf("string", "Lipsește când versiunea nu s-a putut citi.")},
                     {"servers", arrayOf(serverSchema())},
                     {"hosts", arrayOf(hostSchema())}},
                    {"directory", "servers", "hosts"});
}

json serverListSchema() {
    return objectOf({{"directory", schemaOf("string")},
                     {"servers", arrayOf(serverSchema())},
                     {"hosts", arrayOf(hostSchema())}},
                    {"directory", "servers", "hosts"});
}

json sessionsSchema() { return objectOf({{"server", serverSchema()}}, {"server"}); }

json windowsSchema() {
    return objectOf({{"serverArguments", serverArgumentsSchema()}, {"session", sessionSchema()}},
                    {"serverArguments", "session"});
}

json captureSchema() {
    return objectOf({{"target", schemaOf("string")},
                     {"serverArguments", serverArgumentsSchema()},
                     {"lines", schemaOf("integer", "Câte linii s-au cerut (după limitare).")},
                     {"text", schemaOf("string", "Textul pane-ului exact cum l-a dat tmux.")},
                     {"empty", schemaOf("boolean", "Doar spații: pane gol sau target/server inexistent.")}},
                    {"target", "serverArguments", "lines", "text", "empty"});
}

json projectMatchesSchema() {
    const json match = objectOf(
        {{"server", serverSchema()}, {"session", sessionSchema()}, {"alsoTouches", arrayOf(schemaOf("string"))}},
        {"server", "session", "alsoTouches"});
    return objectOf({{"query", schemaOf("string")}, {"directory", schemaOf("string")}, {"matches", arrayOf(match)}},
                    {"query", "directory", "matches"});
}

json paneSearchSchema() {
    return objectOf(
        {{"query", schemaOf("string")},
         {"regex", schemaOf("boolean")},
         {"session", schemaOf("string", "Sesiunea la care s-a limitat căutarea, dacă s-a cerut una.")},
         {"serverArguments", serverArgumentsSchema()},
         {"lines", schemaOf("integer", "Linii de scrollback citite din fiecare pane (după limitare).")},
         {"maxResults", schemaOf("integer")},
         {"panesSearched", schemaOf("integer", "Pane-uri citite și căutate.")},
         {"matches", arrayOf(searchPaneWith({{"line", schemaOf("integer", "Numărul liniei în textul citit, de la 1.")},
                                             {"text", schemaOf("string")}}))},
         {"notRead", arrayOf(searchPaneWith({{"reason", schemaOf("string")}}))},
         {"truncated", schemaOf("boolean", "Existau mai multe potriviri decât maxResults.")}},
        {"query", "regex", "serverArguments", "lines", "maxResults", "panesSearched", "matches", "notRead",
         "truncated"});
}

// Pane states

json paneStateNames() {
    json names = json::array();
    for (PaneState state : allPaneStates()) names.push_back(toRaw(state));
    return names;
}

json paneReportSchema() {
    return objectOf({{"paneID", schemaOf("string", "Id-ul tmux al pane-ului, ex. %12.")},
                     {"target", schemaOf("string", "Target lizibil, ex. dev:1.0.")},
                     {"sessionID", schemaOf("string")},
                     {"sessionName", schemaOf("string")},
                     {"windowID", schemaOf("string")},
                     {"windowIndex", schemaOf("integer")},
                     {"paneIndex", schemaOf("integer")},
                     {"state", {{"type", "string"}, {"enum", paneStateNames()}}},
                     {"since", {{"type", "string"}, {"format", "date-time"},
                                {"description", "De când ține starea; lipsește când nu se știe."}}},
                     {"program", schemaOf("string", "Programul din față sau, la finished, cel care s-a terminat.")},
                     {"durationMs", schemaOf("integer", "La finished: cât a rulat programul.")},
                     {"exitStatus", schemaOf("integer")},
                     {"exitSignal", schemaOf("integer")},
                     {"bellAt", dateTimeSchema()},
                     {"lastLine", schemaOf("string", "Ultima linie cu text de pe ecranul pane-ului; lipsește când "
                                                     "nu s-a putut citi.")}},
                    {"paneID", "target", "sessionID", "sessionName", "windowID", "windowIndex", "paneIndex", "state"});
}

json paneStatesSchema() {
    return objectOf({{"serverArguments", serverArgumentsSchema()},
                     {"session", schemaOf("string", "Sesiunea la care s-a limitat lista, dacă s-a cerut una.")},
                     {"states", arrayOf({{"type", "string"}, {"enum", paneStateNames()}})},
                     {"procReadable", schemaOf("boolean", "false: /proc nu se poate citi pe acea mașină, deci "
                                                          "starea e unknown (pane-urile ieșite exceptând).")},
                     {"panes", arrayOf(paneReportSchema())}},
                    {"serverArguments", "procReadable", "panes"});
}

json waitSchema() {
    return objectOf(
        {{"outcome", {{"type", "string"},
                      {"enum", {"state", "match", "timeout", "gone"}},
                      {"description", "state: pane-ul a ajuns într-una din stările cerute; match: output nou s-a "
                                      "potrivit; timeout: a trecut limita; gone: pane-ul nu mai există."}}},
         {"serverArguments", serverArgumentsSchema()},
         {"waitedMs", schemaOf("integer")},
         {"limitSeconds", schemaOf("number")},
         {"pane", paneReportSchema()},
         {"match", schemaOf("string", "La match: linia nouă care s-a potrivit.")},
         {"tail", schemaOf("string", "Ultimele linii ale pane-ului la final.")}},
        {"outcome", "serverArguments", "waitedMs", "limitSeconds", "pane"});
}

}  // namespace

json outputSchema(std::string_view toolName) {
    if (toolName == "tmux_pane_states") return paneStatesSchema();
    if (toolName == "tmux_wait") return waitSchema();
    if (toolName == "tmux_census") return censusSchema();
    if (toolName == "tmux_servers") return serverListSchema();
    if (toolName == "tmux_sessions") return sessionsSchema();
    if (toolName == "tmux_windows") return windowsSchema();
    if (toolName == "tmux_capture_pane") return captureSchema();
    if (toolName == "tmux_find_project") return projectMatchesSchema();
    if (toolName == "tmux_search_panes") return paneSearchSchema();
    return nullptr;
}

std::string utcTimestamp(TimePoint instant) {
    const std::time_t seconds = Clock::to_time_t(instant);
    std::tm parts{};
    if (!::gmtime_r(&seconds, &parts)) return "1970-01-01T00:00:00Z";
    char buffer[32];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts);
    // Years past 9999 do not fit the format; such a date is no real tmux answer.
    return length == 20 ? std::string(buffer, length) : "1970-01-01T00:00:00Z";
}

json serverArguments(const TmuxClient& bound) {
    json out = json::object();
    // No socket arguments reach the server $TMUX names, when set: "-L default" might not.
    if (!bound.socketArgs.empty()) {
        const ServerIdentity identity = ServerIdentity::of(bound);
        if (identity.hasPath()) out["socket_path"] = identity.socketPath;
        else out["socket"] = identity.socketName;
    }
    if (bound.host) out["host"] = *bound.host;
    return out;
}

json census(const std::vector<TmuxServer>& servers, const std::string& directory,
            const std::optional<std::string>& tmuxVersion, const std::vector<HostCensus>& hosts) {
    json out = {{"directory", directory}, {"servers", serverArray(servers, true)}, {"hosts", hostArray(hosts, true)}};
    if (tmuxVersion) out["tmuxVersion"] = *tmuxVersion;
    return out;
}

json serverList(const std::vector<TmuxServer>& servers, const std::string& directory,
                const std::vector<HostCensus>& hosts) {
    return {{"directory", directory}, {"servers", serverArray(servers, false)}, {"hosts", hostArray(hosts, false)}};
}

json sessions(const TmuxServer& probed) { return {{"server", server(probed, true)}}; }

json windows(const TmuxSession& found, const TmuxClient& bound) {
    return {{"serverArguments", serverArguments(bound)},
            {"session", session(found, ProjectCorrelator::project(found), true)}};
}

json capture(const std::string& target, const TmuxClient& bound, std::int64_t lines, const std::string& captured) {
    return {{"target", target},
            {"serverArguments", serverArguments(bound)},
            {"lines", lines},
            {"text", captured},
            {"empty", text::trim(captured).empty()}};
}

json projectMatches(const std::vector<ProjectMatch>& matches, const std::string& query, const std::string& directory) {
    json out = {{"query", query}, {"directory", directory}, {"matches", json::array()}};
    for (const ProjectMatch& match : matches)
        out["matches"].push_back({{"server", server(match.server, false)},
                                  {"session", session(match.session, match.project, false)},
                                  {"alsoTouches", alsoTouches(match.session, match.project)}});
    return out;
}

json paneSearch(const CensusReport::SearchRequest& request, const SearchResult& result, const TmuxClient& bound) {
    json out = {{"query", request.query.text},
                {"regex", request.query.regex},
                {"serverArguments", serverArguments(bound)},
                {"lines", request.lines},
                {"maxResults", request.maxResults},
                {"panesSearched", result.panesSearched},
                {"matches", json::array()},
                {"notRead", json::array()},
                {"truncated", result.truncated}};
    if (request.session) out["session"] = *request.session;
    for (const PaneHits& hits : result.hits)
        for (const LineMatch& match : hits.matches) {
            json each = searchPane(hits.pane);
            each["line"] = match.line;
            each["text"] = match.text;
            out["matches"].push_back(std::move(each));
        }
    for (const PaneNotRead& missed : result.notRead) {
        json each = searchPane(missed.pane);
        each["reason"] = missed.reason;
        out["notRead"].push_back(std::move(each));
    }
    return out;
}

json paneReport(const PaneReport& report) {
    const PaneSignals& pane = report.pane;
    const PaneStatus& status = report.status;
    json out = {{"paneID", pane.paneId},         {"target", pane.target()},         {"sessionID", pane.sessionId},
                {"sessionName", pane.sessionName}, {"windowID", pane.windowId},     {"windowIndex", pane.windowIndex},
                {"paneIndex", pane.paneIndex},   {"state", toRaw(status.state)}};
    if (status.since != TimePoint{}) out["since"] = utcTimestamp(status.since);
    if (!status.program.empty()) out["program"] = status.program;
    if (status.duration) out["durationMs"] = status.duration->count();
    if (status.exitStatus) out["exitStatus"] = *status.exitStatus;
    if (status.exitSignal) out["exitSignal"] = *status.exitSignal;
    if (status.bellAt) out["bellAt"] = utcTimestamp(*status.bellAt);
    if (report.lastLine) out["lastLine"] = *report.lastLine;
    return out;
}

json paneStates(const std::vector<PaneReport>& reports, const TmuxClient& bound, const std::optional<std::string>& session,
                const std::vector<PaneState>& states, bool procReadable) {
    json out = {{"serverArguments", serverArguments(bound)}, {"procReadable", procReadable}, {"panes", json::array()}};
    if (session) out["session"] = *session;
    if (!states.empty()) {
        out["states"] = json::array();
        for (PaneState state : states) out["states"].push_back(toRaw(state));
    }
    for (const PaneReport& report : reports) out["panes"].push_back(paneReport(report));
    return out;
}

}  // namespace quillon::mcp::structured
