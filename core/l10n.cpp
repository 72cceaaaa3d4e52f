#include "core/l10n.h"

#include <mutex>

#include "core/defaults_store.h"
#include "core/raw_value.h"
#include "core/text.h"

extern char** environ;

namespace quillon {
namespace {

// The one lock of the core: the process language, always a resolved value.
struct LanguageMirror {
    std::mutex lock;
    AppLanguage value = resolved(AppLanguage::system);
};

LanguageMirror& mirror() {
    static LanguageMirror instance;
    return instance;
}

// "ro_RO.UTF-8" → "ro-RO"; "C" and "POSIX" are no language.
std::optional<std::string> localeToTag(std::string_view locale) {
    auto end = locale.find_first_of(".@");
    std::string tag(locale.substr(0, end));
    if (tag.empty() || tag == "C" || tag == "POSIX") return std::nullopt;
    for (char& c : tag)
        if (c == '_') c = '-';
    return tag;
}

}  // namespace

std::string environmentValue(const Environment& environment, const std::string& name) {
    auto it = environment.find(name);
    return it == environment.end() ? std::string() : it->second;
}

std::string_view toRaw(AppLanguage language) {
    switch (language) {
        case AppLanguage::system: return "system";
        case AppLanguage::ro: return "ro";
        case AppLanguage::en: return "en";
    }
    return "system";
}

std::optional<AppLanguage> appLanguageFromRaw(std::string_view raw) {
    return caseFromRaw(allAppLanguages(), raw);
}

const std::vector<AppLanguage>& allAppLanguages() {
    static const std::vector<AppLanguage> all{AppLanguage::system, AppLanguage::ro, AppLanguage::en};
    return all;
}

std::string label(AppLanguage language) {
    switch (language) {
        case AppLanguage::system: return L("Sistem", "System");
        case AppLanguage::ro: return "Română";
        case AppLanguage::en: return "English";
    }
    return {};
}

AppLanguage resolved(AppLanguage language, const std::vector<std::string>& preferredLanguages) {
    if (language != AppLanguage::system) return language;
    const std::string first = preferredLanguages.empty() ? "ro" : preferredLanguages.front();
    return text::startsWith(first, "ro") ? AppLanguage::ro : AppLanguage::en;
}

AppLanguage resolved(AppLanguage language) {
    if (language != AppLanguage::system) return language;
    return resolved(language, L10n::preferredLanguages(L10n::processEnvironment()));
}

std::string L(std::string_view ro, std::string_view en) {
    return std::string(L10n::currentLanguage() == AppLanguage::en ? en : ro);
}

namespace L10n {

void setLanguage(AppLanguage language) {
    const AppLanguage value = resolved(language);
    std::lock_guard guard(mirror().lock);
    mirror().value = value;
}

AppLanguage currentLanguage() {
    std::lock_guard guard(mirror().lock);
    return mirror().value;
}

AppLanguage chooseAppLanguage(const Environment& environment) {
    if (auto language = appLanguageFromRaw(environmentValue(environment, "QUILLON_LANG"))) return *language;
    const DefaultsStore store(DefaultsStore::documentPath(appBundleIdentifier, environment));
    const auto stored = store.string("language");
    if (stored == "ro") return AppLanguage::ro;
    if (stored == "en") return AppLanguage::en;
    return AppLanguage::system;
}

void adoptAppLanguage(const Environment& environment) {
    setLanguage(resolved(chooseAppLanguage(environment), preferredLanguages(environment)));
}

std::vector<std::string> preferredLanguages(const Environment& environment) {
    std::vector<std::string> tags;
    for (auto piece : text::split(environmentValue(environment, "LANGUAGE"), ":", true))
        if (auto tag = localeToTag(piece)) tags.push_back(*tag);
    if (!tags.empty()) return tags;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string value = environmentValue(environment, name);
        if (value.empty()) continue;
        // A set variable decides, even when it names no language ("C").
        if (auto tag = localeToTag(value)) tags.push_back(*tag);
        return tags;
    }
    return tags;
}

Environment processEnvironment() {
    Environment environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view item(*entry);
        auto eq = item.find('=');
        if (eq == std::string_view::npos) continue;
        environment.emplace(std::string(item.substr(0, eq)), std::string(item.substr(eq + 1)));
    }
    return environment;
}

}  // namespace L10n
}  // namespace quillon
