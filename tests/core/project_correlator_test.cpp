#include "core/project_correlator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using ProjectCorrelator::project;

class ProjectCorrelatorTest : public ::testing::Test {
protected:
    std::string dir(const std::string& relative) {
        fs::create_directories(root.str() + "/" + relative);
        return root.str() + "/" + relative;
    }
    std::string repo(const std::string& relative) { return fs::path(dir(relative + "/.git")).parent_path(); }

    static TmuxSession session(const std::string& name, const std::string& path, std::vector<std::string> panes = {}) {
        TmuxSession s{name, "$1", {}, false, 1, std::nullopt, path, {}};
        if (panes.empty()) return s;
        s.windows.emplace_back();
        for (const auto& pane : panes) s.windows[0].panes.push_back(TmuxPane{0, false, "sh", 1, 1, 1, pane, ""});
        return s;
    }
    static TmuxServer server(const std::string& name, std::vector<TmuxSession> sessions) {
        return {name, "/sockets/" + name, ServerLiveness::alive, std::move(sessions), std::nullopt, std::nullopt};
    }

    testing::TempDir root{"quillon-projects"};
};

TEST_F(ProjectCorrelatorTest, TheNearestGitEntryWithinTheLevelLimitIsTheProject) {
    const std::string app = repo("app"), deep = dir("app/a/b/c");
    EXPECT_EQ(project(app, 40), (ProjectRef{app, "app", app, 0}));
    EXPECT_EQ(project(deep, 40), (ProjectRef{app, "app", deep, 3}));
    // "." and ".." and doubled slashes are walked as the directories they name.
    EXPECT_EQ(project(deep + "/..//./", 40).depth, 2);
    // The nearest one wins over an enclosing repository; a start directory that is gone is still walked up.
    const std::string inner = repo("app/a/inner");
    EXPECT_EQ(project(inner + "/x", 40).name, "inner");
    EXPECT_EQ(project(inner + "/gone/away", 40).depth, 2);
    // A worktree's .git file and a link to a live .git count; a dangling link does not.
    std::ofstream(dir("worktree") + "/.git") << "gitdir: /somewhere/else\n";
    EXPECT_EQ(project(root.str() + "/worktree", 40).name, "worktree");
    fs::create_symlink(repo("real") + "/.git", dir("linked") + "/.git");
    EXPECT_EQ(project(root.str() + "/linked", 40).root, root.str() + "/linked");
    fs::create_symlink(root.str() + "/missing", dir("dangling") + "/.git");
    EXPECT_FALSE(project(root.str() + "/dangling", 40).isKnown());

    std::string relative = "top";
    for (int i = 0; i < 41; ++i) relative += "/d";
    repo("top");
    const std::string below41 = dir(relative), below40 = below41.substr(0, below41.size() - 2);
    EXPECT_EQ(project(below40, 40).depth, 40);
    EXPECT_EQ(project(below41, 40), (ProjectRef{std::nullopt, std::nullopt, below41, std::nullopt}));
    EXPECT_EQ(project(below41, 41).depth, 41);
    EXPECT_FALSE(project(dir("plain/sub"), 40).isKnown());
}

TEST_F(ProjectCorrelatorTest, TildeIsExpandedAndRelativeOrEmptyPathsAreNeverGuessed) {
    const std::string home = repo("home");
    testing::ScopedEnv homeEnv("HOME", home);
    EXPECT_EQ(project("~/", 40).root, home);
    EXPECT_EQ(project("~", 40).path, home);
    // Our own working directory belongs to whoever started us, not to a pane.
    const auto cwd = fs::current_path();
    fs::current_path(home);
    EXPECT_FALSE(project("", 40).isKnown());
    EXPECT_FALSE(project(".", 40).isKnown());
    fs::current_path(cwd);
}

TEST_F(ProjectCorrelatorTest, SessionsFallBackToTheirPanesAndListEveryProjectOnce) {
    const std::string a = repo("a"), b = repo("b"), plain = dir("plain"), otherA = repo("elsewhere/a");
    EXPECT_EQ(project(session("s", plain, {plain, b, a})).root, b);
    EXPECT_EQ(project(session("s", a, {b})).root, a);
    EXPECT_EQ(project(session("s", plain, {plain})), (ProjectRef{std::nullopt, std::nullopt, plain, std::nullopt}));
    std::vector<std::string> roots;
    for (const auto& found : ProjectCorrelator::allProjects(session("s", a + "/", {a, plain, b, otherA, b})))
        roots.push_back(found.root.value_or("?"));
    EXPECT_EQ(roots, (std::vector<std::string>{a, b, otherA}));  // same name, other root: both kept
    EXPECT_TRUE(ProjectCorrelator::allProjects(session("s", plain)).empty());
}

TEST_F(ProjectCorrelatorTest, MatchesByProjectNameRootPrefixOrSessionNameAndReportsThePrimaryProject) {
    const std::string quillon = repo("Quillon"), app = repo("quillon-app"), lumo = repo("lumo"), plain = dir("plain");
    const std::vector<TmuxServer> servers{
        server("one", {session("ui", lumo, {quillon}), session("scratch", plain), session("QuillonNotes", plain)}),
        server("two", {session("api", app)}),
    };
    const auto found = [&](const std::string& query) {
        std::vector<std::string> out;
        for (const auto& match : ProjectCorrelator::sessions(query, servers))
            out.push_back(match.server.socketPath + " " + match.session.name + " " + match.project.name.value_or("?"));
        return out;
    };
    using Found = std::vector<std::string>;
    // The primary project is reported, although a pane matched.
    EXPECT_EQ(found("QUILLON"),
              (Found{"/sockets/one ui lumo", "/sockets/one QuillonNotes ?", "/sockets/two api quillon-app"}));
    // A path is a plain prefix of the lower-cased root, so a sibling starting alike matches too.
    EXPECT_EQ(found(root.str() + "/Quillon/"), (Found{"/sockets/one ui lumo", "/sockets/two api quillon-app"}));
    EXPECT_EQ(found(root.str() + "/lumo/../quillon-app"), Found{"/sockets/two api quillon-app"});
    EXPECT_TRUE(found("nothing").empty());
}

}  // namespace
}  // namespace quillon
