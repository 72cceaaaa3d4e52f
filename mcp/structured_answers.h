#pragma once
// The tools' answers as data, for clients that speak a revision with structured content:
// servers, sessions, windows and panes as JSON objects with tmux's ids ($3, @7, %12) and
// their readable targets, beside the same text as always. Each builder has its JSON Schema
// next to it in the source, so the two cannot drift apart; outputSchema() gives a tool's.
// No report wording goes in: names, paths and lines are as tmux gave them, and only the
// diagnostics (why a server or pane could not be read) keep the words they came with.
//
// Absent members mean "not known": a server whose state is unknown has no sessions list, a
// session outside every repository has no project, one never attached no lastAttached.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/project_correlator.h"
#include "core/search_report.h"
#include "core/host_census.h"
#include "core/server_scanner.h"
#include "core/tmux_model.h"
#include "mcp/pane_report.h"

namespace quillon::mcp::structured {

// The output schema of a tool (a JSON Schema of type object); null for an unknown name.
nlohmann::json outputSchema(std::string_view toolName);

// "2026-12-07T15:12:58Z".
std::string utcTimestamp(TimePoint instant);
// The arguments that reach the server this client addresses from another tool: its socket as
// the server's identity spells it ({"socket": name} or {"socket_path": path}; nothing for the
// default server) and, on another machine, {"host": destination}.
nlohmann::json serverArguments(const TmuxClient& bound);

// tmux_census and tmux_servers (the latter without sessions): this machine's servers, then
// each stored host's, or the reason it could not be read.
nlohmann::json census(const std::vector<TmuxServer>& servers, const std::string& directory,
                      const std::optional<std::string>& tmuxVersion, const std::vector<HostCensus>& hosts);
nlohmann::json serverList(const std::vector<TmuxServer>& servers, const std::string& directory,
                          const std::vector<HostCensus>& hosts);
// tmux_sessions.
nlohmann::json sessions(const TmuxServer& server);
// tmux_windows: the session with its windows and panes, on the server the client addresses.
nlohmann::json windows(const TmuxSession& session, const TmuxClient& bound);
// tmux_capture_pane: the pane's text exactly as tmux returned it and the line count asked.
nlohmann::json capture(const std::string& target, const TmuxClient& bound, std::int64_t lines,
                       const std::string& captured);
// tmux_find_project.
nlohmann::json projectMatches(const std::vector<ProjectMatch>& matches, const std::string& query,
                              const std::string& directory);
// tmux_search_panes: every matching line with its pane's ids and target, the panes not read.
nlohmann::json paneSearch(const CensusReport::SearchRequest& request, const SearchResult& result,
                          const TmuxClient& bound);

// tmux_pane_states: the panes reported, with the filters asked and whether /proc was readable.
nlohmann::json paneStates(const std::vector<PaneReport>& reports, const TmuxClient& bound,
                          const std::optional<std::string>& session, const std::vector<PaneState>& states,
                          bool procReadable);
// One pane's report, as both pane tools give it.
nlohmann::json paneReport(const PaneReport& report);

}  // namespace quillon::mcp::structured
