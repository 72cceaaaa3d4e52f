#pragma once
// Which project a session works on: the nearest directory holding a `.git` entry above
// its working directory (or, failing that, above one of its panes). Never guesses: a
// directory outside every repository gives an unknown project.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/server_scanner.h"
#include "core/tmux_model.h"

namespace quillon {

struct ProjectRef {
    std::optional<std::string> root;  // the directory holding .git, no trailing slash
    std::optional<std::string> name;  // last component of root
    std::string path;                 // where the lookup started, tilde expanded
    std::optional<std::int64_t> depth;  // levels climbed to root

    bool isKnown() const noexcept { return root.has_value(); }
    bool operator==(const ProjectRef&) const = default;
};

struct ProjectMatch {
    TmuxServer server;
    TmuxSession session;
    ProjectRef project;  // the session's primary project, whatever matched
};

namespace ProjectCorrelator {

// Levels every caller climbs at most above a start directory.
inline constexpr int walkLimit = 40;

ProjectRef project(std::string_view directory, int maxLevels);
// The session directory's project, else the first pane directory that has one.
ProjectRef project(const TmuxSession& session);
// Distinct (by root) known projects of the session directory and every pane, first seen first.
std::vector<ProjectRef> allProjects(const TmuxSession& session);
// Sessions whose projects match by name fragment or root prefix, else by session name
// fragment; case-insensitive, in server then session order.
std::vector<ProjectMatch> sessions(std::string_view query, const std::vector<TmuxServer>& servers);

}  // namespace ProjectCorrelator
}  // namespace quillon

template <> struct std::hash<quillon::ProjectRef> {
    std::size_t operator()(const quillon::ProjectRef& project) const noexcept;
};
