// The configuration screen against a private server: the file or the starter example, reload
// of a good and of a broken file with tmux's own answer, and the reload button following the
// server.
#include <gtest/gtest.h>

#include <QPushButton>

#include "app/ui/settings/config_view.h"
#include "core/text.h"
#include "tests/ui/ui_test_support.h"

namespace quillon::testing {
namespace {

class ConfigViewTest : public UiFixture {};

TEST_F(ConfigViewTest, ShowsTheFileAndReportsTmuxsAnswerToAReload) {
    sandbox.newSession(server, "dev");
    startStores();
    ui::ConfigView view(*context);
    EXPECT_FALSE(view.configText());
    EXPECT_FALSE(view.openButton()->isEnabled());
    EXPECT_EQ(view.reloadButton()->toolTip(), "tmux source-file ~/.tmux.conf");

    const struct {
        const char* contents;
        const char* status;
    } files[] = {
        {"set -g status-left 'from-quillon'\n", "Config reloaded on server."},
        {"set -g status-left ok\nfoo bar\n", "unknown command: foo"},
    };
    for (const auto& file : files) {
        writeFile(home.path() / ".tmux.conf", file.contents);
        view.load();
        EXPECT_EQ(view.configText(), file.contents);
        EXPECT_TRUE(view.openButton()->isEnabled());
        view.reload();
        ASSERT_TRUE(waitUntil([&] { return view.statusText().contains(file.status); })) << view.statusText().toStdString();
    }
    EXPECT_TRUE(text::contains(tmux({"show-options", "-g", "status-left"}), "from-quillon"));

    tmux({"kill-server"});
    ASSERT_TRUE(waitUntil([&] {
        env->refresh();
        return !env->serverRunning();
    }));
    EXPECT_FALSE(view.reloadButton()->isEnabled());
    EXPECT_EQ(view.reloadButton()->toolTip(), "tmux server is not running");
}

}  // namespace
}  // namespace quillon::testing
