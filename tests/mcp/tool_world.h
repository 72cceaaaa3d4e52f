#pragma once
// The server the tool tests read: "alpha" with a session "work" in a git project (a split
// pane in another project, a second window in the project root), a quiet session and one
// that said two lines, plus a socket file that no server answers. Made per test.

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {

struct ToolWorld {
    explicit ToolWorld(const std::string& rootName) : root(rootName) {
        for (const char* dir : {"/proj/.git", "/proj/deep", "/other/.git"})
            std::filesystem::create_directories(root.str() + dir);
        workId = sandbox.newSession("alpha", "work", root.str() + "/proj/deep");
        sandbox.splitWindow("alpha", "work:0", root.str() + "/other");
        sandbox.newWindow("alpha", "work", "logs", root.str() + "/proj");
        for (const auto& [name, command] :
             {std::pair{"quiet", "sleep 600"}, {"said", "printf 'hello-42\\nhello-43\\n'; sleep 600"}})
            sandbox.tmux("alpha", {"new-session", "-d", "-s", name, "-c", root.str(), command});
        makeDeadSocket(dead);
        const TmuxClient client = sandbox.client("alpha");
        for (int i = 0; i < 250 && !text::contains(client.capturePane("said:0.0", 30), "hello-43"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    TmuxSandbox sandbox;
    TempDir root;
    const std::string dir = sandbox.socketDirectory(), alpha = sandbox.socketPath("alpha"), dead = root.str() + "/dead";
    std::string workId;
};

}  // namespace quillon::testing
