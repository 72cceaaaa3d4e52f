#include "tests/mcp/fleet.h"

#include <filesystem>
#include <fstream>

namespace quillon::testing {

ProjectTree::ProjectTree() {
    namespace fs = std::filesystem;
    const std::string root = dir.str();
    alpha = root + "/proj-alpha";
    alphaDeep = alpha + "/src/core/deep";
    alphabet = root + "/proj-alphabet";
    beta = root + "/proj-beta";
    betaLib = beta + "/lib";
    plain = root + "/plain";
    fs::create_directories(alpha + "/.git");
    fs::create_directories(alphaDeep);
    fs::create_directories(alphabet + "/.git");
    fs::create_directories(betaLib);
    std::ofstream(beta + "/.git") << "gitdir: /elsewhere/.git/worktrees/beta\n";
    fs::create_directories(plain);
}

std::unique_ptr<McpProcess> Fleet::mcp(const std::string& language, McpProcess::EnvChanges extra) const {
    McpProcess::EnvChanges env{{"QUILLON_LANG", language},
                               {"TMUX_TMPDIR", sandbox.tmpDir()},
                               {"XDG_CONFIG_HOME", config.str()}};
    for (auto& [name, value] : extra) env[name] = value;
    return std::make_unique<McpProcess>(env);
}

std::pair<std::string, bool> Fleet::call(const std::string& language, const std::string& tool,
                                         const nlohmann::json& arguments) const {
    return mcp(language)->callTool(tool, arguments);
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace quillon::testing
