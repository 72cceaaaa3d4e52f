#include <gtest/gtest.h>

#include <QSignalSpy>

#include <filesystem>

#include "app/app_environment.h"
#include "app/template_store.h"
#include "core/text.h"
#include "tests/app/app_test_support.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using testing::finish;
using testing::TempDir;
using testing::TmuxSandbox;
using testing::waitUntil;

std::vector<std::string> windowNames(const SessionTemplate& t) {
    std::vector<std::string> out;
    for (const auto& w : t.windows) out.push_back(w.name);
    return out;
}

std::vector<std::filesystem::path> keptAside(const std::filesystem::path& document) {
    std::vector<std::filesystem::path> found;
    if (!std::filesystem::exists(document.parent_path())) return found;
    for (const auto& entry : std::filesystem::directory_iterator(document.parent_path()))
        if (text::contains(entry.path().filename().string(), ".corrupt-")) found.push_back(entry.path());
    return found;
}

class TemplateStoreTest : public ::testing::Test {
protected:
    DefaultsStore store() const { return DefaultsStore(dir.path() / "quillon" / "org.quillon.Quillon.json"); }
    TempDir dir{"quillon-templates"};
};

TEST_F(TemplateStoreTest, FirstStartSeedsAndStoresTheBuiltInTemplates) {
    TemplateStore templates(store());
    ASSERT_EQ(templates.templates().size(), 3u);
    EXPECT_EQ(templates.templates()[0].name, "dev");
    EXPECT_EQ(windowNames(templates.templates()[0]), (std::vector<std::string>{"editor", "server", "git"}));
    EXPECT_EQ(windowNames(templates.templates()[1]), std::vector<std::string>{"logs"});
    EXPECT_EQ(windowNames(templates.templates()[2]), std::vector<std::string>{"agent"});
    for (const auto& t : templates.templates()) {
        EXPECT_TRUE(t.directory.empty());
        for (const auto& w : t.windows) EXPECT_TRUE(w.command.empty());
    }
    // What was stored reads back as the same list.
    EXPECT_EQ(TemplateStore(store()).templates(), templates.templates());
}

TEST_F(TemplateStoreTest, AnEmptyStoredListStaysEmpty) {
    store().set("sessionTemplates", nlohmann::json::array());
    EXPECT_TRUE(TemplateStore(store()).templates().empty());
    EXPECT_EQ(store().value("sessionTemplates"), nlohmann::json::array());
}

TEST_F(TemplateStoreTest, UndecodableTemplatesAreKeptAsideBeforeSeeding) {
    const nlohmann::json mine = nlohmann::json::parse(R"([
        {"id": "6F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "mine",
         "windows": [{"id": "7F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "w", "command": "make"}]}])");
    store().set("sessionTemplates", mine);  // no "directory": the whole list does not decode
    TemplateStore templates(store());
    EXPECT_EQ(templates.templates().size(), 3u);
    const auto aside = keptAside(store().path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(DefaultsStore(aside.front()).value("sessionTemplates"), mine);
}

TEST_F(TemplateStoreTest, DecodingRequiresEveryKeyAndRealIds) {
    auto decode = [](const char* json) { return templatesFromJson(nlohmann::json::parse(json)); };
    const auto good = decode(R"([{"id": "6f9619ff-8b86-d011-b42d-00c04fc964ff", "name": "a", "directory": "/x",
                                 "windows": [{"id": "7F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "w", "command": ""}]}])");
    ASSERT_EQ(good.size(), 1u);
    EXPECT_EQ(good[0].directory, "/x");
    EXPECT_EQ(templatesFromJson(toJson(good)), good);
    EXPECT_ANY_THROW(decode(R"([{"id": "not-a-uuid", "name": "a", "directory": "", "windows": []}])"));
    EXPECT_ANY_THROW(decode(R"([{"id": "6f9619ff-8b86-d011-b42d-00c04fc964ff", "name": 5, "directory": "", "windows": []}])"));
    EXPECT_ANY_THROW(decode(R"([{"id": "6f9619ff-8b86-d011-b42d-00c04fc964ff", "name": "a", "directory": "",
                                 "windows": [{"id": "7F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "w"}]}])"));
    EXPECT_ANY_THROW(decode(R"({"templates": []})"));
    // The stored form carries exactly the four and three keys.
    const auto json = toJson(good);
    EXPECT_EQ(json[0].size(), 4u);
    EXPECT_EQ(json[0]["windows"][0].size(), 3u);
}

TEST_F(TemplateStoreTest, UpsertReplacesInPlaceOrAppendsAndRemoveDropsById) {
    TemplateStore templates(store());
    QSignalSpy changed(&templates, &TemplateStore::templatesChanged);
    SessionTemplate logs = templates.templates()[1];
    logs.directory = "/var/log";
    templates.upsert(logs);
    EXPECT_EQ(templates.templates()[1].directory, "/var/log");

    TmuxSession live;
    live.name = "dev";
    live.path = "/src";
    live.windows.resize(2);
    live.windows[0].name = "code";
    live.windows[1].name = "run";
    const auto captured = SessionTemplate::fromSession(live);
    templates.upsert(captured);
    templates.upsert(SessionTemplate::fromSession(live));
    ASSERT_EQ(templates.templates().size(), 5u);
    EXPECT_EQ(templates.templates()[3].name, "dev");
    EXPECT_NE(templates.templates()[3].id, templates.templates()[4].id);

    templates.remove(captured);
    EXPECT_EQ(templates.templates().size(), 4u);
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(TemplateStore(store()).templates(), templates.templates());
}

TEST(SessionTemplateCapture, TakesNameDirectoryAndWindowsWithFreshIds) {
    TmuxSession live;
    live.name = "api";
    live.path = "/srv/api";
    live.windows.resize(3);
    for (int i = 0; i < 3; ++i) live.windows[i].name = "w" + std::to_string(i);
    const auto t = SessionTemplate::fromSession(live);
    EXPECT_EQ(t.name, "api");
    EXPECT_EQ(t.directory, "/srv/api");
    EXPECT_EQ(windowNames(t), (std::vector<std::string>{"w0", "w1", "w2"}));
    EXPECT_NE(t.windows[0].id, t.windows[1].id);
    EXPECT_EQ(t.id.size(), 36u);
    EXPECT_NO_THROW(templatesFromJson(toJson({t})));
}

// ---- Launching against real tmux ----

class TemplateLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        auto s = DefaultsStore(home.path() / "quillon.json");
        s.set("socketMode", "name");
        s.set("socketValue", server);
        s.set("language", "en");
        env = std::make_unique<AppEnvironment>(AppEnvironment::Options{s, tmux.path(), platform.platform()});
        ASSERT_TRUE(waitUntil([&] { return env->pollingTimerInterval().has_value(); }));
    }
    const TmuxSession* session(const std::string& name) const {
        for (const auto& s : env->sessions())
            if (s.name == name) return &s;
        return nullptr;
    }

    TmuxSandbox sandbox;
    TempDir home{"quillon-launch"};
    testing::ScopedEnv homeEnv{"HOME", home.str()};
    testing::WrappedTmux tmux{home.path()};
    testing::RecordingPlatform platform;
    std::string server = TmuxSandbox::uniqueName("tpl");
    std::unique_ptr<AppEnvironment> env;
};

TEST_F(TemplateLaunchTest, CreatesTheSessionWindowsDirectoriesAndCommands) {
    const auto project = home.path() / "my project";
    std::filesystem::create_directories(project);
    SessionTemplate t{newTemplateID(), "web app", project.string(),
                      {{newTemplateID(), "editor", "touch editor.started"},
                       {newTemplateID(), "server", ""},
                       {newTemplateID(), "logs", "touch 'logs started'"}}};
    const auto runsBefore = tmux.log().size();
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    EXPECT_EQ(env->lastError(), std::nullopt);

    // Exactly the recipe, in order.
    auto log = tmux.log();
    log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(runsBefore));
    std::vector<std::string> commands;
    for (const auto& line : log)
        if (!text::contains(line, "list-")) commands.push_back(line.substr(line.find(server) + server.size() + 1));
    const std::string dir = project.string();
    const std::string id = "-P -F #{window_id}";
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0], "new-session -d -s web app -c " + dir + " " + id);
    EXPECT_EQ(commands[3], "new-window -t =web app: -n server -c " + dir + " " + id);
    EXPECT_EQ(commands[4], "new-window -t =web app: -n logs -c " + dir + " " + id);
    // The windows are reached by their ids.
    for (const auto& [at, text] : {std::pair{1, "rename-window -t @"}, {2, "send-keys -t @"}, {5, "send-keys -t @"}})
        EXPECT_TRUE(text::startsWith(commands[at], text)) << commands[at];
    EXPECT_TRUE(text::contains(commands[1], " -- editor"));
    EXPECT_TRUE(text::contains(commands[2], " -- touch editor.started Enter"));
    EXPECT_TRUE(text::contains(commands[5], " -- touch 'logs started' Enter"));

    const TmuxSession* created = session("web app");
    ASSERT_NE(created, nullptr);
    std::vector<std::string> names;
    for (const auto& w : created->windows) {
        names.push_back(w.name);
        ASSERT_EQ(w.panes.size(), 1u);
        EXPECT_EQ(std::filesystem::path(w.panes[0].path), project);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"editor", "server", "logs"}));
    EXPECT_TRUE(waitUntil([&] {
        return std::filesystem::exists(project / "editor.started") && std::filesystem::exists(project / "logs started");
    }, 5s));

    // attachAfter opened a terminal on the new session.
    const auto opened = platform.terminals->opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(text::contains(opened[0].second, "attach-session -t '=web app:'"));
}

TEST_F(TemplateLaunchTest, NamesElsewhereNeverCaptureTheRecipe) {
    // Quillon started from a pane of "other", whose window "dev-logs" starts like template "dev";
    // template "api" names its first window like itself.
    const auto otherDir = home.path() / "other";
    const auto projects = home.path() / "projects";
    std::filesystem::create_directories(otherDir);
    std::filesystem::create_directories(projects);
    sandbox.newSession(server, "other", otherDir.string(), "dev-logs");
    const std::string pane(text::trim(sandbox.tmux(server, {"display-message", "-p", "-t", "=other:", "#{pane_id}"})));
    testing::ScopedEnv inside("TMUX_PANE", pane);
    const SessionTemplate recipes[] = {
        {newTemplateID(), "dev", projects.string(), {{newTemplateID(), "editor", "touch dev-editor"}, {newTemplateID(), "server", "touch dev-server"}}},
        {newTemplateID(), "api", projects.string(), {{newTemplateID(), "api", "touch api-api"}, {newTemplateID(), "logs", "touch api-logs"}}},
    };
    for (const SessionTemplate& t : recipes) {
        ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, false, done); }));
        EXPECT_EQ(env->lastError(), std::nullopt) << t.name;
        const TmuxSession* created = session(t.name);
        ASSERT_NE(created, nullptr) << t.name;
        ASSERT_EQ(created->windows.size(), 2u) << t.name;
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(created->windows[i].name, t.windows[i].name);
            const auto typed = projects / t.windows[i].command.substr(std::string("touch ").size());
            EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(typed); }, 5s)) << typed;
        }
    }
    ASSERT_NE(session("other"), nullptr);
    EXPECT_EQ(session("other")->windows.at(0).name, "dev-logs");
    EXPECT_TRUE(std::filesystem::is_empty(otherDir));
}

TEST_F(TemplateLaunchTest, AnExistingSessionIsAttachedNotCreated) {
    SessionTemplate t{newTemplateID(), "main", "", {{newTemplateID(), "other", "echo no"}}};
    const auto runsBefore = tmux.log().size();
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, false, done); }));
    EXPECT_EQ(tmux.log().size(), runsBefore);
    EXPECT_TRUE(platform.terminals->opened().empty());
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    EXPECT_EQ(tmux.log().size(), runsBefore);
    ASSERT_EQ(platform.terminals->opened().size(), 1u);
    EXPECT_TRUE(text::contains(platform.terminals->opened()[0].second, "attach-session -t '=main:'"));
}

TEST_F(TemplateLaunchTest, AFailureStopsTheRecipeAndIsReported) {
    tmux.failWhenArgumentsContain("-n second");
    SessionTemplate t{newTemplateID(), "partial", "",
                      {{newTemplateID(), "first", ""}, {newTemplateID(), "second", ""}, {newTemplateID(), "third", ""}}};
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(t, true, done); }));
    EXPECT_EQ(env->lastError(), "refused: -n second");
    ASSERT_NE(session("partial"), nullptr);
    EXPECT_EQ(session("partial")->windows.size(), 1u);  // no rollback, no third window
    EXPECT_EQ(tmux.count("-n third"), 0u);
    // The session exists, so attachAfter still attaches to it.
    EXPECT_EQ(platform.terminals->opened().size(), 1u);
}

TEST_F(TemplateLaunchTest, CaptureThenLaunchGivesTheSameShape) {
    const auto src = home.path() / "src";
    std::filesystem::create_directories(src);
    sandbox.newSession(server, "original", src.string(), "code");
    sandbox.newWindow(server, "original", "tests", src.string());
    sandbox.newWindow(server, "original", "shell", src.string());
    ASSERT_TRUE(finish([&](auto done) { env->refresh(done); }));
    ASSERT_NE(session("original"), nullptr);

    SessionTemplate copy = SessionTemplate::fromSession(*session("original"));
    copy.name = "copy";
    ASSERT_TRUE(finish([&](auto done) { env->launchTemplate(copy, false, done); }));
    const TmuxSession* original = session("original");
    const TmuxSession* launched = session("copy");
    ASSERT_NE(launched, nullptr);
    EXPECT_EQ(launched->path, original->path);
    ASSERT_EQ(launched->windows.size(), original->windows.size());
    for (std::size_t i = 0; i < original->windows.size(); ++i) {
        EXPECT_EQ(launched->windows[i].name, original->windows[i].name);
        EXPECT_EQ(launched->windows[i].panes.size(), original->windows[i].panes.size());
        EXPECT_EQ(launched->windows[i].panes[0].path, original->windows[i].panes[0].path);
    }
}

}  // namespace
}  // namespace quillon
