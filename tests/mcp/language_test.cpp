// The reply language is fixed at start: QUILLON_LANG, else the app's stored choice,
// else the user's preferred languages.

#include <gtest/gtest.h>

#include "tests/mcp/mcp_process.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon::testing {
namespace {

bool speaksEnglish(const McpProcess::EnvChanges& env) {
    McpProcess mcp(env);
    const auto [text, isError] = mcp.callTool("no_such_tool");
    EXPECT_TRUE(isError);
    EXPECT_TRUE(text == "Unknown tool: no_such_tool" || text == "Verb necunoscut: no_such_tool") << text;
    return text == "Unknown tool: no_such_tool";
}

class Language : public ::testing::Test {
protected:
    McpProcess::EnvChanges env(std::optional<std::string> quillonLang, std::optional<std::string> lang = "en_US.UTF-8") {
        return {{"QUILLON_LANG", quillonLang}, {"XDG_CONFIG_HOME", config.str()}, {"LANGUAGE", std::nullopt},
                {"LC_ALL", std::nullopt},      {"LC_MESSAGES", std::nullopt},      {"LANG", lang}};
    }
    TempDir config{"quillon-mcp-config"};
};

TEST_F(Language, TheOverrideWinsOverTheStoredChoice) {
    storeAppLanguage(config.str(), "ro");
    EXPECT_TRUE(speaksEnglish(env("en")));
    EXPECT_FALSE(speaksEnglish(env("ro", "en_GB.UTF-8")));
}

TEST_F(Language, AnOverrideThatIsNoLanguageLeavesTheStoredChoiceToDecide) {
    storeAppLanguage(config.str(), "ro");
    EXPECT_FALSE(speaksEnglish(env("EN")));
    EXPECT_FALSE(speaksEnglish(env("xx")));
    EXPECT_FALSE(speaksEnglish(env(std::nullopt)));
    storeAppLanguage(config.str(), "en");
    EXPECT_TRUE(speaksEnglish(env(std::nullopt, "ro_RO.UTF-8")));
}

TEST_F(Language, WithoutAChoiceThePreferredLanguagesDecide) {
    EXPECT_FALSE(speaksEnglish(env(std::nullopt, "ro_MD.UTF-8")));
    EXPECT_TRUE(speaksEnglish(env(std::nullopt, "de_DE.UTF-8")));
    EXPECT_TRUE(speaksEnglish(env("system", "fr_FR.UTF-8")));
    EXPECT_FALSE(speaksEnglish(env(std::nullopt, std::nullopt)));  // none at all reads as Romanian
    storeAppLanguage(config.str(), "system");
    EXPECT_TRUE(speaksEnglish(env(std::nullopt, "en_GB.UTF-8")));
    storeAppLanguage(config.str(), "klingon");
    EXPECT_FALSE(speaksEnglish(env(std::nullopt, "ro_RO.UTF-8")));
}

}  // namespace
}  // namespace quillon::testing
