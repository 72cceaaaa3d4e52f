// The language and the bilingual texts. Every enumeration of the core that is stored or shown:
// each value's stored text parses back to it (exactly: no other spelling does), the list of all
// values, where there is one, is complete and in order, and each value has its label in both
// languages. The Linux build's texts never name a macOS product, path or habit.
#include <gtest/gtest.h>

#include <cctype>
#include <tuple>

#include "core/census_report.h"
#include "core/defaults_store.h"
#include "core/l10n.h"
#include "core/platform_texts.h"
#include "core/terminal_app.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

// Value, stored text, Romanian label, English label.
template <class E> using Table = std::vector<std::tuple<E, std::string, std::string, std::string>>;
template <class E> struct Cases;

template <> struct Cases<AppLanguage> {
    static inline const Table<AppLanguage> table{{AppLanguage::system, "system", "Sistem", "System"},
                                                 {AppLanguage::ro, "ro", "Română", "Română"},
                                                 {AppLanguage::en, "en", "English", "English"}};
    static std::optional<AppLanguage> fromRaw(std::string_view raw) { return appLanguageFromRaw(raw); }
    static std::vector<AppLanguage> all() { return allAppLanguages(); }
    static std::string label(AppLanguage value) { return quillon::label(value); }
};

template <> struct Cases<ServerLiveness> {
    static inline const Table<ServerLiveness> table{
        {ServerLiveness::alive, "alive", "VIU", "ALIVE"},
        {ServerLiveness::stale, "stale", "MORT (socket rămas pe disc)", "DEAD (socket left on disk)"},
        {ServerLiveness::unknown, "unknown", "NECUNOSCUT", "UNKNOWN"}};
    static std::optional<ServerLiveness> fromRaw(std::string_view raw) { return serverLivenessFromRaw(raw); }
    static std::string label(ServerLiveness value) { return CensusReport::label(value); }
};

template <> struct Cases<TerminalApp> {
    static inline const Table<TerminalApp> table{{TerminalApp::terminal, "Terminal", "Terminal", "Terminal"},
                                                 {TerminalApp::iterm, "iTerm", "iTerm2", "iTerm2"},
                                                 {TerminalApp::ghostty, "Ghostty", "Ghostty", "Ghostty"},
                                                 {TerminalApp::wezterm, "WezTerm", "WezTerm", "WezTerm"},
                                                 {TerminalApp::alacritty, "Alacritty", "Alacritty", "Alacritty"}};
    static std::optional<TerminalApp> fromRaw(std::string_view raw) { return terminalAppFromRaw(raw); }
    static std::vector<TerminalApp> all() { return allTerminalApps(); }
    static std::string label(TerminalApp value) { return std::string(displayName(value)); }
};

template <class E> class StoredEnum : public ::testing::Test {};
using Enums = ::testing::Types<AppLanguage, ServerLiveness, TerminalApp>;
TYPED_TEST_SUITE(StoredEnum, Enums);

TYPED_TEST(StoredEnum, StoredTextsRoundTripAndLabelsExistInBothLanguages) {
    using C = Cases<TypeParam>;
    std::vector<TypeParam> listed;
    for (const auto& [value, raw, ro, en] : C::table) {
        listed.push_back(value);
        EXPECT_EQ(toRaw(value), raw);
        EXPECT_EQ(C::fromRaw(raw), value) << raw;
        std::string upper = raw;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (const std::string& other : {upper, raw + " ", raw.substr(1)}) EXPECT_FALSE(C::fromRaw(other)) << other;
        L10n::setLanguage(AppLanguage::ro);
        EXPECT_EQ(C::label(value), ro);
        L10n::setLanguage(AppLanguage::en);
        EXPECT_EQ(C::label(value), en);
    }
    if constexpr (requires { C::all(); }) { EXPECT_EQ(C::all(), listed); }
    EXPECT_FALSE(C::fromRaw(""));
}

TEST(PlatformTexts, LinuxWordsNeverNameMacOSThings) {
    const std::vector<PlatformText> all{
        PlatformText::installCommand,      PlatformText::installItWith,         PlatformText::installTmuxWith,
        PlatformText::installThenReopen,   PlatformText::fileManagerButton,     PlatformText::openDirectoryTooltip,
        PlatformText::openInFileManager,   PlatformText::refreshTooltip,        PlatformText::closeNotificationFooter,
        PlatformText::aboutDescription,    PlatformText::shellCommandExample};
    EXPECT_EQ(currentPlatform(), DesktopPlatform::linuxDesktop);
    for (AppLanguage language : {AppLanguage::en, AppLanguage::ro}) {
        L10n::setLanguage(language);
        for (PlatformText text : all) {
            const std::string linux = platformText(text, DesktopPlatform::linuxDesktop);
            EXPECT_FALSE(linux.empty());
            for (const char* mac : {"Finder", "brew", "Homebrew", "⌘", "macOS", "osascript"})
                EXPECT_EQ(linux.find(mac), std::string::npos) << linux;
            EXPECT_NE(platformText(text, DesktopPlatform::macOS), linux) << linux;
        }
    }
    EXPECT_EQ(platformText(PlatformText::refreshTooltip), "Reîncarcă starea serverului (Ctrl+R)");
}

TEST(L10n, PreferredLanguagesComeFromTheLocaleVariablesAndTheFirstDecides) {
    using L10n::preferredLanguages;
    using Tags = std::vector<std::string>;
    EXPECT_EQ(preferredLanguages({{"LANGUAGE", "ro_MD:en_GB"}, {"LANG", "de_DE.UTF-8"}}), (Tags{"ro-MD", "en-GB"}));
    EXPECT_EQ(preferredLanguages({{"LC_ALL", "fr_FR.UTF-8"}, {"LANG", "ro_RO.UTF-8"}}), Tags{"fr-FR"});
    EXPECT_EQ(preferredLanguages({{"LC_MESSAGES", "ro_RO@latin"}}), Tags{"ro-RO"});
    EXPECT_EQ(preferredLanguages({{"LANG", "ro_RO.UTF-8"}}), Tags{"ro-RO"});
    EXPECT_TRUE(preferredLanguages({{"LANG", "C"}}).empty());
    EXPECT_TRUE(preferredLanguages({{"LC_ALL", "POSIX"}, {"LANG", "en_US"}}).empty());
    EXPECT_TRUE(preferredLanguages({}).empty());
    // The system language is the first preferred one: Romanian, else English; none reads as Romanian.
    EXPECT_EQ(resolved(AppLanguage::system, {"ro-MD"}), AppLanguage::ro);
    for (std::string tag : {"en-GB", "de"}) EXPECT_EQ(resolved(AppLanguage::system, {tag, "ro"}), AppLanguage::en);
    EXPECT_EQ(resolved(AppLanguage::system, {}), AppLanguage::ro);
    EXPECT_EQ(resolved(AppLanguage::en, {"ro"}), AppLanguage::en);
}

// The override, else the app's stored choice, else the preferred languages.
TEST(L10n, TheAppLanguageIsTheOverrideThenTheStoredChoiceThenTheSystem) {
    testing::TempDir config;
    const auto env = [&](Environment extra) {
        extra["XDG_CONFIG_HOME"] = config.str();
        return extra;
    };
    const auto store = [&](const std::string& language) {
        DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, env({}))).set("language", language);
    };
    using L10n::chooseAppLanguage;
    EXPECT_EQ(chooseAppLanguage(env({})), AppLanguage::system);
    store("ro");
    EXPECT_EQ(chooseAppLanguage(env({})), AppLanguage::ro);
    EXPECT_EQ(chooseAppLanguage(env({{"QUILLON_LANG", "en"}})), AppLanguage::en);
    for (const char* notALanguage : {"EN", "xx", ""})
        EXPECT_EQ(chooseAppLanguage(env({{"QUILLON_LANG", notALanguage}})), AppLanguage::ro);
    store("klingon");
    EXPECT_EQ(chooseAppLanguage(env({})), AppLanguage::system);

    L10n::adoptAppLanguage(env({{"LANGUAGE", "en_GB"}}));
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::en);
    store("en");
    L10n::adoptAppLanguage(env({{"LANG", "ro_RO.UTF-8"}}));
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::en);
}

}  // namespace
}  // namespace quillon
