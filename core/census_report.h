#pragma once
// The plain-text census of every tmux server an agent reads: a verdict for every socket
// (a socket file is no proof of a live server), the sessions of the live ones with ages,
// attachment and project, and what could not be measured written as unknown.

#include <optional>
#include <string>
#include <vector>

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

}  // namespace quillon::CensusReport
