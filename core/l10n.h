#pragma once
// Bilingual texts: every visible text is written as a Romanian/English pair and
// picked with L() by the one process-wide language.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class AppLanguage { system, ro, en };

std::string_view toRaw(AppLanguage language);
std::optional<AppLanguage> appLanguageFromRaw(std::string_view raw);
const std::vector<AppLanguage>& allAppLanguages();
std::string label(AppLanguage language);
// Never system: system resolves through the user's preferred languages
// (the first one starting with "ro" → ro, any other → en, none → ro).
AppLanguage resolved(AppLanguage language);
AppLanguage resolved(AppLanguage language, const std::vector<std::string>& preferredLanguages);

// Romanian first, English second.
std::string L(std::string_view ro, std::string_view en);

using Environment = std::map<std::string, std::string>;
// The variable's value; empty when it is unset.
std::string environmentValue(const Environment& environment, const std::string& name);

namespace L10n {

// Names the application's defaults domain (the document the app writes and quillon-mcp reads).
inline constexpr std::string_view appBundleIdentifier = "org.quillon.Quillon";

void setLanguage(AppLanguage language);
AppLanguage currentLanguage();
// QUILLON_LANG, else the app's stored "language", else system.
void adoptAppLanguage(const Environment& environment);
// The language adoptAppLanguage would pick, without storing it.
AppLanguage chooseAppLanguage(const Environment& environment);

// Preferred languages as tags ("ro-RO"): LANGUAGE (colon list), else LC_ALL, LC_MESSAGES, LANG.
std::vector<std::string> preferredLanguages(const Environment& environment);
// The process environment as a map.
Environment processEnvironment();

}  // namespace L10n
}  // namespace quillon
