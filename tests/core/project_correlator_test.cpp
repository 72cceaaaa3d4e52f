#include "core/project_correlator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class ProjectCorrelatorTest : public ::testing::Test {
protected:
    std::string dir(const std::string& relative) {
        const std::string path = root.str() + "/" + relative;
        fs::create_directories(path);
        return path;
    }
    std::string repo(const std::string& relative) {
        const std::string path = dir(relative);
        fs::create_directories(path + "/.git");
        return path;
    }

    static TmuxPane pane(const std::string& path) {
        TmuxPane p;
        p.path = path;
        return p;
    }
    static TmuxSession session(const std::string& name, const std::string& path, std::vector<std::string> panePaths = {}) {
        TmuxSession s;
        s.name = name;
        s.path = path;
        TmuxWindow window;
        for (const auto& panePath : panePaths) window.panes.push_back(pane(panePath));
        if (!panePaths.empty()) s.windows.push_back(window);
        return s;
    }
    static TmuxServer server(const std::string& name, std::vector<TmuxSession> sessions) {
        return TmuxServer{name, "/sockets/" + name, ServerLiveness::alive, std::move(sessions), std::nullopt, std::nullopt};
    }

    TempDir root{"quillon-projects"};
};

TEST_F(ProjectCorrelatorTest, FindsTheNearestGitEntryAndCountsTheLevels) {
    const std::string app = repo("app");
    auto found = ProjectCorrelator::project(app, 40);
    EXPECT_EQ(found, (ProjectRef{app, "app", app, 0}));

    const std::string deep = dir("app/a/b/c");
    found = ProjectCorrelator::project(deep, 40);
    EXPECT_EQ(found.root, app);
    EXPECT_EQ(found.depth, 3);
    EXPECT_EQ(found.path, deep);

    // "." and ".." and doubled slashes are walked as the directories they name.
    found = ProjectCorrelator::project(deep + "/..//./", 40);
    EXPECT_EQ(found.root, app);
    EXPECT_EQ(found.depth, 2);

    // The nearest one wins over an enclosing repository.
    const std::string inner = repo("app/a/inner");
    EXPECT_EQ(ProjectCorrelator::project(inner + "/x", 40).name, "inner");
    // Only .git is tested: a start directory that is gone (a deleted cwd) is still walked up.
    EXPECT_EQ(ProjectCorrelator::project(inner + "/gone/away", 40).depth, 2);
}

TEST_F(ProjectCorrelatorTest, WorktreeFilesAndLinksToLiveTargetsCountDanglingLinksDoNot) {
    const std::string worktree = dir("worktree");
    std::ofstream(worktree + "/.git") << "gitdir: /somewhere/else\n";
    EXPECT_EQ(ProjectCorrelator::project(worktree, 40).name, "worktree");

    const std::string linked = dir("linked");
    fs::create_symlink(repo("real") + "/.git", linked + "/.git");
    EXPECT_EQ(ProjectCorrelator::project(linked, 40).root, linked);

    const std::string dangling = dir("dangling");
    fs::create_symlink(root.str() + "/missing", dangling + "/.git");
    EXPECT_FALSE(ProjectCorrelator::project(dangling, 40).isKnown());
}

TEST_F(ProjectCorrelatorTest, TheWalkStopsAtTheLevelLimitAndAtTheRoot) {
    const std::string top = repo("top");
    std::string relative = "top";
    for (int i = 0; i < 41; ++i) relative += "/d";
    const std::string below41 = dir(relative);
    const std::string below40 = below41.substr(0, below41.size() - 2);
    EXPECT_EQ(ProjectCorrelator::project(below40, 40).depth, 40);
    const ProjectRef tooDeep = ProjectCorrelator::project(below41, 40);
    EXPECT_EQ(tooDeep, (ProjectRef{std::nullopt, std::nullopt, below41, std::nullopt}));
    EXPECT_EQ(ProjectCorrelator::project(below41, 41).depth, 41);

    const std::string nowhere = dir("plain/sub");
    EXPECT_EQ(ProjectCorrelator::project(nowhere, 40), (ProjectRef{std::nullopt, std::nullopt, nowhere, std::nullopt}));
}

TEST_F(ProjectCorrelatorTest, TildeIsExpandedAndRelativeOrEmptyPathsAreNeverGuessed) {
    const std::string home = repo("home");
    testing::ScopedEnv homeEnv("HOME", home);
    const auto found = ProjectCorrelator::project("~/", 40);
    EXPECT_EQ(found.root, home);
    EXPECT_EQ(ProjectCorrelator::project("~", 40).path, home);

    // Our own working directory belongs to whoever started us, not to a pane.
    const auto cwd = fs::current_path();
    fs::current_path(home);
    EXPECT_FALSE(ProjectCorrelator::project("", 40).isKnown());
    EXPECT_FALSE(ProjectCorrelator::project(".", 40).isKnown());
    fs::current_path(cwd);
}

TEST_F(ProjectCorrelatorTest, SessionsFallBackToTheirPanesAndListEveryProjectOnce) {
    const std::string a = repo("a"), b = repo("b"), plain = dir("plain");
    const std::string otherA = repo("elsewhere/a");

    EXPECT_EQ(ProjectCorrelator::project(session("s", plain, {plain, b, a})).root, b);
    EXPECT_EQ(ProjectCorrelator::project(session("s", a, {b})).root, a);
    const ProjectRef none = ProjectCorrelator::project(session("s", plain, {plain}));
    EXPECT_FALSE(none.isKnown());
    EXPECT_EQ(none.path, plain);

    const auto all = ProjectCorrelator::allProjects(session("s", a + "/", {a, plain, b, otherA, b}));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].root, a);
    EXPECT_EQ(all[1].root, b);
    EXPECT_EQ(all[2].root, otherA);  // same name, other root: both kept
    EXPECT_TRUE(ProjectCorrelator::allProjects(session("s", plain)).empty());
}

TEST_F(ProjectCorrelatorTest, MatchesByProjectNameRootPrefixOrSessionNameAndReportsThePrimaryProject) {
    const std::string quillon = repo("Quillon"), quillonApp = repo("quillon-app"), lumo = repo("lumo"), plain = dir("plain");
    const std::vector<TmuxServer> servers{
        server("one", {session("ui", lumo, {quillon}), session("scratch", plain), session("QuillonNotes", plain)}),
        TmuxServer{std::nullopt, "/x", ServerLiveness::stale, {}, "dead", std::nullopt},
        server("two", {session("api", quillonApp)}),
    };

    const auto byName = ProjectCorrelator::sessions("QUILLON", servers);
    ASSERT_EQ(byName.size(), 3u);
    EXPECT_EQ(byName[0].session.name, "ui");
    EXPECT_EQ(byName[0].project.root, lumo);  // primary, although the pane matched
    EXPECT_EQ(byName[1].session.name, "QuillonNotes");
    EXPECT_FALSE(byName[1].project.isKnown());
    EXPECT_EQ(byName[2].server.socketName, "two");

    // A path is a plain prefix of the lower-cased root, so a sibling starting alike matches too.
    const auto byPath = ProjectCorrelator::sessions(root.str() + "/Quillon/", servers);
    ASSERT_EQ(byPath.size(), 2u);
    EXPECT_EQ(byPath[0].session.name, "ui");
    EXPECT_EQ(byPath[1].session.name, "api");
    const auto exact = ProjectCorrelator::sessions(root.str() + "/lumo/../quillon-app", servers);
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(exact[0].project.root, quillonApp);

    EXPECT_TRUE(ProjectCorrelator::sessions("nothing", servers).empty());
}

}  // namespace
}  // namespace quillon
