#pragma once
// Bringing a server's sessions back from a snapshot. The plan is pure: the snapshot, the live
// session names and the options give the tmux commands, so it is tested without tmux; the
// execution runs them through TmuxClient and reports what came back.
//
// Each chosen session that does not exist by that exact name is created; an existing one is
// never touched. Per session: new-session (its first window, in the first pane's directory),
// then one batch of commands in one tmux process, every target built from the session's id:
// the further windows at their saved indexes with their names, the panes split in their
// directories, select-layout with the saved layout string, programs from the user's list
// typed again, the active pane of every window, zoom, and the active window. A directory
// that no longer exists becomes the home folder and is reported.
//
// tmux keeps a session name with its unprintable bytes written out ("x\377y" for the byte
// 0xff, "\\" for a backslash); the new session is given the bytes they stand for, so that
// it comes back under the very name it had.

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/server_snapshot.h"
#include "core/tmux_client.h"

namespace quillon {

struct RestoreOptions {
    std::set<std::string> sessions;  // the chosen session names; empty: all of the snapshot
    std::set<std::string> restartPrograms;  // pane commands typed again; shells never are
    std::string home;
    std::function<bool(const std::string&)> directoryExists;  // nothing: every directory exists
};

// One session's commands. In batch, a "-t" or "-s" value that starts with
// RestorePlan::sessionToken stands for the created session's id.
struct SessionRestore {
    std::string name;
    std::vector<std::string> create;  // new-session …, printing the session id and window index
    std::int64_t firstWindowIndex = 0;  // where the first window belongs
    std::vector<std::vector<std::string>> batch;
    std::int64_t windows = 0;
    std::int64_t panes = 0;

    bool operator==(const SessionRestore&) const = default;
};

struct RestorePlan {
    static constexpr std::string_view sessionToken = "{session}";

    std::vector<SessionRestore> sessions;
    std::vector<std::string> existing;  // chosen sessions left alone: the server has them
    std::vector<std::string> missingDirectories;  // replaced by the home folder

    bool operator==(const RestorePlan&) const = default;
};

struct RestoreFailure {
    std::string session;
    std::string message;  // tmux's
    bool operator==(const RestoreFailure&) const = default;
};

struct RestoreReport {
    std::int64_t sessions = 0;
    std::int64_t windows = 0;
    std::int64_t panes = 0;
    std::vector<std::string> existing;
    std::vector<std::string> missingDirectories;
    std::vector<RestoreFailure> failures;

    bool operator==(const RestoreReport&) const = default;
};

// The folders a restore of these sessions (all when empty) may start panes in, each once.
std::vector<std::string> restoreDirectories(const ServerSnapshot& snapshot, const std::set<std::string>& sessions);

// The name to give new-session so that tmux shows the session as shown: its written-out
// bytes ("\377", "\t", "\\") turned back into the bytes.
std::string sessionNameInput(std::string_view shown);

RestorePlan planRestore(const ServerSnapshot& snapshot, const std::vector<std::string>& liveSessionNames,
                        const RestoreOptions& options);

// A batch as one argument vector: commands joined by ";" arguments, each argument that ends
// in ";" escaped so that tmux keeps it whole.
std::vector<std::string> joinCommands(const std::vector<std::vector<std::string>>& commands);

// Runs the plan. A session that exists by now (made since the plan) is left alone and counted
// as existing; a failing batch stops that session alone, and what came of it is counted. A
// server that does not answer within the client's time limit fails the rest at once.
RestoreReport executeRestore(const TmuxClient& client, const RestorePlan& plan);

}  // namespace quillon
