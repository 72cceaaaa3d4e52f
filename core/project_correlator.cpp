#include "core/project_correlator.h"

#include <filesystem>
#include <functional>
#include <set>

#include "core/paths.h"
#include "core/text.h"

namespace quillon::ProjectCorrelator {
namespace {

// exists() follows links, so a link to a live target counts and a dangling one does not.
bool holdsGitEntry(const std::string& directory) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(directory) / ".git", error);
}

std::string parentOf(const std::string& directory) {
    const auto slash = directory.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return directory.substr(0, slash);
}

}  // namespace

ProjectRef project(std::string_view directory, int maxLevels) {
    ProjectRef result;
    result.path = paths::expandTilde(directory);
    // tmux reports absolute directories; a relative or empty one must not be resolved
    // against our own working directory, which belongs to another program.
    if (result.path.empty() || result.path.front() != '/') return result;

    std::string current = paths::standardize(result.path);
    for (int level = 0; level <= maxLevels; ++level) {
        if (holdsGitEntry(current)) {
            result.root = current;
            result.name = paths::lastComponent(current);
            result.depth = level;
            return result;
        }
        const std::string parent = parentOf(current);
        if (parent == current) break;
        current = parent;
    }
    return result;
}

ProjectRef project(const TmuxSession& session) {
    ProjectRef own = project(session.path, walkLimit);
    if (own.isKnown()) return own;
    for (const TmuxWindow& window : session.windows)
        for (const TmuxPane& pane : window.panes)
            if (ProjectRef found = project(pane.path, walkLimit); found.isKnown()) return found;
    return own;
}

std::vector<ProjectRef> allProjects(const TmuxSession& session) {
    std::vector<ProjectRef> kept;
    std::set<std::string> roots;
    const auto consider = [&](const std::string& directory) {
        ProjectRef found = project(directory, walkLimit);
        if (found.isKnown() && roots.insert(*found.root).second) kept.push_back(std::move(found));
    };
    consider(session.path);
    for (const TmuxWindow& window : session.windows)
        for (const TmuxPane& pane : window.panes) consider(pane.path);
    return kept;
}

std::vector<ProjectMatch> sessions(std::string_view query, const std::vector<TmuxServer>& servers) {
    const std::string q = text::toLower(query);
    const std::string qPath = text::toLower(paths::standardize(paths::expandTilde(query)));
    const auto projectMatches = [&](const ProjectRef& candidate) {
        return (candidate.name && text::contains(text::toLower(*candidate.name), q)) ||
               (candidate.root && text::startsWith(text::toLower(*candidate.root), qPath));
    };

    std::vector<ProjectMatch> matches;
    for (const TmuxServer& server : servers) {
        for (const TmuxSession& session : server.sessions) {
            bool matched = false;
            for (const ProjectRef& candidate : allProjects(session))
                if ((matched = projectMatches(candidate))) break;
            if (!matched) matched = text::contains(text::toLower(session.name), q);
            if (matched) matches.push_back({server, session, project(session)});
        }
    }
    return matches;
}

}  // namespace quillon::ProjectCorrelator

std::size_t std::hash<quillon::ProjectRef>::operator()(const quillon::ProjectRef& project) const noexcept {
    std::size_t seed = 0;
    const auto mix = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    const auto mixOptional = [&](const auto& optional) {
        mix(optional.has_value());
        if (optional) mix(std::hash<std::decay_t<decltype(*optional)>>{}(*optional));
    };
    mixOptional(project.root);
    mixOptional(project.name);
    mix(std::hash<std::string>{}(project.path));
    mixOptional(project.depth);
    return seed;
}
