// Settings in the environment: what changes write and do, the socket options, and the
// autostart entry behind the login item.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/platform/xdg_autostart_login_item.h"
#include "core/l10n.h"
#include "core/paths.h"
#include "tests/app/app_test_support.h"

namespace quillon::testing {
namespace {

class SettingsTest : public AppFixture {
protected:
    void SetUp() override { tmuxPath.reset(); }
    std::unique_ptr<AppEnvironment> environment(std::vector<TerminalApp> installed = {TerminalApp::terminal}) {
        desktop.installed = std::move(installed);
        return std::make_unique<AppEnvironment>(AppEnvironment::Options{store(), std::nullopt, services});
    }
};

TEST_F(SettingsTest, ChangesWriteOnlyWhatChangedWithTheirSideEffects) {
    auto env = environment();
    env->setScannerMode(ScannerMode::polling);
    env->setAutoCommandsEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(store().path())) << "equal values are not written";
    env->setNotifyOnClose(true);
    env->setNotifyOnClose(false);
    EXPECT_EQ(desktop.authorizationRequests, 1);
    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(L("da", "yes"), "da");
    env->setLanguage(AppLanguage::en);
    EXPECT_EQ(L("da", "yes"), "yes");
    store().set("language", "ro");
    environment();
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::ro) << "a fresh start speaks the stored language at once";
    // Without a first bootstrap there is no timer to restart.
    env->setPollingInterval(2);
    EXPECT_FALSE(env->pollingTimerInterval());
}

TEST(SocketArgs, FollowTheModeAndTrimmedValue) {
    using V = std::vector<std::string>;
    EXPECT_EQ(socketArgs(TmuxSocketMode::default_, "work"), V{});
    EXPECT_EQ(socketArgs(TmuxSocketMode::name, " \twork\t "), (V{"-L", "work"}));
    EXPECT_EQ(socketArgs(TmuxSocketMode::path, "~/tmux/sock"), (V{"-S", paths::homeDirectory() + "/tmux/sock"}));
    EXPECT_EQ(socketArgs(TmuxSocketMode::path, "/run/a b"), (V{"-S", "/run/a b"}));
    EXPECT_EQ(socketArgs(TmuxSocketMode::name, "   "), V{});
}

TEST(XdgAutostartLoginItem, WritesAndRemovesTheAutostartEntry) {
    TempDir config("quillon-autostart");
    const auto directory = XdgAutostartLoginItem::defaultDirectory({{"XDG_CONFIG_HOME", config.str()}});
    EXPECT_EQ(directory, config.path() / "autostart");
    XdgAutostartLoginItem item(directory, "/opt/Quillon apps/quillon");
    EXPECT_FALSE(item.isEnabled());
    item.setEnabled(true);
    EXPECT_TRUE(item.isEnabled());
    const std::string entry = readWhole(item.entryPath());
    EXPECT_TRUE(text::contains(entry, "[Desktop Entry]\nType=Application\n"));
    EXPECT_TRUE(text::contains(entry, "Exec=\"/opt/Quillon apps/quillon\"\n"));
    item.setEnabled(false);
    EXPECT_FALSE(item.isEnabled());
    EXPECT_FALSE(std::filesystem::exists(item.entryPath()));
    item.setEnabled(false);  // already off: no error

    // A file where the directory should be: the failure carries the system's text.
    writeFile(config.path() / "blocked", "");
    XdgAutostartLoginItem blocked(config.path() / "blocked", "/usr/bin/quillon");
    EXPECT_THROW(blocked.setEnabled(true), std::runtime_error);
}

}  // namespace
}  // namespace quillon::testing
