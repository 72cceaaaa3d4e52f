// Session templates: the store (in-place edits, removal, what a live session gives) and
// launching against a private server, every window of the recipe reached by the id tmux gave it.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <filesystem>
#include <regex>

#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;

Names templateNames(const TemplateList& templates) {
    Names out;
    for (const auto& t : templates) out.push_back(t.name);
    return out;
}

// The seed and an emptied list are the templates screen's tests; here, edits in place,
// removal by id and what a live session gives, as a fresh start reads them.
TEST(TemplateStoreTest, EditsStayInPlaceRemovalGoesByIdAndCapturesTakeTheSessionsShape) {
    TempDir dir("quillon-templates");
    const DefaultsStore store(dir.path() / "quillon.json");
    TemplateStore templates(store);
    QSignalSpy changed(&templates, &TemplateStore::templatesChanged);
    SessionTemplate logs = templates.templates()[1];
    logs.directory = "/var/log";
    templates.upsert(logs);
    EXPECT_EQ(templates.templates()[1].directory, "/var/log");
    const TmuxSession live{.name = "api", .path = "/srv/api", .windows = {{.name = "code"}, {.name = "run"}}};
    const auto captured = SessionTemplate::fromSession(live), again = SessionTemplate::fromSession(live);
    EXPECT_EQ(toJson({captured})[0]["directory"], "/srv/api");
    EXPECT_EQ(toJson({captured})[0]["windows"][1]["name"], "run");
    EXPECT_NE(captured.windows[0].id, captured.windows[1].id);
    EXPECT_NE(captured.id, again.id);
    templates.upsert(captured);
    templates.upsert(again);
    templates.remove(captured);
    EXPECT_EQ(templateNames(templates.templates()), (Names{"dev", "logs", "agent", "api"}));
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(TemplateStore(store).templates(), templates.templates());
}

class TemplateLaunchTest : public AppFixture {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        tmuxPath = wrapper.path();
        startStores();
    }
    WrappedTmux wrapper{home.path()};
};

TEST_F(TemplateLaunchTest, CreatesTheSessionWindowsDirectoriesAndCommandsThenAttaches) {
    const auto project = home.path() / "my project";
    std::filesystem::create_directories(project);
    // Written as a person writes it: tmux would take "~" literally.
    const SessionTemplate t{newTemplateID(), "web app", "~/my project",
                            {{newTemplateID(), "editor", "touch editor.started"},
                             {newTemplateID(), "server", ""},
                             {newTemplateID(), "logs", "touch 'logs started'"}}};
    const auto runs = wrapper.log().size();
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);

    // Exactly the recipe, in order, each window reached by its id and the session by its own
    // (the runs since, without the socket options and the reads, ids shown as "@" and "$").
    Names commands;
    const auto log = wrapper.log();
    for (auto line = log.begin() + std::ptrdiff_t(runs); line != log.end(); ++line)
        if (!text::contains(*line, "list-"))
            commands.push_back(std::regex_replace(line->substr(line->find(server) + server.size() + 1), std::regex("([@$])[0-9]+ "), "$1 "));
    const std::string dir = project.string(), id = " -P -F #{window_id}";
    EXPECT_EQ(commands, (Names{"new-session -d -s web app -c " + dir + id, "display-message -p -t @ #{session_id}",
                               "rename-window -t @ -- editor", "send-keys -t @ -- touch editor.started Enter",
                               "new-window -t $ -n server -c " + dir + id, "new-window -t $ -n logs -c " + dir + id,
                               "send-keys -t @ -- touch 'logs started' Enter"}));

    EXPECT_EQ(tmux({"list-windows", "-t", "=web app", "-F", "#{window_name} #{pane_current_path}"}),
              "editor " + dir + "\nserver " + dir + "\nlogs " + dir + "\n");
    EXPECT_TRUE(waitUntil([&] {
        return std::filesystem::exists(project / "editor.started") && std::filesystem::exists(project / "logs started");
    }, 5s));
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "attach-session -t '" + find(env->sessions(), "web app")->sessionID + "'"));
}

TEST_F(TemplateLaunchTest, AnExistingSessionIsAttachedAndAFailureStopsTheRecipe) {
    const auto runs = wrapper.log().size();
    for (bool attachAfter : {false, true}) {
        const SessionTemplate existing{newTemplateID(), "main", "", {{newTemplateID(), "other", "echo no"}}};
        ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(existing, attachAfter, done); }));
    }
    EXPECT_EQ(wrapper.log().size(), runs);
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "attach-session -t '$0'"));  // "main"

    wrapper.failWhenArgumentsContain("-n second");
    const SessionTemplate t{newTemplateID(), "partial", "",
                            {{newTemplateID(), "first", ""}, {newTemplateID(), "second", ""}, {newTemplateID(), "third", ""}}};
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    EXPECT_EQ(env->lastError(), "refused: -n second");
    ASSERT_NE(find(env->sessions(), "partial"), nullptr);
    EXPECT_EQ(find(env->sessions(), "partial")->windows.size(), 1u);  // no rollback, no third window
    EXPECT_EQ(wrapper.count("-n third"), 0u);
    EXPECT_EQ(desktop.opened().size(), 2u) << "the session exists, so it is attached";
}

// A template named like an id ("main" is $0) builds and attaches its own session, never $0.
TEST_F(TemplateLaunchTest, ATemplateNamedLikeAnIdBuildsAndAttachesItsOwnSession) {
    const SessionTemplate t{newTemplateID(), "$0", "", {{newTemplateID(), "one", ""}, {newTemplateID(), "two", ""}}};
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);
    ASSERT_NE(find(env->sessions(), "$0"), nullptr);
    EXPECT_EQ(find(env->sessions(), "$0")->windows.size(), 2u);
    EXPECT_EQ(find(env->sessions(), "main")->windows.size(), 1u);
    ASSERT_EQ(desktop.opened().size(), 1u);
    EXPECT_TRUE(text::contains(desktop.opened()[0].second, "attach-session -t '" + find(env->sessions(), "$0")->sessionID + "'"))
        << desktop.opened()[0].second;
}

}  // namespace
}  // namespace quillon::testing
