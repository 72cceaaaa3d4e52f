#pragma once
// A bootstrapped environment on a private tmux server, with a rule store and a recording
// notifier, for the scanner and rule tests.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/rule_store.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {

class RecordingNotifier : public Notifier {
public:
    void post(const std::string& title, const std::string& body) override { posts.emplace_back(title, body); }
    std::vector<std::pair<std::string, std::string>> posts;
};

class ScannerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox.newSession(server, "main");
        // Window names and pane commands settle first, so a diff sees only what a test does.
        sandbox.tmux(server, {"set-option", "-g", "-w", "automatic-rename", "off"});
        sandbox.tmux(server, {"rename-window", "-t", "main:0", "shell"});
        waitUntil([&] { return sandbox.tmux(server, {"display-message", "-p", "-t", "main:0.0", "#{pane_current_command}"}) == "sh\n"; },
                  std::chrono::seconds(3));
    }

    DefaultsStore store() const { return DefaultsStore(home.path() / "config" / "quillon" / "org.quillon.Quillon.json"); }

    std::unique_ptr<AppEnvironment> environment(const std::string& tmuxPath = TmuxSandbox::tmuxPath()) {
        auto s = store();
        s.set("socketMode", "name");
        s.set("socketValue", server);
        s.set("language", "en");
        auto env = std::make_unique<AppEnvironment>(AppEnvironment::Options{s, tmuxPath, platform.platform()});
        EXPECT_TRUE(waitUntil([&] { return env->pollingTimerInterval().has_value(); }));
        return env;
    }

    TmuxSandbox sandbox;
    TempDir home{"quillon-home"};
    ScopedEnv homeEnv{"HOME", home.str()};
    RecordingPlatform platform;
    RecordingNotifier notifier;
    std::string server = TmuxSandbox::uniqueName("scan");
};

}  // namespace quillon::testing
