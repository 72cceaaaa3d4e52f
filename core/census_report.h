#pragma once
// The plain-text reports an agent reads: the census of every tmux server (a verdict for
// every socket, since a socket file is no proof of a live server; the sessions of the live
// ones with ages, attachment and project; what could not be measured written as unknown),
// the socket list, one session's windows, and the sessions found for a project.

#include <optional>
#include <string>
#include <vector>

#include "core/host_census.h"
#include "core/project_correlator.h"
#include "core/server_scanner.h"
#include "core/tmux_model.h"

namespace quillon::CensusReport {

// "●", "✕", "?".
std::string symbol(ServerLiveness liveness);
// "ALIVE", "DEAD (socket left on disk)", "UNKNOWN" (in the current language).
std::string label(ServerLiveness liveness);

// Header, counters, one block per server in scan order, and the caveat.
std::string overview(const std::vector<TmuxServer>& servers, const std::string& directory,
                     const std::optional<std::string>& tmuxVersion, TimePoint now);
// Title, socket and reason lines; with showSessions the session lines or the verdict on them.
std::string serverBlock(const TmuxServer& server, TimePoint now, bool showSessions);
// Two lines: name, id, attachment, windows and ages; then project and directory.
std::string sessionLine(const TmuxSession& session, TimePoint now);

// One remote host after this machine's report: a title with its socket directory, then its
// server blocks (sessions with showSessions), or ssh's reason when it could not be read.
std::string hostSection(const HostCensus& host, TimePoint now, bool showSessions);

// The socket directory's servers with their verdicts, no sessions.
std::string serverList(const std::vector<TmuxServer>& servers, const std::string& directory, TimePoint now);
// Every window and pane of one session with its target; server says where it runs.
std::string sessionWindows(const TmuxSession& session, const std::string& server);
// The sessions that matched a project query, each with its project and the others it touches.
std::string projectMatches(const std::vector<ProjectMatch>& matches, const std::string& query, TimePoint now);
// Why nothing matched: no live session fits, or no server is alive at all.
std::string noProjectMatch(const std::vector<TmuxServer>& servers, const std::string& query,
                           const std::string& directory);

}  // namespace quillon::CensusReport
