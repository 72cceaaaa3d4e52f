#include "core/l10n.h"

#include <gtest/gtest.h>

#include "core/defaults_store.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using testing::TempDir;

TEST(L10n, PreferredLanguagesFromTheLocaleVariables) {
    using L10n::preferredLanguages;
    EXPECT_EQ(preferredLanguages({{"LANGUAGE", "ro_MD:en_GB"}, {"LANG", "de_DE.UTF-8"}}),
              (std::vector<std::string>{"ro-MD", "en-GB"}));
    EXPECT_EQ(preferredLanguages({{"LC_ALL", "fr_FR.UTF-8"}, {"LANG", "ro_RO.UTF-8"}}),
              (std::vector<std::string>{"fr-FR"}));
    EXPECT_EQ(preferredLanguages({{"LC_MESSAGES", "ro_RO@latin"}}), (std::vector<std::string>{"ro-RO"}));
    EXPECT_EQ(preferredLanguages({{"LANG", "ro_RO.UTF-8"}}), (std::vector<std::string>{"ro-RO"}));
    EXPECT_TRUE(preferredLanguages({{"LANG", "C"}}).empty());
    EXPECT_TRUE(preferredLanguages({{"LC_ALL", "POSIX"}, {"LANG", "en_US"}}).empty());
    EXPECT_TRUE(preferredLanguages({}).empty());
}

TEST(L10n, SystemResolvesByTheFirstPreferredLanguage) {
    EXPECT_EQ(resolved(AppLanguage::system, {"ro-MD"}), AppLanguage::ro);
    for (std::string tag : {"en-GB", "de", "fr"}) EXPECT_EQ(resolved(AppLanguage::system, {tag, "ro"}), AppLanguage::en);
    EXPECT_EQ(resolved(AppLanguage::system, {}), AppLanguage::ro);
    EXPECT_EQ(resolved(AppLanguage::en, {"ro"}), AppLanguage::en);
}

TEST(L10n, RawValuesAndLabels) {
    EXPECT_EQ(appLanguageFromRaw("ro"), AppLanguage::ro);
    EXPECT_FALSE(appLanguageFromRaw("EN"));
    EXPECT_EQ(allAppLanguages().size(), 3u);
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(label(AppLanguage::system), "System");
    EXPECT_EQ(L("unu", "one"), "one");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(label(AppLanguage::system), "Sistem");
    EXPECT_EQ(label(AppLanguage::en), "English");
    EXPECT_EQ(L("unu", "one"), "unu");
}

class AdoptAppLanguage : public ::testing::Test {
protected:
    TempDir config;
    Environment environment(std::initializer_list<std::pair<const std::string, std::string>> extra) {
        Environment env{{"XDG_CONFIG_HOME", config.str()}};
        env.insert(extra);
        return env;
    }
    void store(const std::string& language) {
        DefaultsStore(DefaultsStore::documentPath(L10n::appBundleIdentifier, environment({}))).set("language", language);
    }
};

TEST_F(AdoptAppLanguage, OverrideThenStoredThenSystem) {
    using L10n::chooseAppLanguage;
    EXPECT_EQ(chooseAppLanguage(environment({})), AppLanguage::system);
    store("ro");
    EXPECT_EQ(chooseAppLanguage(environment({})), AppLanguage::ro);
    EXPECT_EQ(chooseAppLanguage(environment({{"QUILLON_LANG", "en"}})), AppLanguage::en);
    EXPECT_EQ(chooseAppLanguage(environment({{"QUILLON_LANG", "EN"}})), AppLanguage::ro);
    EXPECT_EQ(chooseAppLanguage(environment({{"QUILLON_LANG", "xx"}})), AppLanguage::ro);
    store("klingon");
    EXPECT_EQ(chooseAppLanguage(environment({})), AppLanguage::system);

    L10n::adoptAppLanguage(environment({{"LANGUAGE", "en_GB"}}));
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::en);
    L10n::adoptAppLanguage(environment({{"LANG", "ro_RO.UTF-8"}}));
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::ro);
    store("en");
    L10n::adoptAppLanguage(environment({{"LANG", "ro_RO.UTF-8"}}));
    EXPECT_EQ(L10n::currentLanguage(), AppLanguage::en);
}

}  // namespace
}  // namespace quillon
