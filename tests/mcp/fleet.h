#pragma once
// A small machine for the tool tests: project directories (a repository with a .git
// directory, a worktree with a .git file, a plain directory) and private tmux servers
// working in them, plus quillon-mcp processes that see only those servers.

#include <memory>
#include <optional>
#include <string>

#include "tests/mcp/mcp_process.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {

struct ProjectTree {
    ProjectTree();
    TempDir dir{"quillon-projects"};
    std::string alpha;     // .git directory
    std::string alphaDeep;  // three levels below alpha
    std::string alphabet;   // a sibling whose name starts like alpha
    std::string beta;      // .git file, as in a worktree
    std::string betaLib;
    std::string plain;     // in no repository
};

class Fleet {
public:
    Fleet() = default;
    TmuxSandbox sandbox;
    ProjectTree projects;
    TempDir config{"quillon-mcp-config"};

    // quillon-mcp speaking the given language, seeing only the sandbox's servers.
    std::unique_ptr<McpProcess> mcp(const std::string& language, McpProcess::EnvChanges extra = {}) const;
    std::pair<std::string, bool> call(const std::string& language, const std::string& tool,
                                      const nlohmann::json& arguments = nlohmann::json::object()) const;
};

bool contains(const std::string& haystack, const std::string& needle);
bool endsWith(const std::string& text, const std::string& suffix);

}  // namespace quillon::testing
