#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_environment.h"
#include "app/platform/xdg_autostart_login_item.h"
#include "app/settings.h"
#include "core/l10n.h"
#include "core/paths.h"
#include "core/text.h"
#include "tests/app/app_test_support.h"

namespace quillon {
namespace {

using testing::RecordingPlatform;
using testing::TempDir;

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { L10n::setLanguage(AppLanguage::en); }

    DefaultsStore store() const { return DefaultsStore(config.path() / "quillon" / "org.quillon.Quillon.json"); }
    std::unique_ptr<AppEnvironment> environment(std::vector<TerminalApp> installed = {TerminalApp::terminal}) {
        platform.terminals = std::make_shared<testing::RecordingTerminalHost>(std::move(installed));
        return std::make_unique<AppEnvironment>(AppEnvironment::Options{store(), std::nullopt, platform.platform()});
    }

    TempDir config{"quillon-settings"};
    RecordingPlatform platform;
};

TEST_F(SettingsTest, EverySettingRoundTripsThroughTheDefaultsDocument) {
    {
        auto env = environment({TerminalApp::terminal, TerminalApp::wezterm});
        env->setPreferredTerminal(TerminalApp::wezterm);
        env->setPollingInterval(7.0);
        env->setSocketMode(TmuxSocketMode::path);
        env->setSocketValue("~/sock");
        env->setScannerInterval(2.5);
        env->setScannerMode(ScannerMode::controlMode);
        env->setNotifyOnClose(true);
        env->setIdleThresholdHours(48);
        env->setAutoCommandsEnabled(true);
        env->setLanguage(AppLanguage::ro);
        env->setAppearance(AppAppearance::dark);
    }
    const auto document = store().document();
    EXPECT_EQ(document["preferredTerminal"], "WezTerm");
    EXPECT_EQ(document["pollingInterval"], 7.0);
    EXPECT_EQ(document["socketMode"], "path");
    EXPECT_EQ(document["socketValue"], "~/sock");
    EXPECT_EQ(document["scannerMode"], "controlMode");
    EXPECT_EQ(document["notifyOnClose"], true);
    EXPECT_EQ(document["language"], "ro");
    EXPECT_EQ(document["appearance"], "dark");

    auto reloaded = environment({TerminalApp::terminal, TerminalApp::wezterm});
    AppSettings expected;
    expected.preferredTerminal = TerminalApp::wezterm;
    expected.pollingInterval = 7.0;
    expected.socketMode = TmuxSocketMode::path;
    expected.socketValue = "~/sock";
    expected.scannerInterval = 2.5;
    expected.scannerMode = ScannerMode::controlMode;
    expected.notifyOnClose = true;
    expected.idleThresholdHours = 48;
    expected.autoCommandsEnabled = true;
    expected.language = AppLanguage::ro;
    expected.appearance = AppAppearance::dark;
    EXPECT_EQ(reloaded->settings(), expected);
    // The stored language is the process language from the start.
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::ro);
}

TEST_F(SettingsTest, UnknownAndWrongTypedValuesReadAsDefaults) {
    auto s = store();
    s.set("socketMode", "Name");
    s.set("pollingInterval", "4");
    s.set("scannerInterval", true);
    s.set("idleThresholdHours", nlohmann::json::array());
    s.set("scannerMode", "ControlMode");
    s.set("notifyOnClose", "yes");
    s.set("language", "fr");
    s.set("appearance", 2);
    s.set("preferredTerminal", "iterm");
    s.set("socketValue", 12);
    EXPECT_EQ(environment()->settings(), AppSettings{});
}

TEST_F(SettingsTest, StoredNumbersAreUsedUnclamped) {
    auto s = store();
    s.set("pollingInterval", 0.2);
    s.set("idleThresholdHours", 500);
    auto env = environment();
    EXPECT_DOUBLE_EQ(env->pollingInterval(), 0.2);
    EXPECT_DOUBLE_EQ(env->idleThresholdHours(), 500.0);
}

TEST_F(SettingsTest, MissingDocumentGivesDefaultsAndWritesNothing) {
    auto env = environment();
    EXPECT_EQ(env->settings(), AppSettings{});
    EXPECT_FALSE(std::filesystem::exists(store().path()));
}

TEST_F(SettingsTest, PreferredTerminalFallsBackToTheFirstInstalledWithoutPersisting) {
    store().set("preferredTerminal", "iTerm");
    auto env = environment({TerminalApp::wezterm, TerminalApp::alacritty});
    EXPECT_EQ(env->preferredTerminal(), TerminalApp::wezterm);
    EXPECT_EQ(env->availableTerminals(), (TerminalList{TerminalApp::wezterm, TerminalApp::alacritty}));
    EXPECT_EQ(store().string("preferredTerminal"), "iTerm");

    auto none = environment({});
    EXPECT_EQ(none->preferredTerminal(), TerminalApp::terminal);
    EXPECT_EQ(none->availableTerminals(), TerminalList{TerminalApp::terminal});
}

TEST_F(SettingsTest, ACorruptDocumentIsKeptAsideBeforeTheFirstWrite) {
    std::filesystem::create_directories(store().path().parent_path());
    testing::writeFile(store().path(), "{\"language\": \"ro\", broken");
    auto env = environment();
    EXPECT_EQ(env->settings(), AppSettings{});
    env->setPollingInterval(9);

    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(store().path().parent_path()))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos) aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(testing::readFile(aside.front()), "{\"language\": \"ro\", broken");
    EXPECT_EQ(store().number("pollingInterval"), 9.0);
}

TEST_F(SettingsTest, AnUnreadableDocumentStaysAndTheFailedWriteIsShown) {
    std::filesystem::create_directories(store().path() / "in the way");  // reads fail: EISDIR
    auto env = environment();
    EXPECT_EQ(env->settings(), AppSettings{});
    env->setLanguage(AppLanguage::en);
    env->setPollingInterval(9);
    ASSERT_TRUE(env->lastError());
    EXPECT_TRUE(text::startsWith(*env->lastError(), "Could not save the settings: Cannot read " + store().path().string()))
        << *env->lastError();
    EXPECT_TRUE(std::filesystem::is_directory(store().path() / "in the way"));
}

TEST_F(SettingsTest, SideEffectsOfChanges) {
    auto env = environment();
    env->setNotifyOnClose(true);
    env->setNotifyOnClose(false);
    EXPECT_EQ(platform.notifications->requests, 1);

    env->setLanguage(AppLanguage::ro);
    EXPECT_EQ(L("da", "yes"), "da");
    env->setLanguage(AppLanguage::en);
    EXPECT_EQ(L("da", "yes"), "yes");

    // Without a first bootstrap there is no timer to restart.
    env->setPollingInterval(2);
    EXPECT_FALSE(env->pollingTimerInterval());
}

TEST_F(SettingsTest, SettingAnEqualValueDoesNotWrite) {
    auto env = environment();
    env->setScannerMode(ScannerMode::polling);
    env->setAutoCommandsEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(store().path()));
}

TEST(SocketArgs, FollowTheModeAndTrimmedValue) {
    using V = std::vector<std::string>;
    EXPECT_EQ(socketArgs(TmuxSocketMode::default_, "work"), V{});
    EXPECT_EQ(socketArgs(TmuxSocketMode::name, " \twork\t "), (V{"-L", "work"}));
    EXPECT_EQ(socketArgs(TmuxSocketMode::name, "   "), V{});
    EXPECT_EQ(socketArgs(TmuxSocketMode::path, "~/tmux/sock"), (V{"-S", paths::homeDirectory() + "/tmux/sock"}));
    EXPECT_EQ(socketArgs(TmuxSocketMode::path, "/run/a b"), (V{"-S", "/run/a b"}));
    EXPECT_EQ(AppEnvironment::socketArgs(TmuxSocketMode::path, ""), V{});
}

TEST(SettingsEnums, RawValuesAreCaseSensitive) {
    EXPECT_EQ(tmuxSocketModeFromRaw("default"), TmuxSocketMode::default_);
    EXPECT_EQ(tmuxSocketModeFromRaw("Name"), std::nullopt);
    EXPECT_EQ(scannerModeFromRaw("controlMode"), ScannerMode::controlMode);
    EXPECT_EQ(appAppearanceFromRaw("Dark"), std::nullopt);
    for (auto mode : allTmuxSocketModes()) EXPECT_EQ(tmuxSocketModeFromRaw(toRaw(mode)), mode);
    for (auto mode : allAppAppearances()) EXPECT_EQ(appAppearanceFromRaw(toRaw(mode)), mode);
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(label(TmuxSocketMode::name), "Nume (-L)");
    EXPECT_EQ(label(ScannerMode::controlMode), "Control mode (push)");
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(label(TmuxSocketMode::default_), "Default");
}

TEST_F(SettingsTest, LaunchAtLoginGoesToTheLoginItemAndReportsFailures) {
    auto env = environment();
    env->setLaunchAtLogin(true);
    EXPECT_TRUE(env->launchAtLogin());
    platform.loginItem->failure = "permission denied";
    env->setLaunchAtLogin(false);
    EXPECT_EQ(env->lastError(), "Login item: permission denied");
    EXPECT_TRUE(env->launchAtLogin());
}

TEST(XdgAutostartLoginItem, WritesAndRemovesTheAutostartEntry) {
    TempDir config("quillon-autostart");
    const auto directory = XdgAutostartLoginItem::defaultDirectory({{"XDG_CONFIG_HOME", config.str()}});
    EXPECT_EQ(directory, config.path() / "autostart");

    XdgAutostartLoginItem item(directory, "/opt/Quillon apps/quillon");
    EXPECT_FALSE(item.isEnabled());
    item.setEnabled(true);
    EXPECT_TRUE(item.isEnabled());
    const std::string entry = testing::readFile(item.entryPath());
    EXPECT_NE(entry.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("Exec=\"/opt/Quillon apps/quillon\"\n"), std::string::npos);
    item.setEnabled(false);
    EXPECT_FALSE(item.isEnabled());
    EXPECT_FALSE(std::filesystem::exists(item.entryPath()));
    item.setEnabled(false);  // already off: no error

    // A file where the directory should be: the failure carries the system's text.
    testing::writeFile(config.path() / "blocked", "");
    XdgAutostartLoginItem blocked(config.path() / "blocked", "/usr/bin/quillon");
    EXPECT_THROW(blocked.setEnabled(true), std::runtime_error);
}

}  // namespace
}  // namespace quillon
